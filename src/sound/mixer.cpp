// The frame's mix: each source adds into 32-bit accumulators, one row a channel, then the
// optional low-pass and the clipping produce the 16-bit output.
#include "sound/mixer.h"

#include <algorithm>
#include <bit>
#include <initializer_list>

#include "bus/hardware_state.h"
#include "bus/machine_settings.h"
#include "bus/snapshot_section.h"
#include "bus/sound_logs.h"
#include "sound/dma_sound.h"
#include "sound/drive_sounds.h"
#include "sound/lmc1992.h"
#include "sound/microwire.h"
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

// ---- Snapshot section ---------------------------------------------------------------
namespace {
// The sound as it runs on from frame to frame, beside the chip registers of "SND!": the
// sound chip's generators, the low-pass history of each channel and the drive noise of
// the mix, the STE DMA sound engine with its register page, and the LMC1992 with the
// microwire transfer that feeds it. Files written before it existed lack it; they load,
// and the sound then runs on from where the machine that loads them stood.
//
// Version 1 knew one channel and kept the microwire's left and right volumes as
// multipliers of the DMA sound (256 before any volume command, else 128 x steps / 20):
// they become the LMC1992's volume steps, everything else of the chip flat.
struct SoundRunSection {
    uint32_t version = 2;
    YmGeneratorState ym;
    LowPassHistory lowPass[SOUND_CHANNELS];
    DriveSoundPlace drive;
    DmaSoundCarried dma;
    int32_t olderVolumes[2];  // left, right: version 1
    Lmc1992Carried lmc1992;
    uint32_t toneBits[2 * 6 * 2];  // each value of the tone history as two words, low first
    MicrowireCarried microwire;

    template <class S>
    void fields(S& s) {
        for (uint32_t& position : ym.tonePosition) s.num(position);
        s.num(ym.noisePosition);
        s.num(ym.noiseShift);
        s.num(ym.noiseOutput);
        s.num(ym.envelopePosition);
        s.num(ym.envelopePhase);
        s.num(ym.resetRequest);
        s.num(ym.shapeWritten);
        s.num(lowPass[0].last);
        s.num(lowPass[0].beforeLast);
        s.num(drive.sound);
        s.num(drive.position);
        s.num(dma.addressCounter);
        s.num(dma.frameStart);
        s.num(dma.frameEnd);
        s.num(dma.samplePeriod);
        if (version < 2) {
            s.num(olderVolumes[0]);
            s.num(olderVolumes[1]);
        }
        s.raw(dma.registers, sizeof dma.registers);
        if (version < 2) return;
        s.num(lowPass[1].last);
        s.num(lowPass[1].beforeLast);
        Lmc1992Settings& l = lmc1992.settings;
        for (int32_t* field : {&l.input, &l.bass, &l.treble, &l.masterVolume, &l.leftVolume, &l.rightVolume})
            s.num(*field);
        for (uint32_t& word : toneBits) s.num(word);
        s.num(lmc1992.lateCycle);
        s.num(lmc1992.lateCommand);
        s.num(microwire.transferStart);
        s.num(microwire.delivered);
    }
    bool acceptVersion() const { return true; }
    void capture() {
        ymSaveGenerators(ymChip, ym);
        for (int c = 0; c < SOUND_CHANNELS; ++c) lowPass[c] = lowPassHistory(c);
        drive = driveSoundPlace();
        dmaSoundSave(dma);
        lmc1992Save(lmc1992);
        for (int i = 0; i < 12; ++i) {
            uint64_t bits = std::bit_cast<uint64_t>(lmc1992.toneHistory[i / 6][i % 6]);
            toneBits[2 * i] = uint32_t(bits);
            toneBits[2 * i + 1] = uint32_t(bits >> 32);
        }
        microwire = microwireSave();
    }
    // After "SND!", whose register writes restart the envelope.
    void apply() const {
        ymRestoreGenerators(ymChip, ym);
        restoreLowPassHistory(0, lowPass[0]);
        restoreLowPassHistory(1, version < 2 ? lowPass[0] : lowPass[1]);
        resumeDriveSound(drive);
        dmaSoundRestore(dma);
        lmc1992Restore(version < 2 ? olderChip() : carriedChip());
        microwireRestore(version < 2 ? MicrowireCarried{-MICROWIRE_TRANSFER_CYCLES, false} : microwire);
    }
    Lmc1992Carried carriedChip() const {
        Lmc1992Carried chip = lmc1992;
        for (int i = 0; i < 12; ++i) {
            uint64_t bits = uint64_t(toneBits[2 * i + 1]) << 32 | toneBits[2 * i];
            chip.toneHistory[i / 6][i % 6] = std::bit_cast<double>(bits);
        }
        return chip;
    }
    Lmc1992Carried olderChip() const {
        auto step = [](int32_t volume) { return volume >= 128 ? 20 : volume <= 0 ? 0 : (volume * 20 + 64) / 128; };
        Lmc1992Carried chip{LMC1992_POWER_ON, {}, -1, 0};
        chip.settings.leftVolume = step(olderVolumes[0]);
        chip.settings.rightVolume = step(olderVolumes[1]);
        return chip;
    }
};
}  // namespace

SectionEntry soundRunSnapshotSection() { return sectionEntry<SoundRunSection>("SND2", ADDED_LATER); }
