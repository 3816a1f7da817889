// YM2149 synthesis: the frame's register writes are replayed at the output sample
// nearest to their cycle time, and the generators run as phase accumulators.
#include "sound/ym2149.h"
#include "bus/hardware_state.h"
#include "bus/snapshot_section.h"

#include <algorithm>
#include <cstring>

// The published output levels of the chip, each divided by 3 once here so that three
// channels at full level sum to 32766 and fit a 16-bit sample.
static constexpr std::array<uint16_t, 16> scaledVolumeTable() {
    constexpr uint16_t levels[16] = {62,   161,  265,  377,  580,  774,   1155,  1575,
                                     2260, 3088, 4570, 6233, 9330, 13187, 21220, 32767};
    std::array<uint16_t, 16> t{};
    for (int i = 0; i < 16; ++i) t[i] = uint16_t(levels[i] / 3);
    return t;
}
constexpr std::array<uint16_t, 16> volumeTable = scaledVolumeTable();

// Each envelope shape as four segments (start, end) of 16 levels: segments 1-2 play
// once after a shape write, segments 3-4 repeat for ever.
struct EnvelopeSegment {
    uint8_t start, end;
};
static constexpr EnvelopeSegment DOWN{1, 0}, UP{0, 1}, LOW{0, 0}, HIGH{1, 1};
static constexpr EnvelopeSegment envelopeShapes[16][4] = {
    {DOWN, LOW, LOW, LOW},    {DOWN, LOW, LOW, LOW},  {DOWN, LOW, LOW, LOW},  {DOWN, LOW, LOW, LOW},     // 0-3
    {UP, LOW, LOW, LOW},      {UP, LOW, LOW, LOW},    {UP, LOW, LOW, LOW},    {UP, LOW, LOW, LOW},       // 4-7
    {DOWN, DOWN, DOWN, DOWN}, {DOWN, LOW, LOW, LOW},  {DOWN, UP, DOWN, UP},   {DOWN, HIGH, HIGH, HIGH},  // 8-11
    {UP, UP, UP, UP},         {UP, HIGH, HIGH, HIGH}, {UP, DOWN, UP, DOWN},   {UP, LOW, LOW, LOW},       // 12-15
};

Ym2149 ymChip;
void ymPowerOn() { ymConstruct(ymChip, YM_MASTER_CLOCK, YM_CLOCK_DIVIDER, YM_REPLAY_RATE); }
[[maybe_unused]] static const bool ymChipBuilt = (ymPowerOn(), true);

enum : uint32_t {
    FINE_A, COARSE_A, FINE_B, COARSE_B, FINE_C, COARSE_C, NOISE_PERIOD, MIXER,
    VOLUME_A, VOLUME_B, VOLUME_C, ENVELOPE_FINE, ENVELOPE_COARSE, ENVELOPE_SHAPE
};

// A step is computed in double precision and truncated; its low 32 bits are kept.
static uint32_t truncatedStep(double step) { return uint32_t(int64_t(step)); }

// The tone output toggles every 2^31 of position: frequency chipClock / (16 p). Periods
// up to 5 are held (the output stays high, the channel acts as a volume DAC).
static uint32_t toneStep(const Ym2149& c, int channel) {
    uint32_t period = (c.registers[2 * channel + 1] & 15) * 256 + c.registers[2 * channel];
    if (period <= 5) return 0;
    return truncatedStep(double(c.chipClock) / (double(c.replayRate) * period * 8) * 2147483648.0);
}

// The shift register steps each time the position passes a multiple of 65536.
static uint32_t noiseStep(const Ym2149& c) {
    uint32_t period = c.registers[NOISE_PERIOD] & 31;
    if (period < 3) return 0;
    return truncatedStep(double(c.chipClock) / (double(c.replayRate) * period * 8) * 32768.0);
}

// A full turn of the position covers the 32 levels of one phase.
static uint32_t envelopeStep(const Ym2149& c) {
    uint32_t period = c.registers[ENVELOPE_COARSE] * 256 + c.registers[ENVELOPE_FINE];
    if (period == 0) return 0;
    return truncatedStep(double(c.chipClock) / (double(period) * c.replayRate * 512) * 4294967296.0);
}

