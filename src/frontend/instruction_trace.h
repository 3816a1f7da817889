#pragma once
// The instruction trace (--trace FILE): one line for every instruction the debugger
// executes, written while the trace file is open:
//   PC (6 hex digits), two spaces, the disassembly padded to 34 characters, two spaces,
//   "D" and the eight data registers, "A" and the eight address registers (8 hex digits
//   each, after the instruction), "SR" and the status register (4 hex digits), "CS" and
//   the frame cycle after the instruction (decimal).
#include <cstdint>
#include <string>

// False when the file cannot be written (nothing is traced then).
bool traceOpen(const std::string& path);
void traceClose();
bool traceActive();
// Before the instruction at `pc` runs: its disassembly. After it: the line.
void traceBefore(uint32_t pc);
void traceAfter();
