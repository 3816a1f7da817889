// Whole-machine pictures: the 68000 programs roms/tests/video_*.s run in the headless
// machine, and the frame they leave is compared with a picture computed here from what
// each program writes (pattern, palette, and the cycles at which its tricks land).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "bus/memory_map.h"
#include "support/test_machine.h"
#include "video/expected_picture.h"
#include "video/picture.h"

namespace {

// The programs' fill_pattern: word i holds i * step modulo 65536, in ST memory order.
std::vector<uint8_t> pattern(int words, uint16_t step) {
    std::vector<uint8_t> mem(size_t(words) * 2 + 64);
    for (int i = 0; i < words; ++i) stWriteWord(mem.data(), uint32_t(2 * i), uint16_t(i * step));
    return mem;
}

using Palette = std::array<uint32_t, 16>;
Palette paletteOf(const std::vector<uint16_t>& words) {
    Palette palette;
    for (int i = 0; i < 16; ++i) palette[i] = doubled(hostPixelOf(i < int(words.size()) ? words[i] : 0));
    return palette;
}
// The programs' standard_colours.
const Palette STANDARD = paletteOf({0x000, 0x700, 0x070, 0x007, 0x777, 0xFFF, 0x800, 0x080, 0x008, 0x123, 0x456,
                                    0xF00, 0x0F0, 0x00F, 0xA5C, 0xF1E3});
const Palette MEDIUM = paletteOf({0x777, 0x700, 0x070, 0x007});
const std::vector<uint8_t> SCREEN = pattern(21760, 0x9E37), SECOND_SCREEN = pattern(16000, 0x2F1B),
                           MEDIUM_SCREEN = pattern(16000, 0x3B5D);

// (picture, picture line, source offset) -> the next line's offset.
using LineDrawer = std::function<uint32_t(ExpectedPicture&, int, uint32_t)>;

uint32_t lowLine(ExpectedPicture& e, int l, uint32_t offset) {
    return e.displayLine(l, SCREEN.data(), offset, STANDARD.data());
}

class GoldenPicture : public ::testing::Test {
protected:
    // Filling the screen takes the first five frames or so, or more for a larger one.
    void run(const std::string& program, bool ste = false, int frames = 10) {
        TestMachineSetup setup;
        setup.rom = m68kProgramPath(program);
        setup.ste = ste;
        startTestMachine(setup);
        if (!HasFatalFailure()) runTestFrames(frames);
    }
    static void compare(const ExpectedPicture& expected) {
        expected.compare(reinterpret_cast<const uint8_t*>(framePicture()), FRAME_WIDTH * 2);
    }
    void TearDown() override {
        if (!IsSkipped()) stopTestMachine();
    }
};

// Programs that fill the screen with the pattern: where the display lines lie and how
// each is drawn.
struct PatternCase {
    const char* program;  // roms/tests/video_<program>.s
    bool ste;
    int top, display;
    LineDrawer line;
    uint32_t border = STANDARD[0];
};
void PrintTo(const PatternCase& c, std::ostream* os) { *os << c.program; }
const PatternCase PATTERN_CASES[] = {
    {"low_res", false, 42, 200, lowLine},
    {"medium_res", false, 42, 200,
     [](ExpectedPicture& e, int l, uint32_t offset) {
         return e.mediumLine(l, MEDIUM_SCREEN.data(), offset, MEDIUM.data());
     },
     MEDIUM[0]},
    {"vertical_borders", false, 13, 272, lowLine},
    // Frame line 101 has both side borders open, 150 ends 2 bytes early, 200 106 bytes.
    {"line_borders", false, 42, 200,
     [](ExpectedPicture& e, int l, uint32_t offset) {
         int frameLine = l + 21;
         if (frameLine == 101) return e.displayLine(l, SCREEN.data(), offset, STANDARD.data(), true, true);
         lowLine(e, l, offset);
         return offset + (frameLine == 150 ? 158 : frameLine == 200 ? 54 : 160);
     }},
    // A counter write mid-frame: the offset runs on through the first screen, and from
    // line 151 the second screen shows from its start.
    {"ste_counter", true, 42, 200,
     [](ExpectedPicture& e, int l, uint32_t offset) {
         constexpr uint32_t SWITCH = (151 - 63) * 160;
         if (offset < SWITCH) return lowLine(e, l, offset);
         return SWITCH + e.displayLine(l, SECOND_SCREEN.data(), offset - SWITCH, STANDARD.data());
     }},
};

class GoldenPatternPicture : public GoldenPicture, public ::testing::WithParamInterface<PatternCase> {};

TEST_P(GoldenPatternPicture, MatchesTheComputedFrame) {
    run(std::string("video_") + GetParam().program, GetParam().ste);
    ASSERT_FALSE(HasFatalFailure());
    const PatternCase& p = GetParam();
    ExpectedPicture e;
    e.frame(p.top, p.display, p.border, [&](int l, uint32_t offset) { return p.line(e, l, offset); });
    compare(e);
}

INSTANTIATE_TEST_SUITE_P(Programs, GoldenPatternPicture, ::testing::ValuesIn(PATTERN_CASES),
                         [](const auto& info) { return std::string(info.param.program); });

// Timer B interrupts at the end of frame lines 63-262; each handler's write lands
// after the picture of its line, so frame line 63 + k shows colour k from its start.
TEST_F(GoldenPicture, RasterBarsByTimerBEventCount) {
    run("video_raster_bars");
    ASSERT_FALSE(HasFatalFailure());
    ExpectedPicture e;
    for (int l = 0; l < PICTURE_LINES; ++l) {
        int k = std::clamp(l + 21 - 63, 0, 200);
        e.borderLine(l, doubled(hostPixelOf(uint16_t((k * 0x125 + 0x11) & 0xFFF))));
    }
    compare(e);
}

// The write at cycle 188 of line 100 lies in the block that starts at cycle 180 (slot
// 124); it shows from the next group of 4 slots, cycle 192, slot 136.
TEST_F(GoldenPicture, PaletteChangeInTheMiddleOfALine) {
    run("video_mid_line_palette");
    ASSERT_FALSE(HasFatalFailure());
    ExpectedPicture e;
    const uint32_t red = doubled(hostPixelOf(0x700));
    constexpr int line = 100 - 21;
    for (int l = 0; l < PICTURE_LINES; ++l) e.borderLine(l, l <= line ? 0 : red);
    for (int s = 192 - 56; s < PICTURE_SLOTS; ++s) e.at(line, s) = red;
    compare(e);
}

// The counter model: bytes fetched from line 63 to line 262, two cycles a byte between
// cycles 96 and 416 of a line, as seen 20 cycles after the access; from line 310 on,
// the video base register.
uint32_t expectedCounter(int line, int pos) {
    int32_t t = line * 512 + pos + 20;
    int tl = t / 512, tp = t % 512;
    if (t > 310 * 512) return 0x020000;
    uint32_t count = uint32_t(std::clamp(tl, 63, 263) - 63) * 160;
    if (tl >= 63 && tl < 263) count += uint32_t(std::clamp(tp, 96, 416) - 96) / 2;
    return 0x010000 + count;
}

TEST_F(GoldenPicture, VideoCounterReadsAtKnownCycles) {
    run("video_counter");
    ASSERT_FALSE(HasFatalFailure());
    const int lines[] = {40, 63, 64, 150, 262, 263, 300, 309, 310};
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(lines[i]);
        uint32_t results = peekLong(0x30000 + 4 * i);
        uint32_t high = expectedCounter(lines[i], 104) >> 16 & 0xFF;
        uint32_t mid = (expectedCounter(lines[i], 112) + 10) >> 8 & 0xFF;
        uint32_t low = expectedCounter(lines[i], 120) & 0xFF;
        uint32_t later = expectedCounter(lines[i], 288) & 0xFF;
        EXPECT_EQ(results, high << 24 | mid << 16 | low << 8 | later) << std::hex << results;
    }
}


