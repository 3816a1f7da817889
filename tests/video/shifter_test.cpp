// The Shifter's register page driven through the I/O dispatch, as the processor reaches
// it: registers, recorded events, border detection and the video counter.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "bus/memory_map.h"
#include "bus/video_event_log.h"
#include "support/test_machine.h"
#include "video/renderer.h"
#include "video/shifter.h"

namespace {

constexpr int32_t at(int line, int pos) { return line * LINE_CYCLES + pos; }

struct Event {
    int32_t cycle;
    uint32_t kind, value;
    bool operator==(const Event&) const = default;
};

uint32_t readByte(uint32_t a, int32_t c = 0) { return ioReadByte(a, nullptr, c); }
uint32_t readWord(uint32_t a, int32_t c = 0) { return ioReadWord(a, nullptr, c); }
void writeByte(uint32_t a, uint32_t v, int32_t c = 0) { ioWriteByte(a, v, nullptr, c); }
void writeWord(uint32_t a, uint32_t v, int32_t c = 0) { ioWriteWord(a, v, nullptr, c); }

// The recorded events with absolute cycle positions.
std::vector<Event> events() {
    std::vector<Event> list;
    int32_t c = 0;
    for (const LogEntry* e = VideoEventLog; e != hw.videoEventWrite; ++e)
        list.push_back({c += int32_t(e->delta), e->kind, e->value});
    return list;
}

class ShifterTest : public ::testing::Test {
protected:
    void SetUp() override {
        setUpMemoryMap();
        hw.machineFlags = 0;
        std::memset(hw.shifter, 0, sizeof hw.shifter);
        shifterReset();
        ShifterFrameStart();
    }
    void TearDown() override { hw.machineFlags = 0; }
};

TEST_F(ShifterTest, VideoBaseSteRegistersAndReset) {
    writeByte(0xFF8201, 0x12);
    writeWord(0xFF8202, 0xAB34);  // the odd register takes the low byte
    writeByte(0xFF820D, 0x40);    // STE only
    writeByte(0xFF8209, 0x80);
    EXPECT_EQ(hw.videoBaseRegister, 0x123400u);
    EXPECT_EQ(readWord(0xFF8202) & 0xFF, 0x34u);
    EXPECT_EQ(readByte(0xFF820D), 0xFFu);
    EXPECT_EQ(readWord(0xFF820C), 0xFFFFu);
    EXPECT_EQ(hw.counterBase, 0u) << "the base takes effect at the next frame";
    EXPECT_TRUE(events().empty());
    EXPECT_EQ(readByte(0xFF8210), 0xFFu) << "unlisted registers read all ones";

    hw.machineFlags = MACHINE_STE;
    writeWord(0xFF820C, 0x1142);
    EXPECT_EQ(readWord(0xFF820C), 0x0042u);
    EXPECT_EQ(hw.videoBaseRegister, 0x123442u);
    for (uint32_t i = 0; i < 0x10000; i += 2) stWriteWord(hw.ram, 0x123442 + i, uint16_t(i ^ 0x5A5A));
    ShifterFrameStart();
    ShifterCopyScreen(true);
    EXPECT_EQ(hw.counterBase, 0x123442u);
    EXPECT_EQ(ScreenCopyBase, 0x123442u);
    EXPECT_EQ(stReadWord(ScreenCopy, 0x1234), 0x1234 ^ 0x5A5A);
    EXPECT_EQ(WriteWordMap[0].start, 0x123442u);
    EXPECT_EQ(WriteByteMap[0].end, 0x133441u);

    writeByte(0xFF8260, 1);
    writeByte(0xFF820A, 0);
    rendererResolution = 1;
    shifterReset();
    EXPECT_EQ(hw.videoBaseRegister | hw.counterBase | readByte(0xFF8201) | readByte(0xFF8260), 0u);
    EXPECT_EQ(readByte(0xFF820A), 2u);
    EXPECT_EQ(rendererResolution, 0);
}

TEST_F(ShifterTest, PaletteWritesRecordTheWholeEntry) {
    writeWord(0xFF8240, 0x0123, 1000);
    writeByte(0xFF8241, 0x77, 1100);  // low byte only: high byte kept
    writeByte(0xFF825E, 0xF7, 1200);  // entry 15; all 16 bits are kept
    EXPECT_EQ(readWord(0xFF8240), 0x0177u);
    EXPECT_EQ(readWord(0xFF825E), 0xF700u);
    std::vector<Event> expected = {{1000, 0x00, 0x0123}, {1100, 0x00, 0x0177}, {1200, 0x1E, 0xF700}};
    EXPECT_EQ(events(), expected);
}

TEST_F(ShifterTest, ResolutionWritesAndLineTricks) {
    writeByte(0xFF8260, 0x01, at(100, 40));
    writeByte(0xFF8260, 0x02, at(101, 12));    // left border: the resolution stays
    writeWord(0xFF8260, 0x0200, at(102, 168));  // the line ends early
    EXPECT_EQ(readByte(0xFF8260), 1u);
    EXPECT_EQ(LineWindowTable[101].start, 44);
    EXPECT_EQ(LineWindowTable[102].end, 204);
    writeByte(0xFF8260, 0x02, at(103, 20));  // elsewhere a real change
    writeByte(0xFF8260, 0xFF, at(104, 8));   // and so is any other value
    EXPECT_EQ(readByte(0xFF8260), 3u);
    std::vector<Event> expected = {{at(100, 40), 0x22, 1}, {at(101, 12), 0x26, 0}, {at(102, 168), 0x28, 0},
                                   {at(103, 20), 0x22, 2}, {at(104, 8), 0x22, 3}};
    EXPECT_EQ(events(), expected);
}

TEST_F(ShifterTest, SyncModeWritesOnDisplayedLines) {
    writeByte(0xFF820A, 0x00, at(40, 388));  // not displaying yet: nothing
    EXPECT_TRUE(events().empty());
    writeByte(0xFF820A, 0x00, at(63, 0));  // any 60 Hz write in line 63 starts the display
    EXPECT_EQ(hw.displayEnable, 1u);
    writeByte(0xFF820A, 0x02, at(100, 388));  // 50 Hz: shadow only
    EXPECT_TRUE(events().empty());
    writeByte(0xFF820A, 0xFC, at(100, 388));    // v & 3 = 0: right border
    writeWord(0xFF820A, 0x0002, at(101, 388));  // the high byte counts
    for (int pos : {356, 372, 376, 380, 384}) writeByte(0xFF820A, 0, at(110, pos));
    writeByte(0xFF820A, 0x01, at(111, 388));  // mode 1 is not 0
    writeByte(0xFF820A, 0x00, at(112, 360));  // not a trick position
    EXPECT_EQ(readByte(0xFF820A), 0u);
    EXPECT_EQ(LineWindowTable[100].end, 504);
    EXPECT_EQ(LineWindowTable[101].end, 504);
    EXPECT_EQ(LineWindowTable[110].end, 396);
    EXPECT_EQ(LineWindowTable[111].end, 416);
    std::vector<Event> list = events();
    ASSERT_EQ(list.size(), 7u);
    EXPECT_EQ(list[0], (Event{at(100, 388), 0x24, 0}));
    EXPECT_EQ(list[1], (Event{at(101, 388), 0x24, 0}));
    for (int i = 2; i < 7; ++i) EXPECT_EQ(list[i].kind, 0x2Au);
}

TEST_F(ShifterTest, TopAndBottomBorderWindows) {
    struct Case {
        int32_t cycle;
        bool top, bottom;
    };
    for (Case k : {Case{17183, false, false}, Case{17184, true, false}, Case{17424, true, false},
                   Case{17425, false, false}, Case{133923, false, false}, Case{133924, false, true},
                   Case{134752, false, true}, Case{134753, false, false}}) {
        SCOPED_TRACE(k.cycle);
        ShifterFrameStart();
        writeByte(0xFF820A, 0x02, k.cycle);  // 50 Hz never opens
        writeByte(0xFF820A, 0x00, k.cycle);
        EXPECT_EQ(bool(hw.topBorderOpen), k.top);
        EXPECT_EQ(bool(hw.bottomBorderOpen), k.bottom);
        EXPECT_EQ(bool(hw.displayEnable), k.top || k.bottom);
    }
}

TEST_F(ShifterTest, CounterOverAFrame) {
    hw.videoBaseRegister = 0x078000;
    ShifterFrameStart();
    hw.videoBaseRegister = 0x0F8000;  // the next frame's base
    EXPECT_EQ(ReadVideoCounter(at(10, 0)), 0x078000u) << "before the first display line";
    // The counter runs 20 cycles ahead: at 76 it stands at 96, the first fetch.
    EXPECT_EQ(ReadVideoCounter(at(63, 76)), 0x078000u);
    EXPECT_EQ(ReadVideoCounter(at(63, 80)), 0x078002u);
    EXPECT_EQ(ReadVideoCounter(at(64, 0)), 0x078000u + 160);
    EXPECT_EQ(ReadVideoCounter(at(263, 0)), 0x078000u + 32000);
    EXPECT_EQ(ReadVideoCounter(at(309, 400)), 0x078000u + 32000);
    EXPECT_EQ(ReadVideoCounter(at(310, 0)), 0x0F8000u) << "reloaded from line 310";
    EXPECT_EQ(ReadVideoCounter(at(64, 0)), 0x078000u + 160) << "an earlier position is a new frame";
    // Reads 8 cycles apart see 4 bytes; a read 2 cycles later adds nothing (each piece
    // between two reads is rounded to whole words).
    uint32_t a = readByte(0xFF8209, at(100, 200));
    EXPECT_EQ(readByte(0xFF8209, at(100, 208)), (a + 4) & 0xFF);
    EXPECT_EQ(readByte(0xFF8209, at(100, 210)), (a + 4) & 0xFF);

    // Word reads put $FF above the byte; the middle byte is taken 10 bytes on.
    hw.counterBase = 0x0100F8;
    ShifterFrameStart();
    hw.counterBase = 0x0100F8;
    EXPECT_EQ(readWord(0xFF8204, at(5, 0)), 0xFF01u);
    EXPECT_EQ(readWord(0xFF8206, at(5, 0)), 0xFF01u);
    EXPECT_EQ(readWord(0xFF8208, at(5, 0)), 0xFFF8u);
}

TEST_F(ShifterTest, CounterWithLineTricksAndOpenBorders) {
    hw.videoBaseRegister = 0x020000;
    writeByte(0xFF820A, 0, at(33, 400));  // top border
    writeByte(0xFF820A, 2, at(34, 100));
    EXPECT_EQ(ReadVideoCounter(at(63, 0) - 20), 29u * 160) << "counting starts at line 34";
    writeByte(0xFF8260, 2, at(70, 8));    // left open: 186
    writeByte(0xFF820A, 0, at(71, 388));  // right open: 204
    writeByte(0xFF8260, 2, at(72, 12));   // both: 230
    writeByte(0xFF820A, 0, at(72, 388));
    writeByte(0xFF820A, 0, at(73, 372));  // 158
    writeByte(0xFF8260, 2, at(74, 176));  // 54
    uint32_t start = ReadVideoCounter(at(70, 0) - 20);
    const uint32_t widths[] = {186, 204, 230, 158, 54, 160};
    for (int i = 0; i < 6; ++i) {
        uint32_t next = ReadVideoCounter(at(71 + i, 0) - 20);
        EXPECT_EQ(next - start, widths[i]) << "line " << 70 + i;
        start = next;
    }
    writeByte(0xFF820A, 0, at(262, 0));  // bottom border: counting goes on to line 310
    EXPECT_EQ(ReadVideoCounter(at(310, 0) - 21), (310u - 34) * 160 + 186 + 204 + 230 + 158 + 54 - 5 * 160);
    EXPECT_EQ(ReadVideoCounter(at(310, 0)), 0x020000u) << "then the reload";
}

TEST_F(ShifterTest, SteCounterWriteKeepsTheCount) {
    hw.machineFlags = MACHINE_STE;
    hw.videoBaseRegister = 0x010000;
    ShifterFrameStart();
    EXPECT_EQ(ReadVideoCounter(at(73, 0) - 20), 0x010000u + 1600);
    writeByte(0xFF8205, 0x02, at(73, 40));
    writeWord(0xFF8206, 0x0080, at(73, 48));
    EXPECT_EQ(hw.counterBase, 0x028000u);
    EXPECT_EQ(ReadVideoCounter(at(74, 0) - 20), 0x028000u + 1760);
    writeByte(0xFF8205, 0xC1, at(80, 0));  // the event carries the RAM offset (22 bits)
    std::vector<Event> expected = {
        {at(73, 40), 0x20, 0x020000}, {at(73, 48), 0x20, 0x028000}, {at(80, 0), 0x20, 0x018000}};
    EXPECT_EQ(events(), expected);
}

// ---- STE line offset and pixel scroll -----------------------------------------------------
// The registers exist only on the STE; $FF8265 sets the scroll and the MMU's extra fetch,
// a byte at $FF8264 only the scroll; the even bytes have no bits. Every STE write records
// the whole new state for the renderer.
TEST_F(ShifterTest, ScrollRegisters) {
    struct Write {
        uint32_t address, value;
        bool word;
    };
    struct Case {
        const char* what;
        bool ste;
        std::vector<Write> writes;
        uint32_t lineOffset, scroll;  // $FF820F and $FF8265 read back
        bool prefetch;
    };
    const Case cases[] = {
        {"STF: no such registers", false, {{0xFF820F, 0x12, false}, {0xFF8265, 5, false}}, 0xFF, 0xFF, false},
        {"line offset", true, {{0xFF820F, 0x9A, false}}, 0x9A, 0, false},
        {"line offset by word", true, {{0xFF820E, 0x3355, true}}, 0x55, 0, false},
        {"scroll: four bits", true, {{0xFF8265, 0xF7, false}}, 0, 7, true},
        {"scroll through $FF8264", true, {{0xFF8264, 0x39, false}}, 0, 9, false},
        {"$FF8264 keeps the fetch", true, {{0xFF8265, 5, false}, {0xFF8264, 0, false}}, 0, 0, true},
        {"a word at $FF8264 is $FF8265's", true, {{0xFF8264, 0x0A03, true}}, 0, 3, true},
        {"scroll 0 ends the fetch", true, {{0xFF8265, 5, false}, {0xFF8265, 0x10, false}}, 0, 0, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        SetUp();
        hw.machineFlags = k.ste ? MACHINE_STE : 0;
        int32_t c = at(100, 0);
        for (const Write& w : k.writes) (w.word ? writeWord : writeByte)(w.address, w.value, c += 100);
        EXPECT_EQ(readByte(0xFF820F), k.lineOffset);
        EXPECT_EQ(readByte(0xFF8265), k.scroll);
        EXPECT_EQ(readByte(0xFF820E), k.ste ? 0u : 0xFFu);
        EXPECT_EQ(readByte(0xFF8264), k.ste ? 0u : 0xFFu);
        EXPECT_EQ(readWord(0xFF820E), k.ste ? k.lineOffset : 0xFFFFu);
        EXPECT_EQ(readWord(0xFF8264), k.ste ? k.scroll : 0xFFFFu);
        EXPECT_EQ(bool(hw.scrollPrefetch), k.prefetch);
        std::vector<Event> list = events();
        ASSERT_EQ(list.size(), k.ste ? k.writes.size() : 0u);
        if (k.ste)
            EXPECT_EQ(list.back(), (Event{c, VIDEO_EVENT_SCROLL, k.lineOffset | k.scroll << 8 | k.prefetch << 12}));
    }
    shifterReset();
    EXPECT_EQ(readByte(0xFF820F) | readByte(0xFF8265) | hw.scrollPrefetch, 0u);
}

// Counter reads at the start of lines 99-103 give each line's fetch with the line offset
// after it: a write takes effect from the line after the one it falls in.
TEST_F(ShifterTest, CounterTakesTheScrollRegistersAtEachLineStart) {
    struct Case {
        const char* what;
        uint32_t address, value;
        int32_t cycle;
        uint32_t widths[4];  // lines 99-102
        bool medium = false;
    };
    const Case cases[] = {
        {"offset in the line's last cycles", 0xFF820F, 10, at(100, 508), {160, 180, 180, 180}},
        {"offset at the line's first cycle", 0xFF820F, 10, at(101, 0), {160, 160, 180, 180}},
        {"extra group", 0xFF8265, 5, at(100, 508), {160, 160, 168, 168}},
        {"extra group from the next line", 0xFF8265, 5, at(101, 0), {160, 160, 160, 168}},
        {"extra group, medium", 0xFF8265, 5, at(100, 200), {160, 160, 164, 164}, true},
        {"scroll without fetch", 0xFF8264, 5, at(100, 200), {160, 160, 160, 160}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        SetUp();
        hw.machineFlags = MACHINE_STE;
        hw.videoBaseRegister = 0x010000;
        ShifterFrameStart();
        if (k.medium) writeByte(0xFF8260, 1, at(50, 0));
        uint32_t start = ReadVideoCounter(at(99, 4));
        for (int i = 0; i < 4; ++i) {
            if (k.cycle < at(100 + i, 4) && k.cycle >= at(99 + i, 4)) writeByte(k.address, k.value, k.cycle);
            uint32_t next = ReadVideoCounter(at(100 + i, 4));
            EXPECT_EQ(next - start, k.widths[i]) << "line " << 99 + i;
            start = next;
        }
    }
    // The extra group comes before the line's usual first fetch (cycle 96, as the
    // counter sees it): 2 bytes 4 cycles in, none before.
    SetUp();
    hw.machineFlags = MACHINE_STE;
    writeByte(0xFF8265, 5, at(100, 0));
    uint32_t lineStart = ReadVideoCounter(at(120, 0));
    EXPECT_EQ(ReadVideoCounter(at(120, 80 - 20)), lineStart);
    EXPECT_EQ(ReadVideoCounter(at(120, 84 - 20)), lineStart + 2);
}

// A write counts the frame only up to the start of its line, so that the words rounded
// off between reads stay what the reads alone would give.
TEST_F(ShifterTest, ScrollWritesLeaveTheCountersReadsAlone) {
    hw.machineFlags = MACHINE_STE;
    const int32_t reads[] = {at(70, 90), at(70, 134), at(70, 230), at(71, 2), at(71, 98), at(90, 378)};
    std::vector<uint32_t> plain;
    for (int32_t c : reads) plain.push_back(ReadVideoCounter(c));
    ShifterFrameStart();
    for (size_t i = 0; i < std::size(reads); ++i) {
        writeByte(0xFF820F, 0, reads[i] - 6);
        writeByte(0xFF820F, 0, reads[i] - 2);
        EXPECT_EQ(ReadVideoCounter(reads[i]), plain[i]) << i;
    }
}

// With a line offset or the extra fetch a frame spreads beyond 64 KB: the copy and the
// recorded-write window grow to all of ScreenCopy, from the frame start or from the
// write that sets them; the window never runs past the RAM area.
TEST_F(ShifterTest, ScreenCopyCoversTheWiderFrame) {
    struct Case {
        const char* what;
        bool ste;
        uint32_t base, address, value;
        uint32_t span, windowEnd;
    };
    const Case cases[] = {
        {"STF", false, 0x100000, 0xFF820F, 40, 0x10000, 0x10FFFF},
        {"no offset", true, 0x100000, 0xFF8264, 5, 0x10000, 0x10FFFF},
        {"line offset", true, 0x100000, 0xFF820F, 40, 0x40000, 0x13FFFF},
        {"extra fetch", true, 0x100000, 0xFF8265, 5, 0x40000, 0x13FFFF},
        {"top of RAM", true, 0x3E0000, 0xFF8265, 5, 0x40000, 0x3FFFFF},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        SetUp();
        for (uint32_t i = 0; i < 0x40000; i += 2) stWriteWord(hw.ram, 0x100000 + i, uint16_t(i >> 1));
        hw.machineFlags = k.ste ? MACHINE_STE : 0;
        hw.videoBaseRegister = k.base;
        ShifterFrameStart();
        ShifterCopyScreen(true);
        writeByte(k.address, k.value, at(20, 0));
        for (bool frameStart : {false, true}) {
            if (frameStart) {
                ShifterFrameStart();
                ShifterCopyScreen(true);
            }
            EXPECT_EQ(ScreenCopySpan, k.span);
            EXPECT_EQ(WriteWordMap[0].end, k.windowEnd);
            if (k.base == 0x100000)
                EXPECT_EQ(stReadWord(ScreenCopy, k.span - 2), uint16_t((k.span - 2) >> 1)) << "the copy's last word";
        }
    }
}

}  // namespace
