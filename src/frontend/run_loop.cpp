#include "frontend/run_loop.h"

#include <chrono>
#include <cstdio>

#include "base/data_folder.h"
#include "base/safe_file.h"
#include "bus/event_log.h"
#include "cpu/cpu.h"
#include "debugger/crash_log.h"
#include "debugger/debug_run.h"
#include "floppy/hard_disk_image.h"
#include "frontend/audio_output.h"
#include "frontend/debugger_commands.h"
#include "frontend/input_devices.h"
#include "frontend/input_recording.h"
#include "frontend/rewind_key.h"
#include "frontend/rewind_ring.h"
#include "frontend/scripted_input.h"
#include "machine/machine.h"
#include "machine/machine_reset.h"
#include "media/messages.h"
#include "media/screenshot.h"
#include "peripherals/input.h"
#include "sound/mixer.h"

int runState = RUN_STATE_MENU;
int menuPageIndex = MENU_PAGE_DISKS;
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

// The hard disks' changes reach their files whenever the machine stops for the menu
// (with write-back on), so that the files are current while the user is away.
static void writeBackHardDisks() {
    for (uint32_t id = 0; id < HARD_DISKS; ++id)
        if (!hardDiskWriteBack(id)) platform->showMessageBox("Disk Error", hardDiskError.c_str());
}

void setRunState(int state) {
    if (state == RUN_STATE_MENU && isRunningState(runState)) writeBackHardDisks();
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
}

void reportProcessorCrash() {
    ++crashCount;
    std::string log = dataFile(CRASH_LOG_FILE);
    if (writeCrashLog(log.c_str()))
        std::fprintf(stderr, "The processor halted at $%06X; %s written, machine reset.\n", cpu.pc & 0xFFFFFF,
                     log.c_str());
    else
        std::fprintf(stderr, "The processor halted at $%06X; machine reset. The crash log was not written: %s\n",
                     cpu.pc & 0xFFFFFF, replacingError().c_str());
    machineReset(true);
}

// Full screen with forced vertical sync, the display paces the frames and each frame
// makes the samples the sound device has room for; otherwise every frame makes 881 and
// the wait for room in the sound device paces them.
void frameToHost() {
    platform->presentFrame();
    if (lastSampleCount > 0)
        audioWriteFrame(OutputBuffer, SOUND_SAMPLE_BYTES * lastSampleCount, !platform->pacedByDisplay());
}

void runFrame() {
    setFrameSoundRequest(platform->pacedByDisplay() ? audioSamplesForFrame() : FRAME_SOUND_SAMPLES);
    if (emulateFrame() == FrameResult::Crashed) {
        reportProcessorCrash();
        return;
    }
    ++framesEmulated;
    rewindFrameDone(framesEmulated);
    frameToHost();
}

// F11 resets (cold with a Shift key held) and waits for the key's release; F12 leaves
// for the menu with a capture of the picture. True when a frame may run. Headless runs
// have no emulator keys: a script's F11 and F12 go to the ST, which has no such keys.
static bool handleEmulatorKeys(int resetWaitState) {
    if (!platform->emulatorKeys) return true;
    if (hostKeyDown(KEY_F11)) {
        bool cold = hostKeyDown(KEY_LSHIFT) || hostKeyDown(KEY_RSHIFT);
        replayStop();
        sessionMachineReset(cold);
        machineReset(cold);
        platform->clearDisplay();
        setRunState(resetWaitState);
        return false;
    }
    if (hostKeyDown(KEY_F12)) {
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
            platform->clearDisplay();
            platform->enterMenu(menuPageIndex);
            entryDoneFor = RUN_STATE_MENU;
        }
        platform->menuPass();
        break;
    case RUN_STATE_RUNNING:
        if (entryDoneFor != RUN_STATE_RUNNING) {
            platform->clearDisplay();
            entryDoneFor = RUN_STATE_RUNNING;
        }
        scriptedInputFrame(int(framesEmulated));
        // A replay hands the ST its recorded input; the host's keys still reach the
        // emulator's own.
        if (replayActive())
            PollKeyboard();
        else
            pollInputDevices();
        if (platform->emulatorKeys && rewindKeyPass()) break;
        if (handleEmulatorKeys(RUN_STATE_RESET_WAIT)) {
            bool replaying = replayActive();
            sessionFrameInput();
            if (replaying && !replayActive()) ShowMessage(sessionMessage().c_str(), 4000, 0);
            runFrame();
        }
        break;
    case RUN_STATE_RESET_WAIT:
    case RUN_STATE_RESET_WAIT_TRACE:
        PollKeyboard();
        if (!hostKeyDown(KEY_F11)) setRunState(runState == RUN_STATE_RESET_WAIT ? RUN_STATE_RUNNING : RUN_STATE_TRACE);
        break;
    case RUN_STATE_TRACE:
        debugRunPass();
        break;
    default:
        break;
    }
    return true;
}

// Input handed over before the machine went back belongs to a time that is gone: a
// recording must not give it to the frame that follows.
void forgetHandedInput() {
    HandedInput gone;
    takeHandedInput(gone);
}

bool rewindOneStep() {
    long frame = 0;
    if (!rewindStepBack(frame)) return false;
    framesEmulated = frame;
    forgetHandedInput();
    replayStop();
    recordingCutBack(frame);
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
