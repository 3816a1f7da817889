#pragma once
// The sound device's 8192-byte ring of 16-bit mono samples at 44100 Hz (about 93 ms):
// the device plays from its play cursor while the frame end writes at the write offset.
// The arithmetic is platform-free so that any host device can share it.
#include <cstdint>

constexpr uint32_t AUDIO_RING_BYTES = 8192;

struct AudioRing {
    uint8_t bytes[AUDIO_RING_BYTES];
    uint32_t writeOffset;     // 0-8191
    uint32_t lastPlayCursor;  // the cursor at the previous samplesForFrame
    bool cursorSeen;          // a cursor was read since the last restart
};

// Silence, cursor and write offset at 0, no cursor seen yet.
void audioRingRestart(AudioRing& ring);
// Samples the play cursor advanced since the previous call (0 on the first call after a
// restart), counting a cursor that wrapped round the end.
uint32_t audioRingSamplesForFrame(AudioRing& ring, uint32_t playCursor);
// Samples that can be written before the write offset reaches the play cursor.
uint32_t audioRingFreeRoom(const AudioRing& ring, uint32_t playCursor);
// Copies `bytes` bytes (at most the ring's size) at the write offset, wrapping round
// the end, and advances the offset.
void audioRingWrite(AudioRing& ring, const void* data, uint32_t bytes);
