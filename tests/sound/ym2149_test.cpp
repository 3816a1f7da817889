// YM2149 synthesis replayed from a frame's log.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "sound/ym2149.h"

namespace {

// A frame's YmWriteLog built from absolute cycle positions.
struct FrameLog {
    std::vector<SoundLogEntry> entries;
    uint32_t last = 0;
    FrameLog& write(uint32_t cycle, uint32_t reg, uint32_t value) {
        entries.push_back({cycle - last, reg, value});
        last = cycle;
        return *this;
    }
    const SoundLogEntry* closed() {
        entries.push_back({YM_LOG_END, 0, 0});
        return entries.data();
    }
};

struct Chip {
    Ym2149 ym;
    Chip() { ymConstruct(ym, YM_MASTER_CLOCK, YM_CLOCK_DIVIDER, YM_REPLAY_RATE); }
    std::vector<int32_t> frame(FrameLog log, int n = 881) {
        std::vector<int32_t> out(static_cast<size_t>(n));
        ymSynthesiseFrame(ym, log.closed(), out.data(), n);
        return out;
    }
    std::vector<int32_t> frame(int n = 881) { return frame(FrameLog{}, n); }
    void write(uint32_t reg, uint32_t value) { ymWriteRegister(ym, reg, value); }
    // Channel A alone, its tone at `period` (below 6 the output holds high: a DAC).
    void toneA(uint32_t period, uint32_t volume) {
        write(0, period & 0xFF);
        write(1, period >> 8);
        write(7, 0x3E);
        write(8, volume);
    }
};

bool allEqual(const std::vector<int32_t>& s, int32_t v) {
    return std::all_of(s.begin(), s.end(), [v](int32_t x) { return x == v; });
}

// The envelope level of each sample of a channel that plays the envelope as a DAC (the
// run must reach level 0, which anchors the levels).
std::vector<int> envelopeLevels(const std::vector<int32_t>& s) {
    int32_t lowest = *std::min_element(s.begin(), s.end());
    std::vector<int> levels;
    for (int32_t x : s) {
        int32_t volume = x - lowest + volumeTable[0];
        levels.push_back(int(std::find(volumeTable.begin(), volumeTable.end(), volume) - volumeTable.begin()));
    }
    return levels;
}

}  // namespace

TEST(Ym2149, ShortTonePeriodsHoldTheOutputHighSoVolumeWritesPlaySamples) {
    Chip c;
    for (uint32_t period = 0; period <= 5; ++period) {
        c.toneA(period, 15);
        EXPECT_TRUE(allEqual(c.frame(), 0)) << "period " << period;  // constant, centred to 0
        EXPECT_EQ(c.ym.minSample, volumeTable[15] + 2 * volumeTable[0] - 32768);
    }
    // Volume changes mid-frame: a write at cycle 80000 reaches the samples after it.
    auto s = c.frame(FrameLog{}.write(80000, 8, 0));
    int32_t step = volumeTable[15] - volumeTable[0];
    EXPECT_EQ(s[438] - s[439], step);
    EXPECT_EQ(s[0], s[438]);
    EXPECT_EQ(s[439], s[880]);
}

TEST(Ym2149, HalfTheSamplesSpanTheSameFrameCycles) {
    Chip c;
    c.toneA(0, 15);
    auto s = c.frame(FrameLog{}.write(80000, 8, 0), 441);
    EXPECT_EQ(c.ym.sampleStep, uint32_t(881.0 / 441 * c.ym.cyclesPerSample));
    EXPECT_NE(s[219], s[220]);  // the same write lands half as many samples in
    EXPECT_EQ(s[220], s[440]);
}

TEST(Ym2149, EmptyLogRunsOnFromUnchangedState) {
    Chip c;
    EXPECT_TRUE(allEqual(c.frame(), 0));  // after reset every channel is off: constant
    c.toneA(0x11C, 12);  // 441 Hz
    auto first = c.frame();
    auto second = c.frame();
    EXPECT_FALSE(allEqual(first, first[0]));
    EXPECT_NE(first, second);  // the tone's phase ran on across the frame boundary
}

