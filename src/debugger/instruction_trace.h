#pragma once
// The instruction trace (--trace FILE): one line for every instruction the debugger
// executes, written while the trace file is open:
//   PC (6 hex digits), two spaces, the disassembly padded to 34 characters, two spaces,
//   "D" and the eight data registers, "A" and the eight address registers (8 hex digits
//   each, after the instruction), "SR" and the status register (4 hex digits), "CS" and
//   the frame cycle after the instruction (decimal).
#include <cstdint>
#include <string>

// The trace goes to a temporary file beside FILE as the run goes and replaces FILE when
// it is closed, so that a trace cut short never takes the place of a whole one. A write
// that fails stops the trace at once: the temporary file is removed, FILE stays as it
// was, and the reason is kept and printed on standard error.

// False when the file cannot be written (nothing is traced then; traceFailure says why).
bool traceOpen(const std::string& path);
// Puts the trace in its place; false when it failed, now or earlier in the run.
bool traceClose();
bool traceActive();
// Why the trace stopped or could not start; empty while all is well.
const std::string& traceFailure();
// Before the instruction at `pc` runs: its disassembly. After it: the line.
void traceBefore(uint32_t pc);
void traceAfter();
