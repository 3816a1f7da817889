#pragma once
// The debugger's run: the machine one instruction at a time, stopping on breakpoints,
// chosen interrupt sources, a step-over address, a frame-cycle target, watched memory
// accesses or F12; and the page's stepping commands. The front end drives it from its
// run states (frontend/debugger_commands.h).
#include <cstdint>

#include "debugger/watchpoints.h"

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

// Adds the address, or removes it when present; false when the list is full.
bool toggleBreakpoint(uint32_t address);
// Whether the address (24 bits) is in the list.
bool atBreakpoint(uint32_t address);
// What the front end driving the run gives it: the emulator's keys, looked at after every
// instruction (null where the host has none: a headless run), and what a processor that
// halted gets (the crash log and a cold reset).
struct DebugRunHooks {
    bool (*stopKeyHeld)();             // F12
    bool (*resetKeyHeld)(bool& cold);  // F11; cold with a Shift key
    void (*processorCrashed)();
};

enum class DebugPassEnd {
    FrameEnded,  // the frame ended: it goes to the host as a plain run's does
    Stopped,     // a stop condition held (debugRun.stop says which)
    Reset,       // the reset key reset the machine: the run waits for its release
};

// A breakpoint at the PC a pass starts at, which no instruction of the run has reached
// yet, stops the run before anything runs (noted in debugRun.stop).
bool debugStopsBeforeFirstInstruction();
// Runs until the frame ends or the run stops.
DebugPassEnd debugRunInstructions(const DebugRunHooks& hooks);

// The page's commands. The run commands (F5, F7, T) ready the run that the front end
// then enters.
void debugReadyContinue();             // F5
void debugReadyStepOver();             // F7: until the instruction after the one at the PC
void debugReadyRunToCycle(long nops);  // T: until frame cycle nops x 4
// F6: one instruction, or a latched interrupt; true when the frame ended first.
bool debugStep(const DebugRunHooks& hooks);
void debugSkipInstruction();           // F8: the PC past its instruction, which does not run

// "breakpoint at $FC0030", "watchpoint: write.w $078000 = $777 by $FC01A4", ...
void debugStopText(char* out, int size);
