// The frame's mix: each source adds into 32-bit accumulators, one row a channel, then the
// optional low-pass and the clipping produce the 16-bit output.
#include "sound/mixer.h"

#include <algorithm>

#include "bus/hardware_state.h"
#include "bus/machine_settings.h"
#include "bus/sound_logs.h"
#include "sound/dma_sound.h"
#include "sound/drive_sounds.h"
#include "sound/lmc1992.h"
#include "sound/ym2149.h"

int32_t MixBuffer[SOUND_CHANNELS][MIX_BUFFER_SAMPLES];
int16_t OutputBuffer[SOUND_CHANNELS * OUTPUT_BUFFER_SAMPLES];
int lastSampleCount;
static int soundRequest = FRAME_SOUND_SAMPLES;

void setFrameSoundRequest(int n) { soundRequest = n; }
int frameSoundRequest() { return soundRequest; }

// The last and second-to-last input of the previous frame, in each channel.
static LowPassHistory lowPassMemory[SOUND_CHANNELS];

// y[i] = (x[i] + 2 x[i-1] + x[i-2]) / 4, continuing across frames.
static void lowPass(int32_t* x, int n, LowPassHistory& h) {
    int32_t previous = h.last, beforePrevious = h.beforeLast;
    for (int i = 0; i < n; ++i) {
        int32_t input = x[i];
        x[i] = (input + 2 * previous + beforePrevious) >> 2;
        beforePrevious = previous;
        previous = input;
    }
    h = {previous, beforePrevious};
}

LowPassHistory lowPassHistory(int channel) { return lowPassMemory[channel]; }

// A frame's mix stays well inside 2^20 either way; history from a damaged file is held
// there so that the filter's sums cannot overflow.
void restoreLowPassHistory(int channel, const LowPassHistory& h) {
    constexpr int32_t REACH = 1 << 20;
    lowPassMemory[channel] = {std::clamp(h.last, -REACH, REACH), std::clamp(h.beforeLast, -REACH, REACH)};
}

// The YM2149 is mono and the STFM has no other source but the drive: both channels carry
// the same signal unless the STE's DMA sound plays in stereo or its LMC1992 sets them apart.
// The drive's noise is heard beside the machine, not through it: the LMC1992 leaves it.
void MixFrame(int n) {
    if (n < 1) return;
    n = std::min(n, OUTPUT_BUFFER_SAMPLES);
    int mixed = std::min(n, MIX_BUFFER_SAMPLES);
    int32_t* left = MixBuffer[0];
    int32_t* right = MixBuffer[1];
    bool lmc1992 = isSte();
    std::fill(left, left + mixed, 0);
    if (machineSettings.ymSound) ymSynthesiseFrame(ymChip, YmWriteLog, left, mixed);
    if (lmc1992) lmc1992SelectInput(left, mixed);
    std::copy(left, left + mixed, right);
    if (machineSettings.dacSound) dmaSoundAddToMix(left, right, mixed);
    if (lmc1992) lmc1992ToneAndVolume(left, right, mixed);
    if (machineSettings.diskSound && !machineSettings.fastDisk) driveSoundsAddToMix(left, right, mixed);
    if (machineSettings.lowPass)
        for (int c = 0; c < SOUND_CHANNELS; ++c) lowPass(MixBuffer[c], mixed, lowPassMemory[c]);
    int16_t* out = OutputBuffer;
    for (int i = 0; i < mixed; ++i, out += SOUND_CHANNELS) {
        out[0] = int16_t(std::clamp(left[i], -32768, 32767));
        out[1] = int16_t(std::clamp(right[i], -32768, 32767));
    }
    for (int i = mixed; i < n; ++i, out += SOUND_CHANNELS) {
        out[0] = out[-SOUND_CHANNELS];
        out[1] = out[1 - SOUND_CHANNELS];
    }
    lastSampleCount = n;
}
