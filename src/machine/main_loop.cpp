#include "machine/main_loop.h"

#include <chrono>
#include <cstdio>

#include "cpu/cpu.h"
#include "frontend/debug_run.h"
#include "machine/crash_log.h"
#include "machine/event_log.h"
#include "machine/machine_reset.h"
#include "machine/scheduler.h"
#include "peripherals/blitter.h"
#include "peripherals/input.h"
#include "peripherals/scripted_input.h"
#include "sound/audio_output.h"
#include "video/display.h"
#include "video/screenshot.h"

int runState = RUN_STATE_MENU;
int menuPageIndex = 1;
bool debugEnabled;
long framesEmulated;
int crashCount;

static int entryDoneFor = -1;  // the state whose entry actions have run
static const HostPlatform* platform;

void setHostPlatform(const HostPlatform* p) { platform = p; }
const HostPlatform& hostPlatform() { return *platform; }

static bool isRunningState(int state) {
    return state == RUN_STATE_RUNNING || state == RUN_STATE_RESET_WAIT || state == RUN_STATE_TRACE;
}

void setRunState(int state) {
    if (state != runState) {
        if (isRunningState(state)) {
            audioRestart();
            AcquireInput();
        } else if (runState == RUN_STATE_RUNNING || runState == RUN_STATE_TRACE) {
            audioStop();
            UnacquireInput();
        }
    }
    runState = state;
    entryDoneFor = -1;
    setInputRunning(state == RUN_STATE_RUNNING || state == RUN_STATE_TRACE);
}

static void reportCrash(uint32_t result) {
    ++crashCount;
    writeCrashLog("crashLog.txt");
    std::fprintf(stderr, "The processor %s at $%06X; crashLog.txt written, machine reset.\n",
                 result == RUN_HALTED ? "halted" : "ran into unmapped memory", cpu.pc & 0xFFFFFF);
    machineReset(true);
}

uint32_t runSlice(int32_t budget) {
    if (blitterOwnsBus()) {
        blitterRun(budget);
        return RUN_OK;
    }
    int32_t start = cpu.odometer;
    uint32_t result = cpuRun(blitterProcessorBudget(budget));
    blitterProcessorRan(cpu.odometer - start);
    return result;
}

void emulateFrame() {
    int32_t n = serviceEvents();
    while (n != -1) {
        if (n == 0) {
            n = serviceEvents();
            continue;
        }
        uint32_t result = runSlice(n);
        if (result != RUN_OK) {
            reportCrash(result);
            return;
        }
        n = serviceEvents();
    }
    ++framesEmulated;
}

// F11 resets (cold with a Shift key held) and waits for the key's release; F12 leaves
// for the menu with a capture of the picture. True when a frame may run. The keyboard
// is polled by the keyboard processor's scans during the frame; polling here as well
// would swallow the key edges those scans report to the ST.
static bool handleEmulatorKeys(int resetWaitState) {
    if (keyDown(KEY_F11)) {
        machineReset(keyDown(KEY_LSHIFT) || keyDown(KEY_RSHIFT));
        ClearDisplay(false);
        setRunState(resetWaitState);
        return false;
    }
    if (keyDown(KEY_F12)) {
        CaptureScreenshot();
        setRunState(RUN_STATE_MENU);
        return false;
    }
    return true;
}

bool mainLoopPass() {
    if (!platform->processMessages()) return false;
    switch (runState) {
    case RUN_STATE_MENU:
        if (entryDoneFor != RUN_STATE_MENU) {
            ClearDisplay(false);
            platform->enterMenu(menuPageIndex);
            entryDoneFor = RUN_STATE_MENU;
        }
        platform->menuPass();
        break;
    case RUN_STATE_RUNNING:
        if (entryDoneFor != RUN_STATE_RUNNING) {
            ClearDisplay(false);
            entryDoneFor = RUN_STATE_RUNNING;
        }
        if (handleEmulatorKeys(RUN_STATE_RESET_WAIT)) {
            scriptedInputFrame(int(framesEmulated));
            emulateFrame();
        }
        break;
    case RUN_STATE_RESET_WAIT:
    case RUN_STATE_RESET_WAIT_TRACE:
        PollKeyboard();
        if (!keyDown(KEY_F11)) setRunState(runState == RUN_STATE_RESET_WAIT ? RUN_STATE_RUNNING : RUN_STATE_TRACE);
        break;
    case RUN_STATE_TRACE:
        debugRunPass();
        break;
    default:
        break;
    }
    return true;
}

double runMainLoop(long frames) {
    auto begin = std::chrono::steady_clock::now();
    long target = framesEmulated + crashCount + frames;
    while (frames < 0 || framesEmulated + crashCount < target)
        if (!mainLoopPass()) break;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

void printSpeedReport(double hostSeconds) {
    double emulatedSeconds = double(framesEmulated) * FRAME_CYCLES / ST_CPU_CLOCK;
    std::printf("frames %ld, host seconds %.3f, speed %.1f x real time\n", framesEmulated, hostSeconds,
                hostSeconds > 0 ? emulatedSeconds / hostSeconds : 0.0);
}
