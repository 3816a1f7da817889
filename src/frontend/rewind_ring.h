#pragma once
// Rewind: while the machine runs, a state every N frames goes into a ring in memory, so
// that the user can step back in time. The newest state is kept whole; each older one
// as the difference from the state after it (the XOR of the 4 KB pages that differ,
// packed with LZO1X-1), which is small where little of the RAM changed. Everything the ring holds stays within REWIND_MEMORY_BOUND:
// when a new state does not fit, the oldest ones go. Its buffers are allocated when
// rewind is switched on (rewindStart), never while frames run.
#include <cstddef>
#include <cstdint>

constexpr size_t REWIND_MEMORY_BOUND = size_t(64) << 20;
// The settings' ranges.
constexpr int REWIND_MIN_INTERVAL = 1, REWIND_MAX_INTERVAL = 50;
constexpr int REWIND_MIN_SECONDS = 5, REWIND_MAX_SECONDS = 600;

// Allocates the ring for a state every `interval` frames, `seconds` of emulated time
// back (the settings' ranges), within `memoryBound` bytes, empty; replaces a ring
// already there.
void rewindStart(int interval, int seconds, size_t memoryBound = REWIND_MEMORY_BOUND);
// Frees the ring.
void rewindStop();
bool rewindOn();
int rewindInterval();
// Empties the ring, keeping its buffers.
void rewindClear();

// After each frame the machine completed; `frame` counts them (the number of frames
// run before the next one). Every interval-th frame the machine's state goes in.
void rewindFrameDone(long frame);
// Puts the machine back to the newest state it holds that lies before the present and
// gives that state's frame number; the states after it are gone. False when there is
// none.
bool rewindStepBack(long& frame);

// Loads the newest state again, after frames that were only shown (while rewinding).
bool rewindReloadNewest(long& frame);

// What the ring holds: states, and bytes in use of all its buffers.
int rewindStates();
size_t rewindBytesInUse();
// The bytes of all its buffers, allocated at rewindStart: never above its bound.
size_t rewindBytesAllocated();
