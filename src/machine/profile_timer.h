#pragma once
// Frame-time figures: whole frame (T), graphics (G) and sound (S), averaged over 50 frames.
#include <cstdint>

struct ProfileTimer {
    uint32_t period;  // ticks between the last two starts
    uint32_t start;
    uint32_t stop;
    float average;  // milliseconds per frame over the last complete group of 50
    float sum;      // ticks of the current group
    int32_t count;
};

extern ProfileTimer profileTotal, profileGraphics, profileSound;

// Clears the three timers (the tick rate is fixed, so nothing needs measuring).
void calibrateProfileTimers();
void profileStart(ProfileTimer& t);
void profileStop(ProfileTimer& t);
