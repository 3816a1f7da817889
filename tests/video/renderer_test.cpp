// RenderFrame fed with synthetic event logs, compared slot by slot with pictures built
// from the bit-plane layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <tuple>
#include <vector>

#include "bus/hardware_state.h"
#include "bus/memory_map.h"
#include "bus/video_event_log.h"
#include "frontend/config.h"
#include "support/test_machine.h"
#include "video/expected_picture.h"
#include "video/renderer.h"
#include "video/shifter.h"

namespace {

constexpr int32_t at(int line, int pos) { return line * LINE_CYCLES + pos; }
constexpr int FIRST_LINE = 21;  // frame line of picture line 0
constexpr uint32_t UNTOUCHED = 0xDEADBEEF;

// Sixteen palette words and their host pixels, worked out by hand from the colour
// conversion (three ST bits and the STE low bit a component; bits 12-15 ignored).
constexpr uint16_t PALETTE_WORDS[16] = {0x000, 0x700, 0x070, 0x007, 0x777, 0xFFF, 0x800, 0x080,
                                        0x008, 0x123, 0x456, 0xF00, 0x0F0, 0x00F, 0xA5C, 0xF1E3};
constexpr uint16_t HOST_PIXELS[16] = {0x0000, 0xE000, 0x0700, 0x001C, 0xE71C, 0xF79E, 0x1000, 0x0080,
                                      0x0002, 0x220C, 0x8518, 0xF000, 0x0780, 0x001E, 0x5512, 0x268C};
class RendererTest : public ::testing::Test {
protected:
    std::vector<uint32_t> frame = std::vector<uint32_t>(PICTURE_SLOTS * 600, UNTOUCHED);
    ExpectedPicture expected;
    uint32_t palette[16];

    void SetUp() override {
        setUpMemoryMap();
        buildColourTables();
        hw.topBorderOpen = hw.bottomBorderOpen = 0;
        rendererResolution = 0;
        machineSettings.softwareMode = 1;
        ScreenCopyBase = 0;
        ScreenCopySpan = SCREEN_COPY_SPAN;
        std::mt19937 random(7);
        std::generate_n(ScreenCopy, SCREEN_COPY_BYTES, [&] { return uint8_t(random()); });
        videoEventLogReset();
        for (int i = 0; i < 16; ++i) {
            videoEventRecord(0, VIDEO_EVENT_PALETTE + 2 * i, PALETTE_WORDS[i]);
            palette[i] = doubled(HOST_PIXELS[i]);
        }
    }
    void TearDown() override { machineSettings.softwareMode = 1; }

