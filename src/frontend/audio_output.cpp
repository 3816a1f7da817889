// The sound device the frame end writes to. Without one (headless runs, tests, or a
// device that failed to start) every frame has 881 samples and they go nowhere.
#include "frontend/audio_output.h"

#include "media/recorder.h"
#include "sound/mixer.h"

static const AudioBackend* backend;

void setAudioBackend(const AudioBackend* b) { backend = b; }

int audioSamplesForFrame() { return backend ? backend->samplesForFrame() : FRAME_SOUND_SAMPLES; }

void audioWriteFrame(const int16_t* samples, int bytes, bool wait) {
    if (backend) backend->writeFrame(samples, bytes, wait);
}

void audioStop() {
    if (backend) backend->stop();
}

void audioRestart() {
    if (backend) backend->restart();
}

// At program end a recording still open is finished and saved.
void audioRelease() {
    if (backend) backend->release();
    backend = nullptr;
    if (recorderRunning()) recorderStop();
}
