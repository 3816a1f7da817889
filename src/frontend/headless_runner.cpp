#include "frontend/headless_runner.h"

#include <csignal>
#include <cstdio>
#include <cstring>

#include "base/safe_file.h"
#include "bus/event_log.h"
#include "debugger/debug_report.h"
#include "debugger/debug_run.h"
#include "debugger/instruction_trace.h"
#include "frontend/debugger_commands.h"
#include "frontend/input_recording.h"
#include "frontend/run_loop.h"
#include "frontend/scripted_input.h"
#include "frontend/startup.h"
#include "machine/rom_images.h"
#include "machine/snapshot.h"
#include "media/messages.h"
#include "media/recorder.h"
#include "media/screenshot.h"
#include "video/picture.h"

static volatile std::sig_atomic_t interrupted;
static void onInterrupt(int) { interrupted = 1; }

static bool yes() { return true; }
static void nothing() {}
static void nothingPage(int) {}
static bool answerYes(const char*, const char*) { return true; }
static void printMessageBox(const char* caption, const char* text) { std::fprintf(stderr, "%s: %s\n", caption, text); }
// A stop of the debugger's run would open the menu: a headless run ends there, and
// where the trace it was asked for stopped.
static bool keepRunning() { return !interrupted && runState != RUN_STATE_MENU && traceFailure().empty(); }
// Nothing shows the frames: their pictures are drawn only for the files written at the
// end, or every one with --draw-every-frame, to measure what a window's drawing costs.
static bool drawEveryFrame;
static void presentFrame() {
    if (drawEveryFrame) framePicture();
}
static bool no() { return false; }

// Without a sound device the frames run as fast as the host allows.
const HostPlatform headlessPlatform = {
    yes, yes, yes, nothing,                 // window, display, input, sound
    nothing, nothing, nothing, nothing,     // their release
    keepRunning, nothingPage, nothing,      // messages and menu
    answerYes, printMessageBox,
    presentFrame, nothing, no,              // display
    false,                                  // F11 and F12 are keys like the others
};

// Messages on the picture live for emulated time: how many frames show one depends on
// the run's inputs, not on how fast the host runs it.
static int64_t emulatedMilliseconds() { return int64_t(double(framesEmulated) * FRAME_CYCLES * 1000.0 / ST_CPU_CLOCK); }

int runHeadless(const ProgramOptions& options) {
    setMessageClock(emulatedMilliseconds);
    StartupSettings settings;
    settings.defaultSnapshot = options.defaultSnapshot;
    StartupResult started = programStartup(options, headlessPlatform, settings);
    if (started != StartupResult::Ready) {
        if (!startupError.empty()) std::fprintf(stderr, "quarv: %s\n", startupError.c_str());
        return 1;
    }
    if (!startupSnapshotMessage.empty()) std::fprintf(stderr, "quarv: %s\n", startupSnapshotMessage.c_str());
    if (!romLoaded) {
        std::fprintf(stderr, "quarv: no TOS image to run (%s); give one with --rom FILE.\n",
                     romLoadError.empty() ? "none is active" : romLoadError.c_str());
        programShutdown(false, false);
        return 1;
    }

    if (!options.snapshotLoadPath.empty()) {
        if (!loadSnapshot(options.snapshotLoadPath)) {
            std::fprintf(stderr, "quarv: cannot load the snapshot %s: %s\n", options.snapshotLoadPath.c_str(),
                         snapshotLoadError().c_str());
            programShutdown(false, false);
            return 1;
        }
        if (!snapshotLoadWarning().empty()) std::fprintf(stderr, "quarv: %s\n", snapshotLoadWarning().c_str());
    }

    std::string scriptError;
    if ((!options.typeText.empty() && !scriptTypeText(options.typeText, int(options.typeFrame), scriptError)) ||
        (!options.keysScript.empty() && !scriptParseKeys(options.keysScript, scriptError))) {
        std::fprintf(stderr, "quarv: %s\n", scriptError.c_str());
        programShutdown(false, false);
        return 1;
    }
    if (!options.wavPath.empty() && !options.ymPath.empty()) {
        std::fprintf(stderr, "quarv: record either --wav or --ym in one run.\n");
        programShutdown(false, false);
        return 1;
    }
    const std::string& recording = options.wavPath.empty() ? options.ymPath : options.wavPath;
    if (!recording.empty() && !recorderStartToFile(options.wavPath.empty(), recording)) {
        std::fprintf(stderr, "quarv: cannot record: %s\n", replacingError().c_str());
        programShutdown(false, false);
        return 1;
    }

    if (!options.recordPath.empty() && !options.replayPath.empty()) {
        std::fprintf(stderr, "quarv: either --record or --replay in one run.\n");
        programShutdown(false, false);
        return 1;
    }
    if (!options.replayPath.empty() && !replayStart(options.replayPath)) {
        std::fprintf(stderr, "quarv: cannot replay %s: %s\n", options.replayPath.c_str(), sessionMessage().c_str());
        programShutdown(false, false);
        return 1;
    }
    if (!options.recordPath.empty()) recordingStart(options.recordPath);
    // A replay runs the frames it recorded unless told otherwise.
    long frames = options.frames < 0 && replayActive() ? replayFrames() : options.frames;

    drawEveryFrame = options.drawEveryFrame;
    setFramePictureWanted(drawEveryFrame || !options.pngPath.empty() || !options.screenshotPath.empty());
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    setRunState(startRunState());
    double hostSeconds = runMainLoop(frames);
    if (runState == RUN_STATE_MENU) printDebuggerReport(stdout);
    if (options.bench) printSpeedReport(hostSeconds);
    int status = 0;
    if (!options.screenshotPath.empty() && !saveScreenshotAs(options.screenshotPath)) {
        std::fprintf(stderr, "quarv: cannot save the screenshot %s: %s\n", options.screenshotPath.c_str(),
                     screenshotError().c_str());
        status = 1;
    }
    if (!options.pngPath.empty() && !savePng(options.pngPath)) {
        std::fprintf(stderr, "quarv: cannot save the picture %s: %s\n", options.pngPath.c_str(),
                     replacingError().c_str());
        status = 1;
    }
    if (replayParted()) {
        std::fprintf(stderr, "quarv: %s\n", sessionMessage().c_str());
        status = 1;
    }
    if (!recordingStop()) {
        std::fprintf(stderr, "quarv: %s\n", sessionMessage().c_str());
        status = 1;
    }
    if (recorderRunning()) {
        recorderStop();
        if (std::strncmp(recorderLastMessage(), "ERROR", 5) == 0) {
            std::fprintf(stderr, "quarv: %s\n", recorderLastMessage());
            status = 1;
        }
    }
    if (!options.snapshotSavePath.empty() && !saveSnapshot(options.snapshotSavePath)) {
        std::fprintf(stderr, "quarv: cannot write the snapshot %s: %s\n", options.snapshotSavePath.c_str(),
                     replacingError().c_str());
        status = 1;
    }
    if (!programShutdown(options.defaultSnapshot, false)) status = 1;
    return status;
}