    // The test fills the frame itself: the renderer draws every line.
    void render() {
        videoEventLogClose();
        forgetDrawnLines();
        RenderFrame(reinterpret_cast<uint8_t*>(frame.data()), shifterFrameVideo(), PICTURE_SLOTS * 4);
    }
    uint32_t slot(int line, int s) const { return frame[2 * line * PICTURE_SLOTS + s]; }
    uint32_t& want(int line, int s) { return expected.at(line, s); }
    uint32_t expectDisplayLine(int line, uint32_t offset, bool leftOpen = false, bool rightOpen = false,
                               const uint8_t* mem = ScreenCopy) {
        return expected.displayLine(line, mem, offset, palette, leftOpen, rightOpen);
    }
    void expectStandardFrame(int top = 42, int display = 200) {
        expected.frame(top, display, palette[0], [&](int l, uint32_t offset) { return expectDisplayLine(l, offset); });
    }
    void compare() { expected.compare(reinterpret_cast<const uint8_t*>(frame.data()), PICTURE_SLOTS * 4); }
};

// 42 border lines, 200 lines of 44 + 320 + 36 slots, 58 border lines, each drawn on an
// even row; the odd row below is left alone, a copy, or the copy at half intensity
// ("Blend"). An event before the picture (lines 0-20) is applied before its first line.
TEST_F(RendererTest, FrameLayoutAndLineOutputModes) {
    videoEventRecord(at(3, 100), VIDEO_EVENT_PALETTE, 0x0FFF);
    palette[0] = doubled(0xF79E);
    expectStandardFrame();
    for (int mode : {1, 0, 3}) {
        SCOPED_TRACE(mode);
        machineSettings.softwareMode = mode;
        std::fill(frame.begin(), frame.end(), UNTOUCHED);
        render();
        compare();
        for (int row = 1; row < 600; row += 2)
            for (int s = 0; s < PICTURE_SLOTS; ++s) {
                uint32_t above = frame[(row - 1) * PICTURE_SLOTS + s];
                uint32_t below = mode == 1 ? UNTOUCHED : mode == 0 ? above : (above >> 1) & 0x7BEF7BEF;
                ASSERT_EQ(frame[row * PICTURE_SLOTS + s], below) << row;
            }
    }
    EXPECT_EQ(frame[PICTURE_SLOTS], 0x7BCF7BCFu);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(hostPixelOf(PALETTE_WORDS[i]), HOST_PIXELS[i]) << i;
}

TEST_F(RendererTest, PaletteChangesInsideBlocksMoveToGroupBoundaries) {
    // Picture line 50: every pixel index 1 (plane 0 all ones).
    constexpr int L = 50;
    uint32_t offset = (L - 42) * 160;
    for (int i = 0; i < 160; i += 8) {
        stWriteWord(ScreenCopy, offset + i, 0xFFFF);
        for (int p = 1; p < 4; ++p) stWriteWord(ScreenCopy, offset + i + 2 * p, 0);
    }
    // Block 3 starts at slot 44 + 48 = 92, cycle 56 + 92 in the line.
    int32_t block3 = at(FIRST_LINE + L, 56 + 92);
    videoEventRecord(block3 + 6, VIDEO_EVENT_PALETTE + 2, 0x0700);  // mid group 1: shows from group 2
    // Block 10 (slot 204): two changes inside group 0 take the next two groups.
    int32_t block10 = at(FIRST_LINE + L, 56 + 204);
    videoEventRecord(block10 + 1, VIDEO_EVENT_PALETTE + 2, 0x0070);
    videoEventRecord(block10 + 2, VIDEO_EVENT_PALETTE + 2, 0x0007);
    // In a border fill the change is exact: from the slot after its cycle.
    videoEventRecord(at(FIRST_LINE + 290, 56 + 100), VIDEO_EVENT_PALETTE, 0x0FFF);
    render();

    expectStandardFrame();
    uint32_t c1 = palette[1];
    for (int s = 44; s < 364; ++s) want(L, s) = c1;
    for (int s = 92 + 8; s < 364; ++s) want(L, s) = doubled(0xE000);
    for (int s = 204 + 4; s < 364; ++s) want(L, s) = doubled(0x0700);
    for (int s = 204 + 8; s < 364; ++s) want(L, s) = doubled(0x001C);
    for (int l = 290; l < PICTURE_LINES; ++l)
        for (int s = l == 290 ? 101 : 0; s < PICTURE_SLOTS; ++s) want(l, s) = doubled(0xF79E);
    palette[1] = doubled(0x001C);  // the last change stays for the lines below
    for (int l = L + 1; l < 242; ++l) expectDisplayLine(l, uint32_t(l - 42) * 160);
    compare();
}

TEST_F(RendererTest, ResolutionChangesFromTheNextDisplayLine) {
    constexpr int L = 100;
    videoEventRecord(at(FIRST_LINE + L, 200), VIDEO_EVENT_RESOLUTION, 1);
    render();
    expectStandardFrame();
    // From line L + 1 on each slot holds two medium pixels, the left one in the low half.
    for (int l = L + 1; l < 242; ++l) expected.mediumLine(l, ScreenCopy, uint32_t(l - 42) * 160, palette);
    compare();
    EXPECT_EQ(rendererResolution, 1) << "kept for the next frame";
}

// Picture lines 60-65: left open, right open, both, line -2, line -2 then right border
// (ignored), line -106; the lines after them follow on.
TEST_F(RendererTest, LineWidthsAndSourceAdvance) {
    const std::tuple<int, int, uint32_t> tricks[] = {
        {60, 8, VIDEO_EVENT_LEFT_BORDER},    {61, 388, VIDEO_EVENT_RIGHT_BORDER}, {62, 12, VIDEO_EVENT_LEFT_BORDER},
        {62, 388, VIDEO_EVENT_RIGHT_BORDER}, {63, 376, VIDEO_EVENT_LINE_MINUS_2}, {64, 372, VIDEO_EVENT_LINE_MINUS_2},
        {64, 388, VIDEO_EVENT_RIGHT_BORDER}, {65, 168, VIDEO_EVENT_LINE_MINUS_106}};
    for (auto [line, pos, kind] : tricks) videoEventRecord(at(FIRST_LINE + line, pos), kind, 0);
    render();

    expectStandardFrame();
    uint32_t offset = expectDisplayLine(60, 18 * 160, true, false);
    EXPECT_EQ(offset, 18u * 160 + 186);
    offset = expectDisplayLine(61, offset, false, true);
    offset = expectDisplayLine(62, offset, true, true);
    for (auto [line, bytes] : {std::pair{63, 158}, {64, 158}, {65, 54}}) {
        expectDisplayLine(line, offset);
        offset += uint32_t(bytes);
    }
    for (int l = 66; l < 242; ++l) offset = expectDisplayLine(l, offset);
    compare();
}

TEST_F(RendererTest, OpenVerticalBorders) {
    for (auto [top, bottom, first, display] : {std::tuple{1, 0, 13, 229}, {1, 1, 13, 272}, {0, 1, 42, 243}}) {
        SCOPED_TRACE(::testing::Message() << "top " << top << " bottom " << bottom);
        hw.topBorderOpen = uint8_t(top);
        hw.bottomBorderOpen = uint8_t(bottom);
        std::fill(frame.begin(), frame.end(), UNTOUCHED);
        expectStandardFrame(first, display);
        render();
        compare();
    }
}

TEST_F(RendererTest, ScreenWritesReplayAtTheirTime) {
    ScreenCopyBase = 0x20000;
    std::memset(ScreenCopy, 0, SCREEN_COPY_BYTES);
    // Before the picture: display line 0 gets plane 0 of its first 16 pixels.
    videoEventRecord(at(30, 0), VIDEO_EVENT_SCREEN_WORD | 0xFFFF0000, 0x20000);
    // During picture line 100 (display line 58): line 10 is drawn already, line 150 not.
    videoEventRecord(at(FIRST_LINE + 100, 300), VIDEO_EVENT_SCREEN_WORD | 0xFFFF0000, 0x20000 + 10 * 160);
    videoEventRecord(at(FIRST_LINE + 100, 304), VIDEO_EVENT_SCREEN_BYTE | 0xFF0000, 0x20000 + 150 * 160 + 3);
    expectStandardFrame();
    for (int s = 0; s < 16; ++s) want(42, 44 + s) = palette[1];
    for (int s = 8; s < 16; ++s) want(42 + 150, 44 + s) = palette[2];  // low byte of plane 1
    render();
    compare();
    EXPECT_EQ(stReadWord(ScreenCopy, 10 * 160), 0xFFFF) << "the copy holds the replayed writes";
}

// Several openings on one line, cuts that run the source backwards, openings on border
// lines and a counter at the top of RAM: each line stays 400 slots wide and nothing is
// read or written outside the buffers.
TEST_F(RendererTest, HostileEventsStayInsideEachLine) {
    for (int line = 22; line < 313; ++line) {
        for (int pos : {8, 12, 16}) videoEventRecord(at(line, pos), VIDEO_EVENT_LEFT_BORDER, 0);
        for (int pos : {164, 168, 172, 176}) videoEventRecord(at(line, pos), VIDEO_EVENT_LINE_MINUS_106, 0);
        for (int pos : {388, 392, 396}) videoEventRecord(at(line, pos), VIDEO_EVENT_RIGHT_BORDER, 0);
        if (line == 200) videoEventRecord(at(line, 400), VIDEO_EVENT_COUNTER, 0x3FFFFE);
    }
    hw.topBorderOpen = hw.bottomBorderOpen = 1;
    render();
    for (int row = 1; row < 600; row += 2)
        for (int s = 0; s < PICTURE_SLOTS; ++s) ASSERT_EQ(frame[row * PICTURE_SLOTS + s], UNTOUCHED) << row;
}

// The STE's scroll state recorded in line 99 holds for line 100, where a change in the
// middle of the line holds from line 101 on; the line offset standing at line 100's
// start (3 words) moves the source on after line 99. Line 100 shows its pixels from the
// scroll on, with or without the extra group, in low and medium resolution and with
// open borders; the source moves on by the extra group after it.
TEST_F(RendererTest, ScrolledLines) {
    struct Case {
        const char* what;
        int scroll;
        bool fetch;
        bool medium = false, leftOpen = false, rightOpen = false;
    };
    const Case cases[] = {
        {"low", 5, true},
        {"low, no fetch", 13, false},
        {"fetch without scroll", 0, true},
        {"left open", 7, true, false, true},
        {"left open, no fetch", 7, false, false, true},
        {"right open", 9, true, false, false, true},
        {"both open, no fetch", 15, false, false, true, true},
        {"medium", 5, true, true},
        {"medium, no fetch", 12, false, true},
    };
    constexpr int L = 100, LINE = FIRST_LINE + L;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        SetUp();
        expected = ExpectedPicture{};
        videoEventRecord(at(LINE - 1, 300), VIDEO_EVENT_SCROLL, 3 | k.scroll << 8 | k.fetch << 12);
        if (k.medium) videoEventRecord(at(LINE - 1, 310), VIDEO_EVENT_RESOLUTION, 1);
        if (k.leftOpen) videoEventRecord(at(LINE, 12), VIDEO_EVENT_LEFT_BORDER, 0);
        if (k.medium) videoEventRecord(at(LINE, 300), VIDEO_EVENT_RESOLUTION, 0);
        if (k.rightOpen) videoEventRecord(at(LINE, 388), VIDEO_EVENT_RIGHT_BORDER, 0);
        videoEventRecord(at(LINE, 400), VIDEO_EVENT_SCROLL, 0);
        render();
        expected.frame(42, 200, palette[0], [&](int l, uint32_t offset) {
            if (l != L) return expectDisplayLine(l, offset) + (l == L - 1 ? 6 : 0);
            uint32_t next = k.medium ? expected.mediumLine(l, ScreenCopy, offset, palette, k.scroll, k.fetch)
                                     : expected.displayLine(l, ScreenCopy, offset, palette, k.leftOpen, k.rightOpen,
                                                            k.scroll, k.fetch);
            return next + (k.fetch ? (k.medium ? 4 : 8) : 0);
        });
        compare();
    }
}

}  // namespace

