// YM2149 synthesis replayed from a frame's log.
#include <gtest/gtest.h>

#include <algorithm>
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
};

bool allEqual(const std::vector<int32_t>& s, int32_t v) {
    return std::all_of(s.begin(), s.end(), [v](int32_t x) { return x == v; });
}

// The envelope levels that a channel playing the envelope as a DAC goes through, with
// repeated levels collapsed (the run must reach level 0, which anchors the levels).
std::vector<int> envelopeLevels(const std::vector<int32_t>& s) {
    int32_t lowest = *std::min_element(s.begin(), s.end());
    std::vector<int> levels;
    for (int32_t x : s) {
        int32_t volume = x - lowest + volumeTable[0];
        int level = int(std::find(volumeTable.begin(), volumeTable.end(), volume) - volumeTable.begin());
        if (levels.empty() || levels.back() != level) levels.push_back(level);
    }
    return levels;
}

// Levels from `from` to `to` by steps of 1, each end included, for every pair given.
std::vector<int> ramps(std::initializer_list<std::pair<int, int>> pairs) {
    std::vector<int> r;
    for (auto [from, to] : pairs)
        for (int l = from;; l += from < to ? 1 : -1) {
            r.push_back(l);
            if (l == to) break;
        }
    return r;
}

}  // namespace

TEST(Ym2149, ShortTonePeriodsHoldTheOutputHighSoVolumeWritesPlaySamples) {
    Chip c;
    c.write(7, 0x3E);  // tone A only
    c.write(8, 15);
    for (uint32_t period = 0; period <= 5; ++period) {
        c.write(0, period);
        c.write(1, 0);
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
    c.write(0, 0);  // channel A as a DAC
    c.write(7, 0x3E);
    c.write(8, 15);
    auto s = c.frame(FrameLog{}.write(80000, 8, 0), 441);
    EXPECT_EQ(c.ym.sampleStep, uint32_t(881.0 / 441 * c.ym.cyclesPerSample));
    EXPECT_NE(s[219], s[220]);  // the same write lands half as many samples in
    EXPECT_EQ(s[220], s[440]);
}

TEST(Ym2149, EmptyLogRunsOnFromUnchangedState) {
    Chip c;
    EXPECT_TRUE(allEqual(c.frame(), 0));  // after reset every channel is off: constant
    c.write(0, 0x1C);  // 441 Hz on channel A
    c.write(1, 1);
    c.write(7, 0x3E);
    c.write(8, 12);
    auto first = c.frame();
    auto second = c.frame();
    EXPECT_FALSE(allEqual(first, first[0]));
    EXPECT_NE(first, second);  // the tone's phase ran on across the frame boundary
}

TEST(Ym2149, ToneFrequencyIsChipClockOver16Periods) {
    Chip c;
    const uint32_t period = 284;  // 2005312 / (16 x 284) = 441.3 Hz
    c.write(0, period & 0xFF);
    c.write(1, period >> 8);
    c.write(7, 0x3E);
    c.write(8, 15);
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

TEST(Ym2149, EnvelopeShapes) {
    auto levelsOf = [](uint32_t shape) {
        Chip c;
        c.write(7, 0x3E);
        c.write(0, 0);  // channel A as a DAC of the envelope level
        c.write(8, 0x10);
        c.write(11, 100);  // 35 samples a level: a phase in 1126 samples
        c.write(12, 0);
        c.write(13, shape);
        return envelopeLevels(c.frame(4000));
    };
    // 10: falling and rising ramps in turn.
    auto levels10 = levelsOf(10);
    auto expected10 = ramps({{15, 0}, {1, 15}, {14, 0}, {1, 15}, {14, 2}});
    ASSERT_GE(levels10.size(), expected10.size());
    EXPECT_EQ(std::vector<int>(levels10.begin(), levels10.begin() + long(expected10.size())), expected10);
    // 11: falls once, then holds 15.
    EXPECT_EQ(levelsOf(11), ramps({{15, 0}, {15, 15}}));
    // 0: falls once, then holds 0.
    EXPECT_EQ(levelsOf(0), ramps({{15, 0}}));
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
    for (uint32_t period : {0u, 1u, 2u}) {
        Chip c;
        c.write(7, 0x37);  // noise A only
        c.write(8, 15);
        c.write(6, period);
        EXPECT_TRUE(allEqual(c.frame(), 0)) << "period " << period;
        EXPECT_EQ(c.ym.noiseOutput, 0xFFFFu);
    }
    Chip c;
    c.write(7, 0x37);
    c.write(8, 15);
    c.write(6, 3);
    auto s = c.frame();
    EXPECT_FALSE(allEqual(s, s[0]));
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

TEST(Ym2149, SnapshotRegistersRebuildTheGenerators) {
    Chip a, b;
    const uint8_t values[YM_REGISTERS] = {0x34, 0x1F, 0x56, 0x02, 0x03, 0x00, 0x2A, 0xC0, 0x1F, 0x0F, 0x08, 0x20, 0x01, 0x0E};
    ymApplyRegisters(a.ym, values);
    uint8_t saved[YM_REGISTERS];
    ymSaveRegisters(a.ym, saved);
    EXPECT_EQ(saved[1], 0x0F);  // stored masked
    EXPECT_EQ(saved[6], 0x0A);
    ymApplyRegisters(b.ym, saved);
    EXPECT_EQ(b.frame(), a.frame());
    EXPECT_EQ(b.ym.toneStep[1], a.ym.toneStep[1]);
    EXPECT_EQ(b.ym.envelopeStep, a.ym.envelopeStep);
}
