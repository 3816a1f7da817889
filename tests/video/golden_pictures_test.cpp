// Whole-machine pictures: the 68000 programs roms/tests/video_*.s run in the headless
// machine, and the frame they leave is compared with a picture computed here from what
// each program writes (pattern, palette, and the cycles at which its tricks land).
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "cpu/cpu.h"
#include "machine/hardware_state.h"
#include "machine/memory_map.h"
#include "support/test_machine.h"
#include "video/picture.h"
#include "video/expected_picture.h"

namespace {

constexpr uint32_t SCREEN = 0x10000;
constexpr int FRAMES = 10;  // filling the screen takes the first five or so
constexpr int PITCH = FRAME_WIDTH * 2;

void runProgram(const char* name, bool ste = false) {
    TestMachineSetup setup;
    setup.rom = m68kProgramPath(name);
    setup.ste = ste;
    startTestMachine(setup);
    if (!::testing::Test::HasFatalFailure()) runTestFrames(FRAMES);
}

// The programs' fill_pattern: word i holds i * step modulo 65536, in ST memory order
// from `base` (offsets below are relative to base).
std::vector<uint8_t> pattern(int words, uint16_t step) {
    std::vector<uint8_t> mem(size_t(words) * 2 + 64);
    for (int i = 0; i < words; ++i) stWriteWord(mem.data(), uint32_t(2 * i), uint16_t(i * step));
    return mem;
}

// The programs' standard_colours.
const std::vector<uint16_t> STANDARD_COLOURS = {0x000, 0x700, 0x070, 0x007, 0x777, 0xFFF, 0x800, 0x080,
                                                0x008, 0x123, 0x456, 0xF00, 0x0F0, 0x00F, 0xA5C, 0xF1E3};

using Palette = std::array<uint32_t, 16>;
Palette paletteOf(const std::vector<uint16_t>& words) {
    Palette palette;
    for (int i = 0; i < 16; ++i) palette[i] = doubled(hostPixelOf(i < int(words.size()) ? words[i] : 0));
    return palette;
}
const Palette STANDARD_PALETTE = paletteOf(STANDARD_COLOURS);

void compareFrame(const ExpectedPicture& expected) {
    expected.compare(reinterpret_cast<const uint8_t*>(framePicture()), PITCH);
}

// Border lines outside [top, top + display); in between, display lines drawn by `line`
// (picture line, source offset) -> next offset, from offset 0.
template <class Line>
ExpectedPicture framePicture(int top, int display, uint32_t border, Line line) {
    ExpectedPicture e;
    uint32_t offset = 0;
    for (int l = 0; l < PICTURE_LINES; ++l)
        if (l < top || l >= top + display)
            e.borderLine(l, border);
        else
            offset = line(e, l, offset);
    return e;
}

class GoldenPicture : public ::testing::Test {
protected:
    void TearDown() override {
        if (!IsSkipped()) stopTestMachine();
    }
};

TEST_F(GoldenPicture, LowResolution16Colours) {
    runProgram("video_low_res");
    ASSERT_FALSE(HasFatalFailure());
    const uint32_t* palette = STANDARD_PALETTE.data();
    std::vector<uint8_t> mem = pattern(16000, 0x9E37);
    compareFrame(framePicture(42, 200, palette[0], [&](ExpectedPicture& e, int l, uint32_t offset) {
        return e.displayLine(l, mem.data(), offset, palette);
    }));
}

TEST_F(GoldenPicture, MediumResolution) {
    runProgram("video_medium_res");
    ASSERT_FALSE(HasFatalFailure());
    const Palette medium = paletteOf({0x777, 0x700, 0x070, 0x007});
    const uint32_t* palette = medium.data();
    std::vector<uint8_t> mem = pattern(16000, 0x3B5D);
    compareFrame(framePicture(42, 200, palette[0], [&](ExpectedPicture& e, int l, uint32_t offset) {
        return e.mediumLine(l, mem.data(), offset, palette);
    }));
}

// Timer B interrupts at the end of frame lines 63-262; each handler's write lands
// after the picture of its line, so frame line 63 + k shows colour k from its start.
TEST_F(GoldenPicture, RasterBarsByTimerBEventCount) {
    runProgram("video_raster_bars");
    ASSERT_FALSE(HasFatalFailure());
    ExpectedPicture e;
    for (int l = 0; l < PICTURE_LINES; ++l) {
        int k = std::clamp(l + 21 - 63, 0, 200);
        e.borderLine(l, doubled(hostPixelOf(uint16_t((k * 0x125 + 0x11) & 0xFFF))));
    }
    compareFrame(e);
}

// The write at cycle 188 of line 100 lies in the block that starts at cycle 180 (slot
// 124); it shows from the next group of 4 slots, cycle 192, slot 136.
TEST_F(GoldenPicture, PaletteChangeInTheMiddleOfALine) {
    runProgram("video_mid_line_palette");
    ASSERT_FALSE(HasFatalFailure());
    ExpectedPicture e;
    const uint32_t black = 0, red = doubled(hostPixelOf(0x700));
    constexpr int line = 100 - 21;
    for (int l = 0; l < PICTURE_LINES; ++l) e.borderLine(l, l <= line ? black : red);
    for (int s = 192 - 56; s < PICTURE_SLOTS; ++s) e.at(line, s) = red;
    compareFrame(e);
}

TEST_F(GoldenPicture, TopAndBottomBordersOpen) {
    runProgram("video_vertical_borders");
    ASSERT_FALSE(HasFatalFailure());
    const uint32_t* palette = STANDARD_PALETTE.data();
    std::vector<uint8_t> mem = pattern(21760, 0x9E37);
    compareFrame(framePicture(13, 272, palette[0], [&](ExpectedPicture& e, int l, uint32_t offset) {
        return e.displayLine(l, mem.data(), offset, palette);
    }));
}

TEST_F(GoldenPicture, SideBordersAndShortenedLines) {
    runProgram("video_line_borders");
    ASSERT_FALSE(HasFatalFailure());
    const uint32_t* palette = STANDARD_PALETTE.data();
    std::vector<uint8_t> mem = pattern(16100, 0x9E37);
    compareFrame(framePicture(42, 200, palette[0], [&](ExpectedPicture& e, int l, uint32_t offset) {
        int frameLine = l + 21;
        if (frameLine == 101) return e.displayLine(l, mem.data(), offset, palette, true, true);
        e.displayLine(l, mem.data(), offset, palette);
        return offset + (frameLine == 150 ? 158 : frameLine == 200 ? 54 : 160);
    }));
}

// The counter model: bytes fetched from line 63 to line 262, two cycles a byte between
// cycles 96 and 416 of a line, as seen 20 cycles after the access; from line 310 on,
// the video base register.
uint32_t expectedCounter(int line, int pos, uint32_t base, uint32_t videoBase) {
    int32_t t = line * 512 + pos + 20;
    int tl = t / 512, tp = t % 512;
    if (t > 310 * 512) return videoBase;
    uint32_t count = uint32_t(std::clamp(tl, 63, 263) - 63) * 160;
    if (tl >= 63 && tl < 263) count += uint32_t(std::clamp(tp, 96, 416) - 96) / 2;
    return base + count;
}

TEST_F(GoldenPicture, VideoCounterReadsAtKnownCycles) {
    runProgram("video_counter");
    ASSERT_FALSE(HasFatalFailure());
    const int lines[] = {40, 63, 64, 150, 262, 263, 300, 309, 310};
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(lines[i]);
        uint32_t results = peekLong(0x30000 + 4 * i);
        uint32_t high = expectedCounter(lines[i], 104, 0x010000, 0x020000) >> 16 & 0xFF;
        uint32_t mid = (expectedCounter(lines[i], 112, 0x010000, 0x020000) + 10) >> 8 & 0xFF;
        uint32_t low = expectedCounter(lines[i], 120, 0x010000, 0x020000) & 0xFF;
        uint32_t later = expectedCounter(lines[i], 288, 0x010000, 0x020000) & 0xFF;
        EXPECT_EQ(results, high << 24 | mid << 16 | low << 8 | later) << std::hex << results;
    }
}

TEST_F(GoldenPicture, SteCounterWriteMidFrame) {
    runProgram("video_ste_counter", true);
    ASSERT_FALSE(HasFatalFailure());
    const uint32_t* palette = STANDARD_PALETTE.data();
    std::vector<uint8_t> first = pattern(16000, 0x9E37), second = pattern(16000, 0x2F1B);
    // The offset runs on through the first screen; from line 151 the second is shown
    // from its start.
    constexpr uint32_t SWITCH = (151 - 63) * 160;
    compareFrame(framePicture(42, 200, palette[0], [&](ExpectedPicture& e, int l, uint32_t offset) {
        if (offset < SWITCH) return e.displayLine(l, first.data(), offset, palette);
        return SWITCH + e.displayLine(l, second.data(), offset - SWITCH, palette);
    }));
}

}  // namespace