// ---- STE line offset and pixel scroll ----------------------------------------------------
// The model of roms/tests/video_ste_scroll.s: what each frame line takes at its first
// cycle, how many bytes it fetches, where the counter stands at a cycle, and the picture.
struct ScrollLayout {
    int lineOffset;  // words added between the line before and this one
    int scroll;
    bool fetch;  // the extra 16-pixel group
    bool medium;
};
ScrollLayout scrollLayout(int line) {
    if (line <= 90) return {4, 5, true, false};  // from the vertical blank; line 90 changes mid-line
    if (line <= 120) return {0, 11, true, false};
    if (line <= 170) return {224, 9, false, false};
    if (line <= 200) return {224, 3, true, true};
    if (line <= 230) return {0, 0, false, false};
    return {2, 0, false, false};
}
// Bytes a displayed line fetches: both side borders open on line 101, two short on 150,
// and the extra group (8 bytes in low resolution, 4 in medium).
uint32_t fetchedBytes(int line) {
    ScrollLayout k = scrollLayout(line);
    uint32_t bytes = line == 101 ? 230 : line == 150 ? 158 : 160;
    return bytes + (k.fetch ? (k.medium ? 4 : 8) : 0);
}
// Lines 63-262 are counted, two cycles a byte, 20 cycles after the access; a plain line
// fetches from cycle 96 (earlier by the extra group) to 416. The line offset of the next
// line is added from that line's first cycle on, as the access sees it.
uint32_t expectedScrollCounter(int32_t c) {
    const int32_t t = c + 20;
    uint32_t count = 0;
    for (int line = 63; line < 263 && line * 512 < t; ++line) {
        int32_t pos = t - line * 512;
        if (pos >= 512) {
            count += fetchedBytes(line);
        } else {
            ScrollLayout k = scrollLayout(line);
            int32_t start = 96 - (k.fetch ? (k.medium ? 8 : 16) : 0);
            count += uint32_t(std::clamp(pos, start, 416) - start) / 2;
        }
        if (t >= (line + 1) * 512 + 20) count += 2 * uint32_t(scrollLayout(line + 1).lineOffset);
    }
    return 0x010000 + count;
}

