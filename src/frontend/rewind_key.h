#pragma once
// Rewinding in the window: while the user holds the rewind key, time runs backwards at
// real speed, one state of the ring every N frames of real time, each shown with the
// frame that follows it and no sound; on release the machine resumes from the state
// last shown. The ring follows the settings (config.h: bRewind, RewindInterval,
// RewindSeconds, RewindKey).
#include <cstdint>

// The keys the options page offers: Backspace (with Alt), Pause, Scroll Lock, Insert.
struct RewindKeyChoice {
    uint32_t code;
    const char* name;
};
extern const RewindKeyChoice REWIND_KEYS[4];

// Allocates, resizes or frees the ring as the settings now say.
void applyRewindSettings();
// Once per pass of the running machine, after the host keyboard was read: true when the
// pass rewound (or resumed from rewinding) and no frame is to run.
bool rewindKeyPass();
