#pragma once
// The sound device's ring of 4096 16-bit stereo samples at 44100 Hz (16384 bytes, about
// 93 ms): the device plays from its play cursor while the frame end writes at the write
// offset. Cursors and offsets count bytes, always on a whole stereo sample; the counts
// the ring answers are stereo samples. The arithmetic is platform-free so that any host
// device can share it.
#include <cstdint>

#include "sound/mixer.h"

constexpr uint32_t AUDIO_RING_SAMPLES = 4096;
constexpr uint32_t AUDIO_RING_BYTES = AUDIO_RING_SAMPLES * SOUND_SAMPLE_BYTES;

struct AudioRing {
    uint8_t bytes[AUDIO_RING_BYTES];
    uint32_t writeOffset;     // 0-16380
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
