#pragma once
// One frame of sound in two channels: the YM2149, the drive noises and the DMA sound,
// through the STE's LMC1992, filtered and clipped.
#include <cstdint>

constexpr int FRAME_SOUND_SAMPLES = 881;  // 44100 Hz over one 50 Hz frame, rounded down
constexpr int MIX_BUFFER_SAMPLES = 2048;
constexpr int OUTPUT_BUFFER_SAMPLES = 4096;
constexpr int SOUND_CHANNELS = 2;  // left, right
constexpr int SOUND_SAMPLE_BYTES = SOUND_CHANNELS * 2;  // one 16-bit stereo sample
// The accumulators of each channel, left then right.
extern int32_t MixBuffer[SOUND_CHANNELS][MIX_BUFFER_SAMPLES];
// The frame's samples, left and right interleaved: 16-bit stereo at 44100 Hz.
extern int16_t OutputBuffer[SOUND_CHANNELS * OUTPUT_BUFFER_SAMPLES];
extern int lastSampleCount;  // the stereo samples of the frame that ended last, in OutputBuffer

// How many samples each frame end makes: 881, or what a front end paced by the display
// asks for (its sound device's room). Outside 1-4096 a frame makes none.
void setFrameSoundRequest(int n);
int frameSoundRequest();

// Mixes n stereo samples (1-4096) into OutputBuffer. Counts above the mix buffer are
// clamped: the frame is mixed as 2048 samples and the rest of the n output samples hold
// the last.
void MixFrame(int n);

// The low-pass filter's memory of the previous frame in each channel: its last and
// second-to-last input. Snapshots keep it, so that a resumed machine filters on as it
// would have.
struct LowPassHistory {
    int32_t last, beforeLast;
};
LowPassHistory lowPassHistory(int channel);
void restoreLowPassHistory(int channel, const LowPassHistory& history);

// Oscilloscope of the last frame's samples (both channels together) over the picture
// (R5G6B5, pitch in bytes).
void drawSoundOutput(uint8_t* pixels, int pitch, int sampleCount);

// Snapshots: the sound as it runs on from frame to frame ("SND2").
struct SectionEntry;
SectionEntry soundRunSnapshotSection();