TEST_F(GoldenPicture, SteLineOffsetAndPixelScroll) {
    run("video_ste_scroll", true, 14);
    ASSERT_FALSE(HasFatalFailure());
    const std::vector<uint8_t> screen = pattern(36000, 0x9E37);
    ExpectedPicture e;
    e.frame(42, 200, STANDARD[0], [&](int l, uint32_t offset) {
        const int line = l + 21;
        ScrollLayout k = scrollLayout(line);
        if (k.medium)
            e.mediumLine(l, screen.data(), offset, STANDARD.data(), k.scroll, k.fetch);
        else
            e.displayLine(l, screen.data(), offset, STANDARD.data(), line == 101, line == 101, k.scroll, k.fetch);
        return offset + fetchedBytes(line) + 2 * uint32_t(scrollLayout(line + 1).lineOffset);
    });
    compare(e);

    const int lines[] = {63, 88, 91, 103, 125, 180, 262, 300};
    struct Read {
        int line, pos;  // the line after the listed one for positions past 512
        bool middle;
    };
    const Read reads[] = {{0, 108, false}, {0, 288, false}, {0, 500, true},
                          {0, 508, false}, {1, 4, false},   {1, 12, true}};
    uint32_t result = 0x30000;
    for (int line : lines)
        for (const Read& r : reads) {
            int32_t c = (line + r.line) * 512 + r.pos;
            uint32_t v = expectedScrollCounter(c);
            uint32_t byte = r.middle ? (v + 10) >> 8 & 0xFF : v & 0xFF;
            EXPECT_EQ(peekWord(result & ~1u) >> (result & 1 ? 0 : 8) & 0xFF, byte)
                << "line " << line + r.line << " cycle " << r.pos << ": counter " << std::hex << v;
            ++result;
        }
}

}  // namespace
