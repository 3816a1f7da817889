#pragma once
// One frame of sound: YM2149, drive noises and DMA sound, filtered and clipped.
#include <cstdint>

constexpr int FRAME_SOUND_SAMPLES = 881;  // 44100 Hz over one 50 Hz frame, rounded down
constexpr int MIX_BUFFER_SAMPLES = 2048;
constexpr int OUTPUT_BUFFER_SAMPLES = 4096;
extern int32_t MixBuffer[MIX_BUFFER_SAMPLES];
extern int16_t OutputBuffer[OUTPUT_BUFFER_SAMPLES];
extern int lastSampleCount;  // the samples of the frame that ended last, in OutputBuffer

// How many samples each frame end makes: 881, or what a front end paced by the display
// asks for (its sound device's room). Outside 1-4096 a frame makes none.
void setFrameSoundRequest(int n);
int frameSoundRequest();

// Mixes n samples (1-4096) into OutputBuffer. Counts above the mix buffer are clamped:
// the frame is mixed as 2048 samples and the rest of the n output samples hold the last.
void MixFrame(int n);

// The low-pass filter's memory of the previous frame: its last and second-to-last input.
// Snapshots keep it, so that a resumed machine filters on as it would have.
struct LowPassHistory {
    int32_t last, beforeLast;
};
LowPassHistory lowPassHistory();
void restoreLowPassHistory(const LowPassHistory& history);

// Oscilloscope of the last frame's samples over the picture (R5G6B5, pitch in bytes).
void drawSoundOutput(uint8_t* pixels, int pitch, int sampleCount);
