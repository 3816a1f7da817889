#pragma once
// Music recording into "Sound/song_%03d.ym" (YM6) or ".wav".
#include <cstdint>

bool recorderRunning();
// Hands the frame's 881 output samples to the running recorder.
void recorderRecordFrame(const int16_t* samples, int n);
