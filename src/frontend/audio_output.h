#pragma once
// The sound device behind the operations the frame end uses: a 8192-byte ring of
// 16-bit mono samples at 44100 Hz whose free room paces the emulation. Without a
// device the samples go nowhere and nothing waits.
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
