#include "frontend/headless_runner.h"

#include <chrono>
#include <csignal>
#include <cstdio>

#include "frontend/rom_list.h"
#include "machine/event_log.h"
#include "machine/main_loop.h"
#include "machine/startup.h"

static volatile std::sig_atomic_t interrupted;
static void onInterrupt(int) { interrupted = 1; }

static bool yes() { return true; }
static void nothing() {}
static void nothingPage(int) {}
static bool answerYes(const char*, const char*) { return true; }
static void printMessageBox(const char* caption, const char* text) { std::fprintf(stderr, "%s: %s\n", caption, text); }
static bool keepRunning() { return !interrupted; }

const HostPlatform headlessPlatform = {
    yes, yes, yes, nothing,                 // window, display, input, sound
    nothing, nothing, nothing, nothing,     // their release
    keepRunning, nothingPage, nothing,      // messages and menu
    answerYes, printMessageBox,
};

int runHeadless(const ProgramOptions& options) {
    StartupSettings settings;
    settings.defaultSnapshot = options.defaultSnapshot;
    StartupResult started = programStartup(options, headlessPlatform, settings);
    if (started != StartupResult::Ready) {
        if (!startupError.empty()) std::fprintf(stderr, "quarv: %s\n", startupError.c_str());
        return 1;
    }
    if (!romLoaded) {
        std::fprintf(stderr, "quarv: no TOS image to run (%s); give one with --rom FILE.\n",
                     romLoadError.empty() ? "none is active" : romLoadError.c_str());
        programShutdown(false, false);
        return 1;
    }

    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    setRunState(RUN_STATE_RUNNING);
    auto begin = std::chrono::steady_clock::now();
    // A crash ends its frame early and counts as one.
    while (options.frames < 0 || framesEmulated + crashCount < options.frames)
        if (!mainLoopPass()) break;
    double hostSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();

    if (options.bench) {
        double emulatedSeconds = double(framesEmulated) * FRAME_CYCLES / 8021247.0;
        std::printf("frames %ld, host seconds %.3f, speed %.1f x real time\n", framesEmulated, hostSeconds,
                    hostSeconds > 0 ? emulatedSeconds / hostSeconds : 0.0);
    }
    programShutdown(options.defaultSnapshot, false);
    return 0;
}
