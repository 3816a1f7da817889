#pragma once
// The frame's end hands what the frame produced to whoever shows and records it (the
// front end's consumer), at the points of the frame end where each is ready: the notices
// the machine's parts posted (bus/notices.h), the picture to draw things over, the sound
// for a running recording, and the end itself, once the picture (video/picture.h) and the
// samples (OutputBuffer, lastSampleCount: sound/mixer.h) are complete. Without a sink the
// notices are dropped and nothing is recorded or drawn over the picture.
#include <cstdint>

#include "bus/notices.h"

struct FrameSink {
    // First: the texts posted during the frame, oldest first.
    void (*notices)(const Notice* notices, int count);
    // When the profile figures or the sound's trace are on, the picture is drawn at the
    // frame's end for things to be drawn over it: from its first row (one row down for
    // the second field of an interlaced picture), the pitch in pixels. The samples in
    // OutputBuffer are still the previous frame's.
    void (*drawOver)(uint16_t* picture, int pitchPixels);
    // Whether a recording takes this frame's sound: it gets exactly FRAME_SOUND_SAMPLES,
    // mixed before the samples the front end asked for, and says whether it goes on.
    bool (*recording)();
    void (*recordSound)(const int16_t* samples, int count);
    // Last, before the next frame begins: the frame's output is complete.
    void (*ended)();
};

// Null: no sink.
void setFrameSink(const FrameSink* sink);
