#pragma once
// The debugger's run: the machine one instruction at a time, stopping on breakpoints,
// chosen interrupt sources, a step-over address, a frame-cycle target or F12.
#include <cstdint>

constexpr int MAX_BREAKPOINTS = 256;

struct DebugRunState {
    uint32_t breakpoints[MAX_BREAKPOINTS];  // 24-bit addresses, in the order added
    int breakpointCount;
    bool breakOnIrq[8];  // VBL, HBL, Timer A-D, ACIA, FDC: indexed by the scheduler's event code
    int32_t stepOverAddress;  // -1 when unused
    int32_t nopTarget;        // -1 when unused
};

extern DebugRunState debugRun;

// Adds the address, or removes it when present; false when the list is full.
bool toggleBreakpoint(uint32_t address);
// Runs until the frame ends (back to the main loop) or a stop condition holds (then the
// menu opens on the debugger page).
void debugRunPass();
