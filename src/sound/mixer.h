#pragma once
// One frame of sound: YM2149, drive noises and DMA sound, filtered and clipped.
#include <cstdint>

constexpr int MIX_BUFFER_SAMPLES = 2048;
constexpr int OUTPUT_BUFFER_SAMPLES = 4096;
extern int32_t MixBuffer[MIX_BUFFER_SAMPLES];
extern int16_t OutputBuffer[OUTPUT_BUFFER_SAMPLES];
extern int lastSampleCount;

void MixFrame(int n);
// Oscilloscope of the last frame's samples over the picture.
void drawSoundOutput(uint8_t* pixels, int pitch, int sampleCount);