static void buildEnvelopeTable(Ym2149& c) {
    for (int shape = 0; shape < 16; ++shape)
        for (int segment = 0; segment < 4; ++segment) {
            const EnvelopeSegment& s = envelopeShapes[shape][segment];
            for (int j = 0; j < 16; ++j)
                c.envelopeTable[shape * 64 + segment * 16 + j] = uint8_t(s.start * 15 + j * (s.end - s.start));
        }
}

void ymConstruct(Ym2149& c, uint32_t masterClock, uint32_t divider, uint32_t replayRate) {
    c.cyclesPerSample = masterClock * 4096.0 / replayRate;
    c.sampleStep = uint32_t(c.cyclesPerSample);
    buildEnvelopeTable(c);
    c.chipClock = masterClock / divider;
    c.replayRate = replayRate;
    c.timeInSample = 0;
    for (int ch = 0; ch < 3; ++ch) c.volumeSource[ch] = &c.fixedVolume[ch];
    ymReset(c);
}

void ymReset(Ym2149& c) {
    ymWriteRegister(c, MIXER, 0x7F);
    for (int ch = 0; ch < 3; ++ch) {
        c.registers[VOLUME_A + ch] = 0;
        c.fixedVolume[ch] = volumeTable[0];
        c.volumeSource[ch] = &c.fixedVolume[ch];
    }
    c.noiseShift = 1;
    c.noiseOutput = 0xFFFF;
    c.resetRequest = false;
}

void ymRequestReset() { ymChip.resetRequest = true; }

void ymWriteRegister(Ym2149& c, uint32_t reg, uint32_t v) {
    switch (reg) {
    case FINE_A: case FINE_B: case FINE_C:
    case COARSE_A: case COARSE_B: case COARSE_C: {
        int channel = int(reg / 2);
        c.registers[reg] = v & (reg & 1 ? 0x0F : 0xFF);
        c.toneStep[channel] = toneStep(c, channel);
        if (c.toneStep[channel] == 0) c.tonePosition[channel] = 0x80000000;
        break;
    }
    case NOISE_PERIOD:
        c.registers[reg] = v & 0x1F;
        c.noiseStep = noiseStep(c);
        if (c.noiseStep == 0) {
            c.noisePosition = 0;
            c.noiseOutput = 0xFFFF;
        }
        break;
    case MIXER:
        c.registers[reg] = v & 0xFF;
        for (int ch = 0; ch < 3; ++ch) {
            c.toneOff[ch] = v >> ch & 1 ? 0xFFFF : 0;
            c.noiseOff[ch] = v >> (ch + 3) & 1 ? 0xFFFF : 0;
        }
        break;
    case VOLUME_A: case VOLUME_B: case VOLUME_C: {
        int channel = int(reg - VOLUME_A);
        c.registers[reg] = v & 0x1F;
        c.fixedVolume[channel] = volumeTable[v & 15];
        c.volumeSource[channel] = v & 0x10 ? &c.envelopeVolume : &c.fixedVolume[channel];
        break;
    }
    case ENVELOPE_FINE: case ENVELOPE_COARSE:
        c.registers[reg] = v & 0xFF;
        c.envelopeStep = envelopeStep(c);
        break;
    case ENVELOPE_SHAPE:
        c.registers[reg] = v & 0x0F;
        c.envelopeShape = v & 0x0F;
        c.envelopePosition = 0;
        c.envelopePhase = 0;
        c.shapeWritten = true;
        break;
    default:
        break;
    }
}

// One step of the 17-bit noise register; the value to XOR into the noise output.
static uint32_t noiseShiftStep(uint32_t& shift) {
    uint32_t bit = (shift ^ shift >> 2) & 1;
    shift = shift >> 1 | bit << 16;
    return bit ? 0 : 0xFFFF;
}

