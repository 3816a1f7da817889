// The microwire as the processor sees it, and the LMC1992 behind it: which words reach the
// chip, when they take effect, and what its volume and tone settings do to the mix,
// measured at a test frequency against the chip's documented steps.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "bus/machine_settings.h"
#include "sound/mixer.h"
#include "sound/ym2149.h"
#include "sound_test.h"

namespace {

constexpr uint32_t DATA = 0xFF8922, MASK = 0xFF8924;
enum Function { INPUT, BASS, TREBLE, MASTER, RIGHT, LEFT, LEFT_REAR };
constexpr uint32_t command(Function f, uint32_t parameter) { return LMC1992_ADDRESS << 9 | f << 6 | parameter; }

constexpr int N = FRAME_SOUND_SAMPLES, MEASURED_FRAMES = 4, WINDOW = N * MEASURED_FRAMES;
// Test frequencies with a whole number of periods in the measured frames.
constexpr int AT_100HZ = 8, AT_1KHZ = 80, AT_10KHZ = 799;  // periods in the window
double hertz(int periods) { return periods * 44100.0 / WINDOW; }

class Lmc1992Test : public ::testing::Test {
protected:
    void SetUp() override {
        setUpSoundMachine();
        machineSettings.ymSound = machineSettings.diskSound = machineSettings.lowPass = 0;
        machineSettings.dacSound = 1;
    }

    // A word sent as programs send it: the mask, then the data.
    static void send(uint32_t word, int32_t stamp, uint32_t mask = 0x07FF) {
        busWriteWord(MASK, mask, stamp);
        busWriteWord(DATA, word, stamp + 8);
    }
    // The settings once the frame's commands are in.
    static Lmc1992Settings settingsAfterFrame() {
        lmc1992FrameStart();
        microwireFrameStart();
        Lmc1992Carried c;
        lmc1992Save(c);
        return c.settings;
    }
    // One frame's mix of the DMA samples `fill` gives (sample index in the run, channel),
    // then the frame end; the left and right output.
    template <class Fill>
    static std::pair<std::vector<int>, std::vector<int>> mixFrame(int frame, Fill fill) {
        DmaFrameSamples.count = N;  // one DMA sample for each output sample
        for (int i = 0; i < N; ++i) DmaFrameSamples.values[i] = fill(frame * N + i);
        ymWriteLogClose();
        MixFrame(N);
        ymWriteLogReset();
        lmc1992FrameStart();
        microwireFrameStart();
        std::vector<int> left, right;
        for (int i = 0; i < N; ++i) {
            left.push_back(OutputBuffer[2 * i]);
            right.push_back(OutputBuffer[2 * i + 1]);
        }
        return {left, right};
    }
    // The gain of each channel in dB for a sine of `periods` periods in the window, fed
    // to both channels, measured over the last frames once the filters have settled.
    static std::pair<double, double> gainsDb(int periods, double amplitude) {
        const double w = 2 * M_PI * periods / WINDOW;
        auto sine = [&](int n) {
            int32_t v = int32_t(std::lround(amplitude * std::sin(w * n)));
            return StereoSample{v, v};
        };
        std::complex<double> left, right;
        constexpr int FRAMES = 8;
        for (int f = 0; f < FRAMES; ++f) {
            auto [l, r] = mixFrame(f, sine);
            if (f < FRAMES - MEASURED_FRAMES) continue;
            for (int i = 0; i < N; ++i) {
                std::complex<double> turn = std::polar(1.0, -w * (f * N + i));
                left += double(l[i]) * turn;
                right += double(r[i]) * turn;
            }
        }
        auto db = [&](std::complex<double> sum) { return 20 * std::log10(2 * std::abs(sum) / WINDOW / amplitude); };
        return {db(left), db(right)};
    }
};

}  // namespace

