#pragma once
// The STE DMA sound engine, caught up lazily from its register log: whenever the
// processor reads one of its registers and at the frame's end.
#include <cstdint>

#include "bus/sound_logs.h"

struct IoRegisterTable;

// The STE's DMA sound page $FF8900, with the microwire interface in it.
void dmaSoundInstallRegisters(IoRegisterTable& t);

struct DmaSound {
    uint32_t addressCounter;  // ST address of the next sample byte
    uint32_t frameEnd;        // even ST address at which the frame ends
    uint32_t playingEnd;      // the frame end as it stood when the playing frame began
    uint32_t frameStart;
    uint32_t samplePeriod;  // processor cycles per sample
    uint32_t phase;         // cycles accumulated towards the next sample
    uint32_t position;      // the frame cycle up to which the engine has run
    SoundLogEntry* logRead;  // the head entry; null until the first per-frame reset
    bool logResetDone;      // the per-frame reset ran since the last frame end
};

constexpr int DMA_FRAME_SAMPLES = 1001;  // 160256 cycles at 160 cycles a sample

// A sample slot's output on the two channels: in stereo mode the two bytes of the pair,
// in mono mode the same byte on both.
struct StereoSample {
    int32_t left, right;
    friend bool operator==(const StereoSample&, const StereoSample&) = default;
};

struct DmaFrameSampleBuffer {
    StereoSample values[DMA_FRAME_SAMPLES];
    int count;
};

extern DmaSound dmaSound;
extern DmaFrameSampleBuffer DmaFrameSamples;

// What the engine carries from one frame to the next, kept by snapshots: the register
// page (control, mode, frame addresses, counter, microwire data and mask), the frame
// addresses and the counter as the engine holds them, and the sample period. The log,
// the engine's position within the frame and the frame's samples start afresh at every
// frame boundary, where snapshots are taken.
struct DmaSoundCarried {
    uint32_t addressCounter, frameStart, frameEnd, samplePeriod;
    uint8_t registers[256];
};
void dmaSoundSave(DmaSoundCarried& out);
// Between frames: the engine resumes as the per-frame reset leaves it. Values no engine
// produces (from a damaged file) are brought into range.
void dmaSoundRestore(const DmaSoundCarried& in);

void dmaSoundReset();       // machine reset and start-up
void dmaSoundFrameStart();  // per-frame reset, after the frame was mixed
void dmaSoundFrameEnd();    // runs the engine to cycle 160256
void DmaCatchUp(uint32_t cycle);
// The frame end line: high while a frame plays, low when playback stops; a frame that
// ends in repeat mode drops it and raises it again at once. On the STE it is MFP timer A's
// input and, through the monitor type, GPIP 7. The engine predicts where it next ends a
// frame (hw.dmaFrameEndDue), and the scheduler runs it there with this call (to `cycle`,
// the scheduler's position), so that the line moves at the frame end's own cycle.
void dmaSoundRunToFrameEnd(int32_t cycle);
// Adds the frame's samples to n slots of each channel, the nearest earlier sample for each.
void dmaSoundAddToMix(int32_t* left, int32_t* right, int n);