// Samples without a register write among them, in passes over a run of them: the noise
// output and the envelope level of each sample, then each channel's tone and volume added
// to the sum, then the samples. Each pass keeps its few values in registers, and the
// channel passes need nothing from one sample to work out the next.
constexpr int RUN_SAMPLES = 256;

static void produceRun(Ym2149& c, int32_t* out, int k, int32_t& minSample, int32_t& maxSample) {
    uint32_t noise[RUN_SAMPLES], level[RUN_SAMPLES], sum[RUN_SAMPLES];
    uint32_t noisePosition = c.noisePosition, noiseShift = c.noiseShift, noiseOutput = c.noiseOutput;
    uint32_t envelopePosition = c.envelopePosition, envelopePhase = c.envelopePhase;
    const uint32_t noiseStep = c.noiseStep, envelopeStep = c.envelopeStep;
    const uint8_t* envelope = c.envelopeTable + c.envelopeShape * 64;
    for (int i = 0; i < k; ++i) {
        if (noisePosition >= 0x10000) {
            noiseOutput ^= noiseShiftStep(noiseShift);
            noisePosition &= 0xFFFF;
        }
        noise[i] = noiseOutput;
        level[i] = volumeTable[envelope[envelopePhase * 32 + (envelopePosition >> 27)]];
        noisePosition += noiseStep;
        envelopePosition += envelopeStep;
        if (envelopePhase == 0 && envelopePosition < envelopeStep) envelopePhase = 1;
        sum[i] = 0;
    }
    c.noisePosition = noisePosition;
    c.noiseShift = noiseShift;
    c.noiseOutput = noiseOutput;
    c.envelopePosition = envelopePosition;
    c.envelopePhase = envelopePhase;
    c.envelopeVolume = level[k - 1];
    for (int ch = 0; ch < 3; ++ch) {
        const uint32_t tone = c.tonePosition[ch], step = c.toneStep[ch];
        const uint32_t toneOff = c.toneOff[ch], noiseOff = c.noiseOff[ch], fixed = c.fixedVolume[ch];
        auto gate = [&](int i) {
            uint32_t toneBit = uint32_t(int32_t(tone + uint32_t(i) * step) >> 31);
            return (toneBit | toneOff) & (noiseOff | noise[i]);
        };
        if (c.volumeSource[ch] == &c.envelopeVolume)
            for (int i = 0; i < k; ++i) sum[i] += gate(i) & level[i];
        else
            for (int i = 0; i < k; ++i) sum[i] += gate(i) & fixed;
        c.tonePosition[ch] = tone + uint32_t(k) * step;
    }
    for (int i = 0; i < k; ++i) {
        int32_t sample = int32_t(sum[i]) - 32768;
        minSample = std::min(minSample, sample);
        maxSample = std::max(maxSample, sample);
        out[i] = sample;
    }
}

static void produceSamples(Ym2149& c, int32_t* out, int k, int32_t& minSample, int32_t& maxSample) {
    for (int done = 0; done < k; done += RUN_SAMPLES)
        produceRun(c, out + done, std::min(RUN_SAMPLES, k - done), minSample, maxSample);
}

void ymSynthesiseFrame(Ym2149& c, const SoundLogEntry* log, int32_t* mix, int n) {
    // The frame's samples always span the cycles of 881 samples, whatever n is.
    constexpr int FRAME_SAMPLES = 881;
    c.sampleStep = n == FRAME_SAMPLES ? uint32_t(c.cyclesPerSample)
                                      : uint32_t(double(FRAME_SAMPLES) / n * c.cyclesPerSample);
    if (c.timeInSample >= c.sampleStep) c.timeInSample = 0;
    int32_t minSample = 32767, maxSample = -32768;
    const SoundLogEntry* entry = log;
    uint32_t t = entry->delta << 12;  // the end marker becomes later than any sample
    for (int i = 0; i < n;) {
        uint32_t due = c.sampleStep - c.timeInSample;
        if (due <= t) {
            // The first sample comes after `due`, the next ones a sample step apart, as
            // long as the time up to the next write lasts.
            int k = int(std::min<uint32_t>(uint32_t(n - i), 1 + (t - due) / std::max(c.sampleStep, 1u)));
            produceSamples(c, mix + i, k, minSample, maxSample);
            i += k;
            t -= due + uint32_t(k - 1) * c.sampleStep;
            c.timeInSample = 0;
        } else {
            ymWriteRegister(c, entry->kind, entry->value);
            c.timeInSample += t;
            ++entry;
            t = entry->delta << 12;
        }
    }
    c.minSample = minSample;
    c.maxSample = maxSample;
    int32_t centre = (minSample + maxSample) >> 1;
    for (int i = 0; i < n; ++i) mix[i] -= centre;
    if (c.resetRequest) ymReset(c);
}