// A line kept from the frame drawn before is the line a whole drawing gives: two frames
// differ in one input of picture line 100 (or none), and the second frame, drawn over the
// first with its unchanged lines kept, equals the second frame drawn whole. A mark left
// on line 100 between the two shows whether it was drawn again.
TEST(KeptLines, FollowEveryInputOfALine) {
    constexpr int L = 100, LINE = FIRST_LINE + L;
    constexpr uint32_t OFFSET = (L - 42) * 160;  // the line's bytes in the copy
    using Events = std::vector<std::tuple<int32_t, uint32_t, uint32_t>>;
    struct Case {
        const char* what;
        Events both;                 // events of both frames
        Events first, second;        // events of one frame only
        int changedByte = -1;        // a byte of the copy changed for the second frame
        bool redrawn = true;         // line 100 is drawn again
    };
    const Events scrolled = {{at(LINE - 1, 300), VIDEO_EVENT_SCROLL, 5 << 8 | 1 << 12}};
    const Events borders = {{at(LINE, 12), VIDEO_EVENT_LEFT_BORDER, 0}, {at(LINE, 388), VIDEO_EVENT_RIGHT_BORDER, 0}};
    const Case cases[] = {
        {"nothing", {}, {}, {}, -1, false},
        {"a palette entry before the line", {}, {{at(30, 0), VIDEO_EVENT_PALETTE + 10, 0x123}}, {}},
        {"the first byte", {}, {}, {}, int(OFFSET)},
        {"the last byte", {}, {}, {}, int(OFFSET + 159)},
        {"the scroll's extra group", scrolled, {}, {}, int(OFFSET + 163)},
        {"the block the open right border shows", borders, {}, {}, int(OFFSET + 205)},
        {"a colour in the line", {}, {{at(LINE, 200), VIDEO_EVENT_PALETTE + 2, 0x700}},
         {{at(LINE, 200), VIDEO_EVENT_PALETTE + 2, 0x070}}},
        {"the border colour 4 cycles later", {}, {{at(LINE, 60), VIDEO_EVENT_PALETTE, 0x077}},
         {{at(LINE, 64), VIDEO_EVENT_PALETTE, 0x077}}},
        {"a screen write ahead of the fetch", {}, {},
         {{at(LINE, 100), VIDEO_EVENT_SCREEN_WORD | 0xFFFF0000, OFFSET + 120}}},
        {"medium resolution from the line on", {}, {}, {{at(LINE - 1, 400), VIDEO_EVENT_RESOLUTION, 1}}},
        {"a border line's colour", {}, {},
         {{at(FIRST_LINE + 20, 100), VIDEO_EVENT_PALETTE, 0x007}, {at(FIRST_LINE + 21, 100), VIDEO_EVENT_PALETTE, 0}},
         -1, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        setUpMemoryMap();
        buildColourTables();
        rendererResolution = 0;
        ScreenCopyBase = 0;
        ScreenCopySpan = SCREEN_COPY_SPAN;
        std::mt19937 random(3);
        std::generate_n(ScreenCopy, SCREEN_COPY_BYTES, [&] { return uint8_t(random()); });
        // Each frame sets the whole palette first: both start alike.
        auto frameOf = [&](const Events& own) {
            videoEventLogReset();
            for (int i = 0; i < 16; ++i) videoEventRecord(0, VIDEO_EVENT_PALETTE + 2 * i, PALETTE_WORDS[i]);
            Events all = k.both;
            all.insert(all.end(), own.begin(), own.end());
            std::sort(all.begin(), all.end());
            for (auto [c, kind, value] : all) videoEventRecord(c, kind, value);
            videoEventLogClose();
        };
        std::vector<uint32_t> kept(PICTURE_SLOTS * 600), whole(PICTURE_SLOTS * 600);
        auto draw = [&](std::vector<uint32_t>& into) {
            RenderFrame(reinterpret_cast<uint8_t*>(into.data()), shifterFrameVideo(), PICTURE_SLOTS * 4);
        };
        forgetDrawnLines();
        frameOf(k.first);
        draw(kept);
        if (k.changedByte >= 0) ScreenCopy[k.changedByte] ^= 0x5A;
        frameOf(k.second);
        RendererState start = rendererState();
        std::vector<uint8_t> copy(ScreenCopy, ScreenCopy + SCREEN_COPY_BYTES);
        uint32_t& mark = kept[2 * L * PICTURE_SLOTS + 200];
        uint32_t drawn = mark;
        mark = UNTOUCHED;
        draw(kept);
        EXPECT_EQ(mark != UNTOUCHED, k.redrawn);
        if (mark == UNTOUCHED) mark = drawn;
        setRendererState(start);
        std::copy(copy.begin(), copy.end(), ScreenCopy);
        forgetDrawnLines();
        draw(whole);
        EXPECT_TRUE(kept == whole);
    }
}
