#include "frontend/rewind_key.h"

#include <algorithm>
#include <cstring>

#include "frontend/config.h"
#include "frontend/input_devices.h"
#include "frontend/input_recording.h"
#include "frontend/rewind_ring.h"
#include "frontend/run_loop.h"
#include "machine/machine.h"
#include "peripherals/input.h"
#include "sound/mixer.h"

namespace {
constexpr uint32_t KEY_BACKSPACE = 0x0E, KEY_LALT = 0x38, KEY_RALT = 0xB8;
bool rewinding;
int passesToNextStep;
int ringInterval, ringSeconds;  // what the ring was allocated for

bool keyHeld() {
    uint32_t key = config.rewindKey & 0xFF;
    return hostKeyDown(int(key)) && (key != KEY_BACKSPACE || hostKeyDown(KEY_LALT) || hostKeyDown(KEY_RALT));
}

// The picture stays, the sound is silence: its wait for room paces the passes.
void silentPass() {
    std::memset(OutputBuffer, 0, sizeof OutputBuffer);
    frameToHost();
}
}  // namespace

const RewindKeyChoice REWIND_KEYS[4] = {
    {KEY_BACKSPACE, "Alt+Backspace"}, {0xC5, "Pause"}, {0x46, "Scroll Lock"}, {0xD2, "Insert"}};

void applyRewindSettings() {
    if (!config.rewind) {
        rewindStop();
        return;
    }
    int interval = std::clamp(int(config.rewindInterval), REWIND_MIN_INTERVAL, REWIND_MAX_INTERVAL);
    int seconds = std::clamp(int(config.rewindSeconds), REWIND_MIN_SECONDS, REWIND_MAX_SECONDS);
    if (rewindOn() && interval == ringInterval && seconds == ringSeconds) return;
    rewindStart(interval, seconds);
    ringInterval = interval;
    ringSeconds = seconds;
}

bool rewindKeyPass() {
    if (!rewindOn()) return false;
    if (!keyHeld()) {
        if (!rewinding) return false;
        // The frames shown while rewinding moved the machine on: back to the state.
        rewinding = false;
        long frame = 0;
        if (rewindReloadNewest(frame)) framesEmulated = frame;
        forgetHandedInput();
        return true;
    }
    if (!rewinding) {
        rewinding = true;
        passesToNextStep = 0;
    }
    if (passesToNextStep-- <= 0) {
        passesToNextStep = rewindInterval() - 1;
        if (rewindOneStep()) emulateFrame();
    }
    silentPass();
    return true;
}
