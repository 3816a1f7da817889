#include "host/windowed_runner.h"

#include <SDL.h>

#include <cstdio>
#include <filesystem>

#include "bus/event_log.h"
#include "debugger/debug_run.h"
#include "frontend/audio_output.h"
#include "frontend/debugger_commands.h"
#include "frontend/input_recording.h"
#include "frontend/rewind_key.h"
#include "frontend/run_loop.h"
#include "frontend/startup.h"
#include "host/host_messages.h"
#include "host/menu.h"
#include "host/menu_dialogs.h"
#include "host/sdl_audio.h"
#include "host/sdl_display.h"
#include "host/sdl_input.h"
#include "host/test_script.h"
#include "machine/rom_images.h"
#include "machine/snapshot.h"

static bool unpaced;  // --bench: neither the sound device nor the clock paces the frames

static bool initDisplayAndMenu() { return InitDisplay() && menuInit(); }
static void shutdownMenuAndDisplay() {
    menuShutdown();
    ShutdownDisplay();
}
static void initSound() {
    if (!unpaced) startAudioOutput();
}

// The events that came since the previous pass: the close request ends the program;
// keys, mouse and controllers go to the input devices and, while it is open, to the
// menu. A renderer that lost its textures gets them again; a sound device that went
// away leaves the program silent.
static bool processMessages() {
    testScriptPass();
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        if (e.type == SDL_QUIT) return false;
        if (e.type == SDL_RENDER_DEVICE_RESET) {
            recreateDisplayTextures();
            menuRecreateTextures();
            continue;
        }
        if (e.type == SDL_WINDOWEVENT) displayWindowEvent(e.window);
        if (e.type == SDL_AUDIODEVICEREMOVED && !e.adevice.iscapture) audioDeviceRemoved(e.adevice.which);
        inputHandleEvent(e);
        if (menuIsOpen()) menuHandleEvent(e);
    }
    return true;
}

static void showError(const char* caption, const char* text) { showMessageBox(caption, text); }
static void presentFrame() { presentPicture(unpaced); }
static bool ask(const char* caption, const char* text) { return askYesNo(caption, text); }

const HostPlatform windowPlatform = {
    createMainWindow, initDisplayAndMenu, InitInput, initSound,
    audioRelease, ShutdownInput, shutdownMenuAndDisplay, destroyMainWindow,
    processMessages, openMenuPage, menuPass,
    ask, showError,
    presentFrame, clearDisplay, displayPacesFrames,
    true,
};

int runWindowed(const ProgramOptions& options) {
    if (!testScriptLoad()) return 2;
    unpaced = options.bench;
    // A disk that cannot be used leaves the drive empty: the menu opens on the disks page
    // with the reason, and the user may choose another.
    StartupSettings settings;
    settings.badDiskRefuses = false;
    StartupResult started = programStartup(options, windowPlatform, settings);
    if (started == StartupResult::Failed) {
        SDL_Quit();
        return -1;
    }
    if (started == StartupResult::Refused) {
        if (!startupError.empty()) showMessageBox("Quarv", startupError.c_str());
        SDL_Quit();
        return 1;
    }
    // A first start has no default snapshot to resume, and a start with a disk or TOS
    // named on the command line does not resume it: then the machine runs at once when
    // it has a TOS, rather than opening on the menu.
    std::error_code error;
    bool fresh = !std::filesystem::exists(defaultSnapshotFile(), error) || commandLineNamesContent(options);
    if (fresh && runState == RUN_STATE_MENU && romLoaded) setRunState(startRunState());
    if (!startupDiskError.empty()) {
        menuMessage("Disk Error", startupDiskError);
        menuPageIndex = MENU_PAGE_DISKS;
        setRunState(RUN_STATE_MENU);
    }
    if (!startupDriveError.empty()) {
        menuMessage("Quarv", startupDriveError);
        menuPageIndex = startupDriveErrorPage;
        setRunState(RUN_STATE_MENU);
    }
    if (!startupSnapshotMessage.empty()) menuMessage("Snapshot", startupSnapshotMessage);

    applyRewindSettings();
    if (!options.replayPath.empty() && !replayStart(options.replayPath))
        menuMessage("Replay", "The recording " + options.replayPath + " cannot be replayed: " + sessionMessage());
    else if (!options.recordPath.empty())
        recordingStart(options.recordPath);

    double hostSeconds = runMainLoop(options.frames);
    if (options.bench) printSpeedReport(hostSeconds);
    if (!recordingStop()) showMessageBox("Quarv", sessionMessage().c_str());
    bool saved = programShutdown(true, true);
    SDL_Quit();
    return saved ? 0 : 1;
}