// While a word goes out the data register shifts left and the mask rotates left, one bit
// every 8 cycles, the first at once; 15 microseconds after the write both read as done.
TEST_F(Lmc1992Test, TheRegistersShiftWhileTheWordGoesOut) {
    busWriteWord(MASK, 0x07FF, 100);
    EXPECT_EQ(busReadWord(DATA, 104), 0u);  // nothing sent yet
    EXPECT_EQ(busReadWord(MASK, 104), 0x07FFu);
    busWriteWord(DATA, 0x0501, 200);
    const struct {
        int32_t after;
        uint32_t data, mask;
    } reads[] = {{0, 0x0A02, 0x0FFE}, {7, 0x0A02, 0x0FFE}, {8, 0x1404, 0x1FFC},
                 {112, 0x8000, 0x83FF}, {119, 0x8000, 0x83FF}, {120, 0, 0x07FF}, {5000, 0, 0x07FF}};
    for (auto r : reads) {
        EXPECT_EQ(busReadWord(DATA, 200 + r.after), r.data) << r.after;
        EXPECT_EQ(busReadWord(MASK, 200 + r.after), r.mask) << r.after;
        EXPECT_EQ(busReadByte(DATA, 200 + r.after) << 8 | busReadByte(DATA + 1, 200 + r.after), r.data) << r.after;
        EXPECT_EQ(busReadByte(MASK, 200 + r.after) << 8 | busReadByte(MASK + 1, 200 + r.after), r.mask) << r.after;
    }
    // A transfer running into the next frame goes on there.
    busWriteWord(DATA, 0x0501, FRAME_CYCLES - 16);
    microwireFrameStart();
    EXPECT_EQ(busReadWord(MASK, 0), 0x3FF8u);
    EXPECT_EQ(busReadWord(MASK, 104), 0x07FFu);
}

// The chip keeps the last 11 bits clocked out under the mask: address 2, a function and
// its parameter; steps beyond a function's range hold at its end. Each case starts from
// every setting at step 3.
TEST_F(Lmc1992Test, WordsUnderTheMaskReachTheChip) {
    const uint32_t master30 = command(MASTER, 30);
    using Steps = std::vector<int>;  // input, bass, treble, master, left, right
    const Steps unchanged{3, 3, 3, 3, 3, 3}, masterAt30{3, 3, 3, 30, 3, 3};
    const struct {
        const char* what;
        uint32_t mask, data;
        Steps expected;
    } cases[] = {
        {"mask $07FF", 0x07FF, master30, masterAt30},
        {"mask $0FFE, a stop bit below", 0x0FFE, master30 << 1 | 1, masterAt30},
        {"all 16 bits: the last 11 count", 0xFFFF, 0xF800 | master30, masterAt30},
        {"a mask with gaps", 0xF0FF, (master30 & 0x700) << 4 | (master30 & 0xFF), masterAt30},
        {"10 bits make no word", 0x03FF, master30, unchanged},
        {"another address", 0x07FF, master30 ^ 0x600, unchanged},
        {"the rear volumes are not connected", 0x07FF, command(LEFT_REAR, 0), unchanged},
        {"a byte below $100", 0x07FF, 0x45, unchanged},
        {"input", 0x07FF, command(INPUT, 0x3E), {2, 3, 3, 3, 3, 3}},
        {"bass holds at +12 dB", 0x07FF, command(BASS, 0x3F), {3, 12, 3, 3, 3, 3}},
        {"treble", 0x07FF, command(TREBLE, 0), {3, 3, 0, 3, 3, 3}},
        {"master holds at 0 dB", 0x07FF, command(MASTER, 63), {3, 3, 3, 40, 3, 3}},
        {"left", 0x07FF, command(LEFT, 0x20 | 7), {3, 3, 3, 3, 7, 3}},
        {"right holds at 0 dB", 0x07FF, command(RIGHT, 31), {3, 3, 3, 3, 3, 20}},
    };
    for (const auto& c : cases) {
        lmc1992Restore({{3, 3, 3, 3, 3, 3}, {}, -1, 0});
        send(c.data, 1000, c.mask);
        Lmc1992Settings s = settingsAfterFrame();
        Steps got{s.input, s.bass, s.treble, s.masterVolume, s.leftVolume, s.rightVolume};
        EXPECT_EQ(got, c.expected) << c.what;
    }
    // A byte written to the data register's low half alone goes out as a word below $100.
    busWriteByte(DATA + 1, 0x45, 8);
    EXPECT_EQ(busReadWord(DATA, 8), 0x8Au);
}

// A word takes effect when its last bit is out, at the sample that cycle falls on; a word
// written while another goes out cuts that one short, and it never takes effect.
TEST_F(Lmc1992Test, AWordTakesEffectWhenItsTransferEnds) {
    auto constant = [](int) { return StereoSample{10000, 10000}; };
    send(command(LEFT, 0), 1000);
    send(command(RIGHT, 10), 1040);  // cuts the left volume short
    const int32_t half = FRAME_CYCLES / 2;
    send(command(MASTER, 0), half - 8 - MICROWIRE_TRANSFER_CYCLES);  // -80 dB from the frame's middle
    auto [left, right] = mixFrame(0, constant);
    EXPECT_EQ(left[439], 10000);
    EXPECT_EQ(right[439], 1000);  // -20 dB
    EXPECT_EQ(left[440], 1);
    EXPECT_EQ(right[440], 0);

    // Due after the frame's end: the next frame has it from its first sample.
    send(command(MASTER, 40), FRAME_CYCLES - 20);
    std::tie(left, right) = mixFrame(1, constant);
    EXPECT_EQ(left[N - 1], 1);
    std::tie(left, right) = mixFrame(2, constant);
    EXPECT_EQ(left[0], 10000);
    EXPECT_EQ(right[0], 1000);
}