TEST(Ym2149, ToneFrequencyIsChipClockOver16Periods) {
    Chip c;
    const uint32_t period = 284;  // 2005312 / (16 x 284) = 441.3 Hz
    c.toneA(period, 15);
    int edges = 0;
    int32_t previous = 0;
    for (int f = 0; f < 50; ++f)
        for (int32_t x : c.frame()) {
            if (previous != 0 && (x > 0) != (previous > 0)) ++edges;
            previous = x;
        }
    double hz = edges / 2.0 / (50 * 881 / 44100.0);
    EXPECT_NEAR(hz, 2005312.0 / (16 * period), 2.5);
}

// Each shape as the chip's documentation draws it, one character a ramp of 16 levels:
// '\' falls 15 to 0, '/' rises 0 to 15, '_' holds 0, '^' holds 15. The first two play once
// after the shape is written, the last two repeat for ever.
TEST(Ym2149, EnvelopeShapesPlayAsDrawn) {
    const std::pair<uint32_t, const char*> shapes[16] = {
        {0, R"(\___)"}, {1, R"(\___)"}, {2, R"(\___)"}, {3, R"(\___)"},
        {4, "/___"},    {5, "/___"},    {6, "/___"},    {7, "/___"},
        {8, R"(\\\\)"}, {9, R"(\___)"}, {10, R"(\/\/)"}, {11, R"(\^^^)"},
        {12, "////"},   {13, "/^^^"},   {14, R"(/\/\)"}, {15, "/___"},
    };
    for (auto [shape, drawing] : shapes) {
        // The first pass, then the repeating part twice: 96 levels.
        std::string ramps = std::string(drawing) + std::string(drawing + 2);
        std::vector<int> expected;
        for (char ramp : ramps)
            for (int j = 0; j < 16; ++j)
                expected.push_back(ramp == '\\' ? 15 - j : ramp == '/' ? j : ramp == '^' ? 15 : 0);
        Chip c;
        c.toneA(0, 0x10);  // channel A as a DAC of the envelope level
        c.write(11, 100);  // 35.2 samples a level
        c.write(12, 0);
        c.write(13, shape);
        auto levels = envelopeLevels(c.frame(3500));
        // Each level read in the middle of its samples.
        double samplesPerLevel = double(1u << 27) / c.ym.envelopeStep;
        std::vector<int> played;
        for (size_t k = 0; k < expected.size(); ++k) played.push_back(levels[size_t((k + 0.5) * samplesPerLevel)]);
        EXPECT_EQ(played, expected) << "shape " << shape << " " << drawing;
    }
}

TEST(Ym2149, WritingTheSameShapeRestartsTheEnvelope) {
    Chip c;
    c.write(12, 0x10);  // a slow envelope: a phase lasts 52 frames
    c.write(13, 10);
    uint8_t registers[YM_REGISTERS];
    EXPECT_TRUE(ymReadRegisters(c.ym, registers));
    EXPECT_FALSE(ymReadRegisters(c.ym, registers));  // the read cleared the flag
    c.frame();
    c.frame(FrameLog{}.write(160250, 13, 10));  // after the frame's last sample: never applied
    EXPECT_FALSE(ymReadRegisters(c.ym, registers));
    EXPECT_EQ(c.ym.envelopePosition, 2 * 881 * c.ym.envelopeStep);
    c.frame(FrameLog{}.write(1000, 13, 10));  // after the frame's first 5 samples
    EXPECT_TRUE(ymReadRegisters(c.ym, registers));
    EXPECT_EQ(registers[13], 10);
    EXPECT_EQ(c.ym.envelopePosition, 876 * c.ym.envelopeStep);
    EXPECT_EQ(c.ym.envelopePhase, 0u);
}

