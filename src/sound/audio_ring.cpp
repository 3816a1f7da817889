#include "sound/audio_ring.h"

#include <cstring>

void audioRingRestart(AudioRing& ring) {
    std::memset(ring.bytes, 0, AUDIO_RING_BYTES);
    ring.writeOffset = 0;
    ring.lastPlayCursor = 0;
    ring.cursorSeen = false;
}

uint32_t audioRingSamplesForFrame(AudioRing& ring, uint32_t playCursor) {
    uint32_t samples = 0;
    if (ring.cursorSeen)
        samples = (playCursor - ring.lastPlayCursor + (playCursor < ring.lastPlayCursor ? AUDIO_RING_BYTES : 0)) /
                  SOUND_SAMPLE_BYTES;
    ring.lastPlayCursor = playCursor;
    ring.cursorSeen = true;
    return samples;
}

// A write offset equal to the play cursor counts as a whole free ring.
uint32_t audioRingFreeRoom(const AudioRing& ring, uint32_t playCursor) {
    if (ring.writeOffset < playCursor) return (playCursor - ring.writeOffset) / SOUND_SAMPLE_BYTES;
    return (playCursor - ring.writeOffset + AUDIO_RING_BYTES) / SOUND_SAMPLE_BYTES;
}

void audioRingWrite(AudioRing& ring, const void* data, uint32_t bytes) {
    const uint8_t* from = static_cast<const uint8_t*>(data);
    uint32_t first = AUDIO_RING_BYTES - ring.writeOffset;
    if (first > bytes) first = bytes;
    std::memcpy(ring.bytes + ring.writeOffset, from, first);
    std::memcpy(ring.bytes, from + first, bytes - first);
    ring.writeOffset += bytes;
    if (ring.writeOffset >= AUDIO_RING_BYTES) ring.writeOffset -= AUDIO_RING_BYTES;
}