bool ymReadRegisters(Ym2149& c, uint8_t out[YM_REGISTERS]) {
    ymSaveRegisters(c, out);
    bool written = c.shapeWritten;
    c.shapeWritten = false;
    return written;
}

void ymSaveRegisters(const Ym2149& c, uint8_t out[YM_REGISTERS]) {
    for (int r = 0; r < YM_REGISTERS; ++r) out[r] = uint8_t(c.registers[r]);
}

void ymApplyRegisters(Ym2149& c, const uint8_t in[YM_REGISTERS]) {
    for (int r = 0; r < YM_REGISTERS; ++r) ymWriteRegister(c, uint32_t(r), in[r]);
}

void ymSaveGenerators(const Ym2149& c, YmGeneratorState& s) {
    for (int ch = 0; ch < 3; ++ch) s.tonePosition[ch] = c.tonePosition[ch];
    s.noisePosition = c.noisePosition;
    s.noiseShift = c.noiseShift;
    s.noiseOutput = c.noiseOutput;
    s.envelopePosition = c.envelopePosition;
    s.envelopePhase = c.envelopePhase;
    s.resetRequest = c.resetRequest;
    s.shapeWritten = c.shapeWritten;
}

void ymRestoreGenerators(Ym2149& c, const YmGeneratorState& s) {
    for (int ch = 0; ch < 3; ++ch) c.tonePosition[ch] = s.tonePosition[ch];
    c.noisePosition = s.noisePosition;
    c.noiseShift = s.noiseShift & 0x1FFFF;
    c.noiseOutput = s.noiseOutput ? 0xFFFF : 0;
    c.envelopePosition = s.envelopePosition;
    c.envelopePhase = s.envelopePhase ? 1 : 0;  // indexes the envelope table
    c.resetRequest = s.resetRequest != 0;
    c.shapeWritten = s.shapeWritten != 0;
}

// ---- Snapshot section ---------------------------------------------------------------
namespace {
// Version 2 adds what the processor reads back from the chip, which is not the
// synthesis registers: the register it selected last, and each register as written
// (bits the synthesis masks off, as bit 7 of the mixer, read back as written; the
// ports 14 and 15 included). A file of version 1 gives the image of registers 0-13 from
// the synthesis registers and leaves the selection as it stands.
struct SoundSection {
    uint32_t version = 2;
    uint8_t registers[YM_REGISTERS];
    uint32_t selected;
    uint8_t image[16];

    template <class S>
    void fields(S& s) {
        s.raw(registers, sizeof registers);
        if (version < 2) return;
        s.num(selected);
        s.raw(image, sizeof image);
    }
    bool acceptVersion() const { return true; }
    void capture() {
        ymSaveRegisters(ymChip, registers);
        selected = uint32_t(hw.ymSelectedRegister);
        std::memcpy(image, hw.ymRegisterImage, sizeof image);
    }
    void apply() const {
        ymApplyRegisters(ymChip, registers);
        if (version < 2) {
            std::memcpy(hw.ymRegisterImage, registers, sizeof registers);
            return;
        }
        hw.ymSelectedRegister = int32_t(selected & 0xFF);
        std::memcpy(hw.ymRegisterImage, image, sizeof image);
    }
};
}  // namespace

SectionEntry ymSnapshotSection() { return sectionEntry<SoundSection>("SND!"); }
