// The STE DMA sound page and engine, driven through the I/O dispatch.
#include <gtest/gtest.h>

#include "bus/st_memory.h"
#include "sound_test.h"

namespace {

constexpr uint32_t CONTROL = 0xFF8901, MODE = 0xFF8921;
constexpr uint8_t MONO_50KHZ = 0x83, STEREO_50KHZ = 0x03;

class DmaSoundTest : public ::testing::Test {
protected:
    void SetUp() override { setUpSoundMachine(); }

    static void setAddress(uint32_t highRegister, uint32_t address, int32_t stamp) {
        busWriteByte(highRegister, address >> 16 & 0xFF, stamp);
        busWriteByte(highRegister + 2, address >> 8 & 0xFF, stamp);
        busWriteByte(highRegister + 4, address & 0xFF, stamp);
    }
    static void setFrame(uint32_t start, uint32_t end, int32_t stamp) {
        setAddress(0xFF8903, start, stamp);
        setAddress(0xFF890F, end, stamp);
    }
    // The frame, the mode and the control register written at cycle 0.
    static void play(uint32_t start, uint32_t end, uint32_t mode, uint32_t control = 1) {
        setFrame(start, end, 0);
        busWriteByte(MODE, mode, 0);
        busWriteByte(CONTROL, control, 0);
    }
    static void poke(uint32_t address, std::initializer_list<int> bytes) {
        for (int b : bytes) stWriteByte(hw.ram, address++, uint8_t(b));
    }
    static uint32_t counter(int32_t stamp) {
        return busReadByte(0xFF8909, stamp) << 16 | busReadByte(0xFF890B, stamp) << 8 | busReadByte(0xFF890D, stamp);
    }
    static std::vector<StereoSample> frameSamples() {
        dmaSoundFrameEnd();
        return {DmaFrameSamples.values, DmaFrameSamples.values + DmaFrameSamples.count};
    }
    // The first n samples of a mono frame, which are the same on both channels.
    static std::vector<int32_t> monoSamples(size_t n) {
        std::vector<int32_t> values;
        for (const StereoSample& s : frameSamples()) {
            EXPECT_EQ(s.left, s.right);
            if (values.size() < n) values.push_back(s.left);
        }
        return values;
    }
};

}  // namespace

TEST_F(DmaSoundTest, ModeReadsByWordOnlyAndUnusedRegistersReadAllOnes) {
    busWriteByte(MODE, 0x81, 100);
    EXPECT_EQ(busReadByte(MODE, 200), 0xFFu);
    EXPECT_EQ(busReadWord(0xFF8920, 200), 0x0081u);
    EXPECT_EQ(busReadWord(0xFF8926, 400), 0xFFFFu);
    EXPECT_EQ(busReadByte(0xFF8915, 400), 0xFFu);
}

TEST_F(DmaSoundTest, SampleSlotsPerFrameFollowTheRate) {
    for (auto [mode, slots] : {std::pair{3, 1001}, std::pair{0, 130}, std::pair{2, 500}}) {
        play(0x10000, 0x30000, uint32_t(mode));
        EXPECT_EQ(frameSamples().size(), size_t(slots)) << "mode " << mode;
        dmaSoundFrameStart();
    }
}

TEST_F(DmaSoundTest, MonoAdvancesOneByteASampleAndTheCounterReadsEven) {
    poke(0x10000, {1, 2, 3, -128});
    play(0x10000, 0x20000, MONO_50KHZ);
    EXPECT_EQ(counter(3 * 160 + 10), 0x10002u);
    EXPECT_EQ(dmaSound.addressCounter, 0x10003u);
    EXPECT_EQ(busReadWord(0xFF890C, 3 * 160 + 20), 0xFF02u);
    EXPECT_EQ(monoSamples(4), (std::vector<int32_t>{128, 256, 384, -16384}));
}

// Each byte times 128 on its own channel: the scale of mono, so a pair of equal bytes
// sounds as the same byte in mono.
TEST_F(DmaSoundTest, StereoKeepsEachByteOfThePairOnItsChannel) {
    poke(0x10000, {127, -128, 5, -6});
    play(0x10000, 0x10004, STEREO_50KHZ, 3);
    auto s = frameSamples();
    EXPECT_EQ(s[0], (StereoSample{127 * 128, -128 * 128}));
    EXPECT_EQ(s[1], (StereoSample{5 * 128, -6 * 128}));
    EXPECT_EQ(s[2], s[0]);
}