TEST(Ym2149, AllChannelsOpenAtFullVolumeGiveMinus2ThenCentredZero) {
    Chip c;
    c.write(7, 0x3F);  // tones and noises off: every gate open
    for (uint32_t r = 8; r <= 10; ++r) c.write(r, 15);
    auto s = c.frame();
    EXPECT_EQ(c.ym.minSample, -2);
    EXPECT_EQ(c.ym.maxSample, -2);
    EXPECT_TRUE(allEqual(s, 0));
}

TEST(Ym2149, PortRegistersLeaveTheSynthesisUnchanged) {
    Chip a, b;
    for (Chip* c : {&a, &b}) {
        c->write(0, 0x40);
        c->write(7, 0x36);
        c->write(6, 7);
        c->write(8, 13);
    }
    auto plain = a.frame(FrameLog{}.write(5000, 9, 15));
    auto withPorts = b.frame(FrameLog{}.write(100, 14, 0xFF).write(5000, 9, 15).write(6000, 15, 0x12).write(7000, 200, 3));
    EXPECT_EQ(plain, withPorts);
}

TEST(Ym2149, NoisePeriodsBelow3HoldTheNoiseHigh) {
    for (uint32_t period : {0u, 1u, 2u, 3u}) {
        Chip c;
        c.write(7, 0x37);  // noise A only
        c.write(8, 15);
        c.write(6, period);
        EXPECT_EQ(allEqual(c.frame(), 0), period < 3) << "period " << period;
        EXPECT_TRUE(period == 3 || c.ym.noiseOutput == 0xFFFFu) << "held high";
    }
}

TEST(Ym2149, ResetRequestTakesEffectAfterTheFrame) {
    Chip c;
    c.write(0, 0x55);
    c.write(7, 0x00);
    c.write(9, 0x1F);
    c.ym.resetRequest = true;
    auto s = c.frame();
    EXPECT_FALSE(allEqual(s, s[0]));  // this frame still played
    EXPECT_FALSE(c.ym.resetRequest);
    EXPECT_EQ(c.ym.registers[7], 0x7Fu);
    EXPECT_EQ(c.ym.registers[9], 0u);
    EXPECT_EQ(c.ym.volumeSource[1], &c.ym.fixedVolume[1]);
    EXPECT_EQ(c.ym.registers[0], 0x55u);  // tone periods survive
}

// A chip resumed from its saved registers and generator state plays on exactly; the
// registers alone rebuild the periods but not where each generator stood.
TEST(Ym2149, SavedRegistersAndGeneratorsResumeTheChipSampleForSample) {
    // Tone on A, noise on B, the triangle envelope on C; values beyond the registers'
    // widths are stored masked.
    const uint8_t values[YM_REGISTERS] = {0x34, 0x1F, 0x56, 0x02, 0x03, 0x00, 0x2A, 0x2E, 0x0C, 0x0A, 0x10, 0x20, 0x01, 0x0E};
    Chip a;
    ymApplyRegisters(a.ym, values);
    for (int f = 0; f < 3; ++f) a.frame(FrameLog{}.write(90000, 6, 0x0B));
    uint8_t registers[YM_REGISTERS];
    YmGeneratorState generators;
    ymSaveRegisters(a.ym, registers);
    ymSaveGenerators(a.ym, generators);
    EXPECT_EQ(registers[1], 0x0F);
    EXPECT_EQ(registers[6], 0x0B);

    Chip b, registersOnly;
    for (Chip* c : {&b, &registersOnly}) {
        c->write(13, 8);  // a different past
        c->frame();
        ymApplyRegisters(c->ym, registers);
    }
    ymRestoreGenerators(b.ym, generators);
    EXPECT_EQ(b.ym.envelopeStep, a.ym.envelopeStep);
    EXPECT_EQ(b.ym.noiseStep, a.ym.noiseStep);
    for (int f = 0; f < 3; ++f) {
        auto next = a.frame();
        EXPECT_EQ(b.frame(), next) << "frame " << f;
        EXPECT_NE(registersOnly.frame(), next) << "frame " << f;
    }
}
