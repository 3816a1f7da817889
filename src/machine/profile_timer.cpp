#include "machine/profile_timer.h"

#include <chrono>

ProfileTimer profileTotal, profileGraphics, profileSound;

// Ticks are microseconds of the steady clock: exact, so no calibration against a wall
// clock is needed, and 32 bits hold over an hour between a start and its stop.
constexpr float TICKS_PER_MS = 1000.0f;
constexpr int FRAMES_PER_AVERAGE = 50;

static uint32_t readTicks() {
    using namespace std::chrono;
    return uint32_t(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

void calibrateProfileTimers() { profileTotal = profileGraphics = profileSound = ProfileTimer{}; }

void profileStart(ProfileTimer& t) {
    uint32_t now = readTicks();
    t.period = now - t.start;
    t.start = now;
}

void profileStop(ProfileTimer& t) {
    t.stop = readTicks();
    t.sum += float(t.stop - t.start);
    if (++t.count == FRAMES_PER_AVERAGE) {
        t.average = t.sum / (TICKS_PER_MS * FRAMES_PER_AVERAGE);
        t.sum = 0;
        t.count = 0;
    }
}
