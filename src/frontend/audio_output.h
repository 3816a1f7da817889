#pragma once
// The sound device behind the operations the frame end uses: a ring of 4096 16-bit
// stereo samples at 44100 Hz whose free room paces the emulation. Without a device the
// samples go nowhere and nothing waits. Counts are stereo samples; `bytes` is 4 a sample.
#include <cstdint>

struct AudioBackend {
    int (*samplesForFrame)();
    void (*writeFrame)(const int16_t* samples, int bytes, bool wait);
    void (*stop)();
    void (*restart)();
    void (*release)();
};

void setAudioBackend(const AudioBackend* backend);  // null: no device

int audioSamplesForFrame();
void audioWriteFrame(const int16_t* samples, int bytes, bool wait);
void audioStop();
void audioRestart();
void audioRelease();
