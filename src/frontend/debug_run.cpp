#include "frontend/debug_run.h"

#include "cpu/cpu.h"
#include "machine/machine_reset.h"
#include "frontend/input_devices.h"
#include "frontend/run_loop.h"
#include "machine/machine.h"
#include "sound/mixer.h"
#include "machine/scheduler.h"
#include "peripherals/input.h"
#include "frontend/scripted_input.h"

DebugRunState debugRun = {{}, 0, {}, -1, -1};

bool toggleBreakpoint(uint32_t address) {
    address &= 0xFFFFFF;
    for (int i = 0; i < debugRun.breakpointCount; ++i)
        if (debugRun.breakpoints[i] == address) {
            for (int j = i + 1; j < debugRun.breakpointCount; ++j) debugRun.breakpoints[j - 1] = debugRun.breakpoints[j];
            --debugRun.breakpointCount;
            return true;
        }
    if (debugRun.breakpointCount == MAX_BREAKPOINTS) return false;
    debugRun.breakpoints[debugRun.breakpointCount++] = address;
    return true;
}

static bool atBreakpoint(uint32_t pc) {
    for (int i = 0; i < debugRun.breakpointCount; ++i)
        if (debugRun.breakpoints[i] == (pc & 0xFFFFFF)) return true;
    return false;
}

static void stopRun() {
    menuPageIndex = 0;
    setRunState(RUN_STATE_MENU);
}

void debugRunPass() {
    scriptedInputFrame(int(framesEmulated));
    pollInputDevices();
    setFrameSoundRequest(FRAME_SOUND_SAMPLES);
    while (runState == RUN_STATE_TRACE) {
        int32_t n = serviceEvents();
        if (n == -1) {
            ++framesEmulated;
            frameToHost();
            return;
        }
        if (n == 0) {
            cpuServiceInterrupts();
            int kind = scheduler.nextEventKind;
            if (kind < 8 && debugRun.breakOnIrq[kind]) {
                stopRun();
                return;
            }
            serviceEvents();
        }
        if (runSlice(4) != RUN_OK) machineReset(true);

        if (hostKeyDown(KEY_F12) || int32_t(cpu.pc) == debugRun.stepOverAddress || atBreakpoint(cpu.pc)) {
            stopRun();
        } else if (hostKeyDown(KEY_F11)) {
            machineReset(hostKeyDown(KEY_LSHIFT) || hostKeyDown(KEY_RSHIFT));
            setRunState(RUN_STATE_RESET_WAIT_TRACE);
        } else if (debugRun.nopTarget > 0 && cpu.odometer >= debugRun.nopTarget) {
            debugRun.nopTarget = -1;
            stopRun();
        }
    }
}