// Each row: the commands, the test frequency, the expected gain of each channel in dB and
// the tolerance. The volumes are exact steps of 2 dB; the tone controls reach their
// setting at 100 Hz (bass) and 10 kHz (treble) and leave 1 kHz alone.
TEST_F(Lmc1992Test, VolumeAndToneFollowTheChipsSteps) {
    const struct {
        const char* what;
        std::vector<uint32_t> commands;
        int periods;
        double left, right, tolerance;
    } cases[] = {
        {"flat at power-on", {}, AT_1KHZ, 0, 0, 0.01},
        {"master -20 dB", {command(MASTER, 30)}, AT_1KHZ, -20, -20, 0.01},
        {"master -80 dB", {command(MASTER, 0)}, AT_1KHZ, -80, -80, 1.0},
        {"left -10 dB", {command(LEFT, 15)}, AT_1KHZ, -10, 0, 0.01},
        {"right -40 dB", {command(RIGHT, 0)}, AT_1KHZ, 0, -40, 0.1},
        {"master and left add", {command(MASTER, 35), command(LEFT, 17)}, AT_1KHZ, -16, -10, 0.01},
        {"bass +12 dB", {command(BASS, 12)}, AT_100HZ, 12, 12, 0.5},
        {"bass +12 dB at 1 kHz", {command(BASS, 12)}, AT_1KHZ, 0, 0, 0.5},
        {"bass +6 dB", {command(BASS, 9)}, AT_100HZ, 6, 6, 0.5},
        {"bass -12 dB", {command(BASS, 0)}, AT_100HZ, -12, -12, 0.5},
        {"bass -12 dB at 10 kHz", {command(BASS, 0)}, AT_10KHZ, 0, 0, 0.5},
        {"treble +12 dB", {command(TREBLE, 12)}, AT_10KHZ, 12, 12, 0.5},
        {"treble +12 dB at 1 kHz", {command(TREBLE, 12)}, AT_1KHZ, 0, 0, 0.5},
        {"treble -8 dB", {command(TREBLE, 2)}, AT_10KHZ, -8, -8, 0.5},
        {"treble -12 dB at 100 Hz", {command(TREBLE, 0)}, AT_100HZ, 0, 0, 0.5},
        {"bass, master and right together", {command(BASS, 3), command(MASTER, 37), command(RIGHT, 10)}, AT_100HZ,
         -12, -32, 0.5},
    };
    for (const auto& c : cases) {
        powerOnLmc1992();
        int32_t stamp = 1000;
        for (uint32_t word : c.commands) send(word, stamp += 400);
        auto [left, right] = gainsDb(c.periods, std::max(c.left, c.right) > 0 ? 7000 : 30000);
        EXPECT_NEAR(left, c.left, c.tolerance) << c.what << " at " << hertz(c.periods) << " Hz, left";
        EXPECT_NEAR(right, c.right, c.tolerance) << c.what << " at " << hertz(c.periods) << " Hz, right";
    }
}

// The input selection sets the YM2149's share of the mix: 12 dB down, in, or out.
TEST_F(Lmc1992Test, TheInputSelectionSetsTheYmsShare) {
    machineSettings.ymSound = 1;
    machineSettings.dacSound = 0;
    ymReset(ymChip);
    for (auto [reg, value] : {std::pair{0, 125}, {1, 0}, {7, 0x3E}, {8, 15}}) {
        busWriteByte(0xFF8800, uint32_t(reg), 0);
        busWriteByte(0xFF8802, uint32_t(value), 0);
    }
    auto rms = [](uint32_t input, int frame) {
        send(command(INPUT, input), 100);
        double sum = 0;
        for (int f = 0; f < 3; ++f) {
            auto [left, right] = mixFrame(frame + f, [](int) { return StereoSample{0, 0}; });
            EXPECT_EQ(left, right);
            if (f > 0)
                for (int v : left) sum += double(v) * v;
        }
        return std::sqrt(sum / (2 * N));
    };
    double mixed = rms(1, 0);
    ASSERT_GT(mixed, 1000);
    EXPECT_NEAR(20 * std::log10(rms(0, 3) / mixed), -12, 0.05);
    EXPECT_EQ(rms(2, 6), 0);
    EXPECT_EQ(rms(3, 9), 0);
}
