#pragma once
// The debugger's run: the machine one instruction at a time, stopping on breakpoints,
// chosen interrupt sources, a step-over address, a frame-cycle target, watched memory
// accesses or F12; and the page's stepping commands.
#include <cstdint>
#include <string>

#include "frontend/command_line.h"
#include "frontend/watchpoints.h"

constexpr int MAX_BREAKPOINTS = 256;

enum class DebugStop { None, Key, StepOver, CycleTarget, Breakpoint, Watchpoint, Interrupt, Step };

struct DebugRunState {
    uint32_t breakpoints[MAX_BREAKPOINTS] = {};  // 24-bit addresses, in the order added
    int breakpointCount = 0;
    bool breakOnIrq[8] = {};  // VBL, HBL, Timer A-D, ACIA, FDC: indexed by the scheduler's event code
    int32_t stepOverAddress = -1;  // -1 when unused
    int32_t nopTarget = -1;        // -1 when unused
    // Where the user's own run command (F5, F7, T) started: the breakpoint there lets the
    // first instruction go, so that a run resumed at a breakpoint moves on. -1 otherwise:
    // a run that starts at a breakpoint (--break on the reset address) stops at once.
    int32_t resumeAddress = -1;
    // Why the last run or step ended, for the page and the headless report.
    DebugStop stop = DebugStop::None;
    int stopEvent = 0;             // the interrupt source that stopped the run
    WatchHit stopHit = {};         // the watched access
    uint32_t stopInstruction = 0;  // address of the instruction that made it
};

extern DebugRunState debugRun;

// The names of the eight interrupt sources, in the scheduler's event order.
extern const char* const InterruptSourceNames[8];

// Hexadecimal, with or without "$" or "0x", surrounding blanks allowed. Above $FFFFFF:
// the low 24 bits when `masked`, else false.
bool parseHexAddress(const char* text, uint32_t& out, bool masked);

// A fresh debugger with the command line's breakpoints, watchpoints and trace file;
// false with the reason when they do not fit or the trace file cannot be written.
bool applyDebugOptions(const ProgramOptions& options, std::string& error);
// The state a start that runs the machine enters: the debugger's run when the command
// line set breakpoints, watchpoints or a trace, else the plain run.
int startRunState();

// Adds the address, or removes it when present; false when the list is full.
bool toggleBreakpoint(uint32_t address);
// Runs until the frame ends (back to the main loop) or a stop condition holds (then the
// menu opens on the debugger page).
void debugRunPass();

// The page's commands. The run commands enter the debugger's run state.
void debugContinue();              // F5
void debugStepOver();              // F7: until the instruction after the one at the PC
void debugRunToCycle(long nops);   // T: until frame cycle nops x 4
void debugStepOne();               // F6: one instruction, or a latched interrupt
void debugSkipInstruction();       // F8: the PC past its instruction, which does not run

// "breakpoint at $FC0030", "watchpoint: write.w $078000 = $777 by $FC01A4", ...
void debugStopText(char* out, int size);
