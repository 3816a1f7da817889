// MFP timers A and B counting and measuring their inputs: timer A's is the STE's DMA
// sound frame line (idle on the STFM), which also reaches GPIP 7; timer B's is the display
// enable. Each case runs the scheduler and lists where each interrupt was taken.
#include "scheduler_fixture.h"

#include <map>

namespace {

// Vectors with VR = $40.
constexpr int TIMER_A = 0x4D, TIMER_B = 0x48, GPIP7 = 0x4F, ACIA_OR_TAI_PULSE = 0x46, GPIP3_OR_TBI_PULSE = 0x43;
using Positions = std::map<int, std::vector<int32_t>>;  // vector -> positions taken

int32_t onGrid(int32_t cycle) { return (cycle + 3) & ~3; }  // where the processor is when it takes it

// Frames of n stereo samples at 160 cycles, played from cycle 1000: the first sample is
// fetched at 1120 (the sample grid runs from the frame's start), the frame ends with its
// last.
constexpr int32_t PLAY_AT = 1000;
int32_t frameEnd(int samples, int frames = 1) { return 1120 + 160 * (samples * frames - 1); }
// Frame ends first to last, after the start of playback when `withStart`.
std::vector<int32_t> frameEnds(int samples, int first, int last, bool withStart = false) {
    std::vector<int32_t> out;
    if (withStart) out.push_back(PLAY_AT);
    for (int n = first; n <= last; ++n) out.push_back(frameEnd(samples, n));
    return out;
}

void dmaWrite(int offset, uint8_t value, int32_t stamp) { ioWriteByte(0xFF8900 + offset, value, nullptr, stamp); }

class TimerInputs : public Scheduler {
protected:
    // Channels unmasked and enabled: bit n for channel n.
    static void enableChannels(uint16_t channels) {
        writeMfp(MFP_IERA, uint8_t(channels >> 8));
        writeMfp(MFP_IERB, uint8_t(channels));
        hw.mfp[MFP_IMRA] = uint8_t(channels >> 8);
        hw.mfp[MFP_IMRB] = uint8_t(channels);
    }
    // A frame of `samples` stereo samples from $10000, at cycle PLAY_AT.
    void play(int samples, uint8_t control) {
        runUntil(PLAY_AT);
        const uint32_t start = 0x10000, end = start + 2 * uint32_t(samples);
        const uint8_t bytes[] = {uint8_t(start >> 16), uint8_t(start >> 8), uint8_t(start),
                                 uint8_t(end >> 16),   uint8_t(end >> 8),   uint8_t(end)};
        for (int i = 0; i < 3; ++i) {
            dmaWrite(0x03 + 2 * i, bytes[i], PLAY_AT);
            dmaWrite(0x0F + 2 * i, bytes[3 + i], PLAY_AT);
        }
        dmaWrite(0x21, 3, PLAY_AT);  // stereo, 160 cycles a sample
        dmaWrite(0x01, control, PLAY_AT);
    }
    Positions takenUntil(int32_t end, std::initializer_list<int> vectors) {
        runUntil(end);
        Positions out;
        for (int v : vectors)
            if (!takenAt(v).empty()) out[v] = takenAt(v);
        return out;
    }
};

constexpr uint8_t SINGLE = 1, REPEAT = 3;
constexpr uint16_t CH_TIMER_A = 1 << 13, CH_GPIP7 = 1 << 15, CH_ACIA = 1 << 6;

TEST_F(TimerInputs, TheDmaSoundFrameLineDrivesTimerAAndGpip7OnTheSte) {
    const struct {
        const char* what;
        bool ste;
        int samples;
        uint8_t control, aer, tacr, tadr;
        uint16_t channels;
        Positions expected;
    } cases[] = {
        {"event count 1, each frame end of a repeated frame", true, 4, REPEAT, 0, 0x08, 1, CH_TIMER_A,
         {{TIMER_A, frameEnds(4, 1, 7)}}},
        {"event count 3: every third", true, 4, REPEAT, 0, 0x08, 3, CH_TIMER_A,
         {{TIMER_A, {frameEnd(4, 3), frameEnd(4, 6)}}}},
        {"event count 255", true, 1, REPEAT, 0, 0x08, 255, CH_TIMER_A,
         {{TIMER_A, {frameEnd(1, 255)}}}},
        {"a single frame ends once", true, 4, SINGLE, 0, 0x08, 1, CH_TIMER_A, {{TIMER_A, {frameEnd(4)}}}},
        // Rising edges: the start of playback too, and the line's return after each loop.
        {"rising edges, repeated", true, 4, REPEAT, 0x10, 0x08, 1, CH_TIMER_A,
         {{TIMER_A, frameEnds(4, 1, 7, true)}}},
        {"rising edges, single: the start only", true, 4, SINGLE, 0x10, 0x08, 1, CH_TIMER_A, {{TIMER_A, {PLAY_AT}}}},
        {"the STFM has no DMA sound: the line stays idle", false, 4, REPEAT, 0, 0x08, 1, CH_TIMER_A, {}},
        // Pulse width, active high: counting while a frame plays, the pulse's end on the
        // ACIA's channel; 256 ticks of prescale 4 are 3342 cycles of playing.
        {"pulse width over a single frame", true, 4, SINGLE, 0x10, 0x09, 0, CH_TIMER_A | CH_ACIA,
         {{ACIA_OR_TAI_PULSE, {frameEnd(4)}}}},
        {"pulse width over repeated frames", true, 4, REPEAT, 0x10, 0x09, 0, CH_TIMER_A | CH_ACIA,
         {{ACIA_OR_TAI_PULSE, frameEnds(4, 1, 7)}, {TIMER_A, {onGrid(PLAY_AT + 3342)}}}},
        // Active low: counting from the start (cycle 0) until playback, again after it.
        {"pulse width, active low", true, 4, SINGLE, 0, 0x09, 0, CH_TIMER_A | CH_ACIA,
         {{ACIA_OR_TAI_PULSE, {PLAY_AT}}, {TIMER_A, {onGrid(3342 + 600)}}}},
        // GPIP 7 reads colour (1) exclusive-or the line: it falls when playback starts and
        // at each loop's restart, and rises at every frame end.
        {"GPIP 7 falling edges, repeated", true, 4, REPEAT, 0, 0, 0, CH_GPIP7,
         {{GPIP7, frameEnds(4, 1, 7, true)}}},
        {"GPIP 7 rising edges, repeated", true, 4, REPEAT, 0x80, 0, 0, CH_GPIP7, {{GPIP7, frameEnds(4, 1, 7)}}},
        {"GPIP 7 rising edge, single", true, 4, SINGLE, 0x80, 0, 0, CH_GPIP7, {{GPIP7, {frameEnd(4)}}}},
        {"GPIP 7 on the STFM", false, 4, REPEAT, 0x80, 0, 0, CH_GPIP7, {}},
    };
    for (const auto& c : cases) {
        SetUp();
        hw.machineFlags = c.ste ? MACHINE_STE : 0;
        scheduler.hblCycle = scheduler.vblCycle = 2 * FRAME_CYCLES;
        enableChannels(0);  // the active edge set while nothing may interrupt
        writeMfp(MFP_AER, c.aer);
        enableChannels(c.channels);
        writeMfp(MFP_TADR, c.tadr);
        writeMfp(MFP_TACR, c.tacr);
        play(c.samples, c.control);
        int32_t end = c.samples == 1 ? frameEnd(1, 256) : 6000;
        EXPECT_EQ(takenUntil(end, {TIMER_A, GPIP7, ACIA_OR_TAI_PULSE}), c.expected) << c.what;
    }
}

TEST_F(TimerInputs, Gpip7ReadsTheLineAndAnActiveEdgeWriteIsAnEdge) {
    hw.machineFlags = MACHINE_STE;
    enableChannels(0);
    writeMfp(MFP_AER, 0x80);
    enableChannels(CH_GPIP7);
    EXPECT_EQ(ioReadByte(0xFFFA01, nullptr, 0) & 0x80, 0x80u);
    play(4, SINGLE);
    EXPECT_EQ(ioReadByte(0xFFFA01, nullptr, PLAY_AT) & 0x80, 0u) << "playing";
    runUntil(PLAY_AT + 8);
    writeMfp(MFP_AER, 0x00, PLAY_AT + 8);  // GPIP 7 is low: now at its active level
    runUntil(PLAY_AT + 16);
    writeMfp(MFP_AER, 0x80, PLAY_AT + 16);
    EXPECT_EQ(takenUntil(6000, {GPIP7}), (Positions{{GPIP7, {PLAY_AT + 8, frameEnd(4)}}}));
    EXPECT_EQ(ioReadByte(0xFFFA01, nullptr, 6000) & 0x80, 0x80u) << "stopped";
}

// Timer B's input, the display enable, rises 320 cycles before the line event that ends a
// displayed line and falls at it.
TEST_F(TimerInputs, TheDisplayEnableDrivesTimerB) {
    constexpr int FIRST = 334;
    auto line = [](int k, int frame = 0) { return lineEventPosition(FIRST, frame, k); };
    auto lines = [&](int first, int last, int32_t offset) {
        std::vector<int32_t> out;
        for (int k = first; k <= last; ++k) out.push_back(line(k) + offset);
        return out;
    };
    // Pulse width, active high: the period runs during the displayed part of each line.
    auto timeoutsWhileDisplayed = [&](int32_t period) {
        std::vector<int32_t> out;
        int32_t left = period;
        for (int k = 64; k <= 263; ++k) {
            int32_t into = 0;
            for (; DISPLAY_ENABLE_CYCLES - into >= left; left = period) {
                into += left;
                out.push_back(onGrid(line(k) - DISPLAY_ENABLE_CYCLES + into));
            }
            left -= DISPLAY_ENABLE_CYCLES - into;
        }
        return out;
    };
    const struct {
        const char* what;
        uint8_t aer, tbcr, tbdr;
        int frames;
        Positions expected;  // in the last frame run
    } cases[] = {
        {"falling edges: the end of every displayed line", 0, 0x08, 1, 1, {{TIMER_B, lines(64, 263, 0)}}},
        {"rising edges: their start", 0x08, 0x08, 1, 1, {{TIMER_B, lines(64, 263, -DISPLAY_ENABLE_CYCLES)}}},
        {"a count of 255 spans frames", 0, 0x08, 255, 2, {{TIMER_B, {line(64 + 54, 1)}}}},
        // 100 ticks of prescale 4; every line's end is a pulse end (GPIP 3's channel).
        {"pulse width while displayed", 0x08, 0x09, 100, 1,
         {{TIMER_B, timeoutsWhileDisplayed(1305)}, {GPIP3_OR_TBI_PULSE, lines(64, 263, 0)}}},
    };
    for (const auto& c : cases) {
        SetUp();
        scheduler.frameCounter = FIRST;
        enableChannels(1 << 8 | 1 << 3);
        writeMfp(MFP_AER, c.aer);
        writeMfp(MFP_TBDR, c.tbdr);
        writeMfp(MFP_TBCR, c.tbcr);
        runFrames(c.frames);
        Positions got;
        for (int v : {TIMER_B, GPIP3_OR_TBI_PULSE})
            if (!takenAt(v, c.frames - 1).empty()) got[v] = takenAt(v, c.frames - 1);
        EXPECT_EQ(got, c.expected) << c.what;
    }

    // Active low: timing from the start until the first displayed line begins, the end of
    // that pulse on GPIP 3's channel.
    SetUp();
    scheduler.frameCounter = FIRST;
    enableChannels(1 << 8 | 1 << 3);
    writeMfp(MFP_TBCR, 0x09);
    runUntil(line(64));
    EXPECT_EQ(takenAt(TIMER_B).size(), size_t((line(64) - DISPLAY_ENABLE_CYCLES) / 3342));
    EXPECT_EQ(takenAt(GPIP3_OR_TBI_PULSE), std::vector<int32_t>{line(64) - DISPLAY_ENABLE_CYCLES});
}

// Every timeout toggles the timer's output; a control write with bit 4 set forces it low
// without restarting a timer whose mode stays.
TEST_F(TimerInputs, TimeoutsToggleTheOutputsAndBit4ResetsThem) {
    writeMfp(MFP_TADR, 10);
    writeMfp(MFP_TACR, 0x01, 0);  // every 130 cycles
    runUntil(3 * 130 + 4);
    EXPECT_EQ(hw.timerOutputs, MFP_OUTPUT_TIMER_A);
    int32_t due = hw.timerA.due;
    writeMfp(MFP_TACR, 0x11, cpu.odometer);
    EXPECT_EQ(hw.timerOutputs, 0);
    EXPECT_EQ(hw.timerA.due, due);
    runUntil(4 * 130 + 4);
    EXPECT_EQ(hw.timerOutputs, MFP_OUTPUT_TIMER_A);
    writeMfp(MFP_TACR, 0x10, cpu.odometer);  // stopped, and low
    EXPECT_EQ(hw.timerOutputs, 0);

    scheduler.frameCounter = 334;
    writeMfp(MFP_TBDR, 1);
    writeMfp(MFP_TBCR, 0x08);  // event count: a timeout at every displayed line
    runUntil(lineEventPosition(334, 0, 64) + 4);
    EXPECT_EQ(hw.timerOutputs, MFP_OUTPUT_TIMER_B);
    writeMfp(MFP_TBCR, 0x18, cpu.odometer);
    EXPECT_EQ(hw.timerOutputs, 0);
}

// The data register of a counting timer shows the events left, of a measuring one with its
// input inactive the ticks it holds.
TEST_F(TimerInputs, DataRegistersShowTheCountAndTheHeldTicks) {
    hw.machineFlags = MACHINE_STE;
    writeMfp(MFP_TADR, 5);
    writeMfp(MFP_TACR, 0x08);
    play(4, REPEAT);
    runUntil(frameEnd(4, 2) + 4);
    EXPECT_EQ(ioReadByte(0xFFFA1F, nullptr, cpu.odometer), 3u);

    SetUp();
    hw.machineFlags = MACHINE_STE;
    writeMfp(MFP_AER, 0x10);
    writeMfp(MFP_TADR, 0);
    writeMfp(MFP_TACR, 0x09);  // 13.05 cycles a tick, counting only while playing
    play(4, SINGLE);
    runUntil(6000);
    EXPECT_EQ(ioReadByte(0xFFFA1F, nullptr, 6000), uint32_t((3342 - 600) / 13));
}

}  // namespace
