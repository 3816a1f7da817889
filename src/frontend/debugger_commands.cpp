#include "frontend/debugger_commands.h"

#include "debugger/debug_run.h"
#include "debugger/instruction_trace.h"
#include "frontend/input_devices.h"
#include "frontend/run_loop.h"
#include "frontend/scripted_input.h"
#include "sound/mixer.h"

static bool debugFromCommandLine;

bool applyDebugOptions(const ProgramOptions& options, std::string& error) {
    debugRun = DebugRunState{};
    clearWatchpoints();
    traceClose();
    debugFromCommandLine = !options.breakpoints.empty() || !options.watchpoints.empty() || !options.tracePath.empty();
    if (options.breakpoints.size() > size_t(MAX_BREAKPOINTS) || options.watchpoints.size() > size_t(MAX_WATCHPOINTS)) {
        error = "At most " + std::to_string(MAX_BREAKPOINTS) + " breakpoints and " + std::to_string(MAX_WATCHPOINTS) +
                " watchpoints.";
        return false;
    }
    for (uint32_t address : options.breakpoints)
        if (!atBreakpoint(address)) toggleBreakpoint(address);
    for (const Watchpoint& w : options.watchpoints) addWatchpoint(w);
    if (!options.tracePath.empty() && !traceOpen(options.tracePath)) {
        error = "Cannot trace: " + traceFailure();
        return false;
    }
    return true;
}

int startRunState() { return debugFromCommandLine ? RUN_STATE_TRACE : RUN_STATE_RUNNING; }

static bool stopKeyHeld() { return hostKeyDown(KEY_F12); }
static bool resetKeyHeld(bool& cold) {
    if (!hostKeyDown(KEY_F11)) return false;
    cold = hostKeyDown(KEY_LSHIFT) || hostKeyDown(KEY_RSHIFT);
    return true;
}

// Headless runs have no emulator keys: a script's F11 and F12 go to the ST.
static DebugRunHooks hooks() {
    if (!hostPlatform().emulatorKeys) return {nullptr, nullptr, reportProcessorCrash};
    return {stopKeyHeld, resetKeyHeld, reportProcessorCrash};
}

static void showDebuggerPage() {
    menuPageIndex = MENU_PAGE_DEBUGGER;
    setRunState(RUN_STATE_MENU);
}

void debugRunPass() {
    if (debugStopsBeforeFirstInstruction()) return showDebuggerPage();
    scriptedInputFrame(int(framesEmulated));
    pollInputDevices();
    setFrameSoundRequest(FRAME_SOUND_SAMPLES);
    switch (debugRunInstructions(hooks())) {
    case DebugPassEnd::FrameEnded:
        ++framesEmulated;
        frameToHost();
        break;
    case DebugPassEnd::Stopped:
        showDebuggerPage();
        break;
    case DebugPassEnd::Reset:
        hostPlatform().clearDisplay();
        setRunState(RUN_STATE_RESET_WAIT_TRACE);
        break;
    }
}

void debugContinue() {
    debugReadyContinue();
    setRunState(RUN_STATE_TRACE);
}

void debugStepOver() {
    debugReadyStepOver();
    setRunState(RUN_STATE_TRACE);
}

void debugRunToCycle(long nops) {
    debugReadyRunToCycle(nops);
    setRunState(RUN_STATE_TRACE);
}

void debugStepOne() {
    if (debugStep(hooks())) ++framesEmulated;
}
