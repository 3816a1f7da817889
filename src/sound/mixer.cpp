// The frame's mix: each source adds into 32-bit accumulators, then the optional low-pass
// and the clipping produce the 16-bit output.
#include "sound/mixer.h"

#include <algorithm>

#include "machine/machine_settings.h"
#include "sound/dma_sound.h"
#include "sound/drive_sounds.h"
#include "sound/sound_logs.h"
#include "sound/ym2149.h"

int32_t MixBuffer[MIX_BUFFER_SAMPLES];
int16_t OutputBuffer[OUTPUT_BUFFER_SAMPLES];
int lastSampleCount;
static int soundRequest = FRAME_SOUND_SAMPLES;

void setFrameSoundRequest(int n) { soundRequest = n; }
int frameSoundRequest() { return soundRequest; }

// The last and second-to-last input of the previous frame.
static int32_t lowPassLast, lowPassBeforeLast;

// y[i] = (x[i] + 2 x[i-1] + x[i-2]) / 4, continuing across frames.
static void lowPass(int32_t* x, int n) {
    int32_t previous = lowPassLast, beforePrevious = lowPassBeforeLast;
    for (int i = 0; i < n; ++i) {
        int32_t input = x[i];
        x[i] = (input + 2 * previous + beforePrevious) >> 2;
        beforePrevious = previous;
        previous = input;
    }
    lowPassLast = previous;
    lowPassBeforeLast = beforePrevious;
}

LowPassHistory lowPassHistory() { return {lowPassLast, lowPassBeforeLast}; }

// A frame's mix stays well inside 2^20 either way; history from a damaged file is held
// there so that the filter's sums cannot overflow.
void restoreLowPassHistory(const LowPassHistory& h) {
    constexpr int32_t REACH = 1 << 20;
    lowPassLast = std::clamp(h.last, -REACH, REACH);
    lowPassBeforeLast = std::clamp(h.beforeLast, -REACH, REACH);
}

void MixFrame(int n) {
    if (n < 1) return;
    n = std::min(n, OUTPUT_BUFFER_SAMPLES);
    int mixed = std::min(n, MIX_BUFFER_SAMPLES);
    std::fill(MixBuffer, MixBuffer + mixed, 0);
    if (machineSettings.ymSound) ymSynthesiseFrame(ymChip, YmWriteLog, MixBuffer, mixed);
    if (machineSettings.diskSound && !machineSettings.fastDisk) driveSoundsAddToMix(MixBuffer, mixed);
    if (machineSettings.dacSound) dmaSoundAddToMix(MixBuffer, mixed);
    if (machineSettings.lowPass) lowPass(MixBuffer, mixed);
    for (int i = 0; i < mixed; ++i) OutputBuffer[i] = int16_t(std::clamp(MixBuffer[i], -32768, 32767));
    std::fill(OutputBuffer + mixed, OutputBuffer + n, OutputBuffer[mixed - 1]);
    lastSampleCount = n;
}