TEST_F(DmaSoundTest, WritingPlayWhilePlayingRestartsTheFrame) {
    play(0x10000, 0x20000, MONO_50KHZ);
    EXPECT_EQ(counter(16010), 0x10064u);  // 100 samples in
    busWriteByte(CONTROL, 1, 16050);
    EXPECT_EQ(counter(16060), 0x10000u);
}

TEST_F(DmaSoundTest, FrameStartMovesTheCounterOnlyWhileStopped) {
    setAddress(0xFF8903, 0x012340, 100);
    EXPECT_EQ(counter(200), 0x012340u);
    setFrame(0x10000, 0x20000, 300);
    busWriteByte(MODE, MONO_50KHZ, 300);
    busWriteByte(CONTROL, 1, 300);
    setAddress(0xFF8903, 0x050000, 1000);
    EXPECT_EQ(counter(1010), 0x10000u + 4);  // still the old frame
    EXPECT_EQ(dmaSound.frameStart, 0x050000u);
}

TEST_F(DmaSoundTest, TheFrameEndStopsOrRepeats) {
    poke(0x10000, {1, 2, 3, 4});
    for (uint32_t control : {1u, 3u}) {
        play(0x10000, 0x10004, MONO_50KHZ, control);
        const std::vector<int32_t> once{128, 256, 384, 512, 0, 0}, repeated{128, 256, 384, 512, 128, 256};
        EXPECT_EQ(monoSamples(6), control == 1 ? once : repeated);
        EXPECT_EQ(hw.dmaSound[0x01] & 1, control == 1 ? 0 : 1);
        dmaSoundFrameStart();
    }
    EXPECT_EQ(dmaSound.addressCounter, 0x10000u + 1001 % 4);
}

// Players write the next buffer's addresses while a frame plays: the playing frame keeps
// the end it began with, the next one takes the new addresses. The engine knows where its
// frame ends, for the scheduler.
TEST_F(DmaSoundTest, AddressesWrittenDuringAFrameTakeEffectAtTheNext) {
    poke(0x10000, {1, 2, 3, 4});
    poke(0x20000, {5, 6});
    play(0x10000, 0x10004, MONO_50KHZ, 3);
    EXPECT_EQ(hw.dmaFrameEndDue, 4 * 160);
    setFrame(0x20000, 0x20002, 200);
    EXPECT_EQ(hw.dmaFrameEndDue, 4 * 160);
    EXPECT_EQ(monoSamples(8), (std::vector<int32_t>{128, 256, 384, 512, 640, 768, 640, 768}));
}

TEST_F(DmaSoundTest, TheCounterWrapsAtTheEndOfMemory) {
    play(0x3FFFFC, 0x000004, STEREO_50KHZ);
    EXPECT_EQ(counter(3 * 160 + 10), 0x000002u);
    EXPECT_EQ(counter(4 * 160 + 10), 0x3FFFFCu);  // frame end reached: back to the start
}

TEST_F(DmaSoundTest, AWriteAfterARegisterReadTakesEffectAtItsOwnCycle) {
    play(0x10000, 0x30000, MONO_50KHZ);
    counter(50000);                  // the engine runs up to cycle 50000
    busWriteByte(MODE, 0x80, 80000);  // then 1227 cycles a sample from cycle 80000
    // 499 samples every 160 cycles before cycle 80000, then 65 more up to the frame end.
    EXPECT_EQ(frameSamples().size(), 564u);
}

TEST_F(DmaSoundTest, AResetInTheMiddleOfAFrameLeavesAnEmptyLog) {
    busWriteByte(CONTROL, 1, 0);
    counter(1000);
    dmaSoundReset();
    setAddress(0xFF8903, 0x000040, 5000);
    EXPECT_EQ(counter(5100), 0x000040u);
}

TEST_F(DmaSoundTest, MixTakesTheNearestEarlierSampleOnEachChannel) {
    DmaFrameSamples.count = 4;
    for (int i = 0; i < 4; ++i) DmaFrameSamples.values[i] = {100 * (i + 1), -(i + 1)};
    int32_t left[10] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, right[10] = {};
    dmaSoundAddToMix(left, right, 10);
    EXPECT_EQ(std::vector<int32_t>(left, left + 10),
              (std::vector<int32_t>{101, 101, 101, 201, 201, 201, 301, 301, 401, 401}));
    EXPECT_EQ(std::vector<int32_t>(right, right + 10), (std::vector<int32_t>{-1, -1, -1, -2, -2, -2, -3, -3, -4, -4}));
    DmaFrameSamples.count = 0;
    dmaSoundAddToMix(left, right, 10);  // no sample slot this frame: nothing added
    EXPECT_EQ(left[0], 101);
}
