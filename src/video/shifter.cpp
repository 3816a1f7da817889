// The Shifter's register page $FF8200-$FF82FF. Nothing is drawn here: every write that
// changes the picture becomes a cycle-stamped event for the renderer, and the border
// tricks (sync mode and resolution switched at exact positions of a line) also move the
// line's fetch window for the video counter.
#include "video/shifter.h"

#include <cstring>
#include <initializer_list>

#include "bus/hardware_state.h"
#include "bus/hardware_write_log.h"
#include "bus/io_dispatch.h"
#include "bus/memory_map.h"
#include "bus/snapshot_section.h"
#include "bus/video_event_log.h"
#include "video/renderer.h"

static uint8_t screenCopies[2][SCREEN_COPY_BYTES];
uint8_t* ScreenCopy = screenCopies[0];
uint32_t ScreenCopyBase;
uint32_t ScreenCopySpan = SCREEN_COPY_SPAN;
bool screenCopyDue;
static const uint8_t* heldScreenCopy;
// This frame: whether its copy was taken (the copy the machine starts with is all zero,
// as its RAM), and whether an STE counter write sends its fetch into RAM.
static bool screenCopied = true;
static bool counterWritten;

// Register offsets in the page.
enum : uint32_t {
    REG_VIDEO_BASE_HIGH = 0x01,
    REG_VIDEO_BASE_MID = 0x03,
    REG_COUNTER_HIGH = 0x05,
    REG_COUNTER_MID = 0x07,
    REG_COUNTER_LOW = 0x09,
    REG_SYNC_MODE = 0x0A,
    REG_VIDEO_BASE_LOW = 0x0D,  // STE
    REG_LINE_OFFSET = 0x0F,     // STE: words added after each displayed line
    REG_PALETTE = 0x40,         // 16 words
    REG_PALETTE_END = 0x60,
    REG_RESOLUTION = 0x60,
    REG_PIXEL_SCROLL_NO_FETCH = 0x64,  // STE: the scroll without the extra fetch
    REG_PIXEL_SCROLL = 0x65,           // STE: 0-15 pixels
};

constexpr uint32_t RAM_OFFSET_MASK = RAM_AREA_SIZE - 1;  // 22 bits

// Sync mode writes of 60 Hz inside these cycle windows make the Shifter miss the end
// (bottom) or the start (top) of the vertical border.
constexpr int32_t BOTTOM_OPEN_FIRST = 261 * LINE_CYCLES + 292;
constexpr int32_t BOTTOM_OPEN_LAST = 263 * LINE_CYCLES + 96;
constexpr int32_t TOP_OPEN_FIRST = 33 * LINE_CYCLES + 288;
constexpr int32_t TOP_OPEN_LAST = 34 * LINE_CYCLES + 16;
constexpr int32_t FIRST_DISPLAY_LINE = 63;

// ---- Shadow reads -----------------------------------------------------------------------
static uint32_t readShadowByte(uint32_t a, int32_t) { return hw.shifter[a & 0xFF]; }
static uint32_t readShadowWord(uint32_t a, int32_t) {
    uint32_t i = a & 0xFE;
    return uint32_t(hw.shifter[i]) << 8 | hw.shifter[i + 1];
}
static uint32_t readSteShadowByte(uint32_t a, int32_t s) { return isSte() ? readShadowByte(a, s) : 0xFF; }
static uint32_t readSteShadowWord(uint32_t a, int32_t s) { return isSte() ? readShadowWord(a, s) : 0xFFFF; }
// The line offset and the pixel scroll sit at odd addresses; the even byte beside each
// has no bits and reads 0.
static uint32_t readSteOddByte(uint32_t a, int32_t) {
    if (!isSte()) return 0xFF;
    return a & 1 ? hw.shifter[a & 0xFF] : 0;
}
static uint32_t readSteOddWord(uint32_t a, int32_t) { return isSte() ? hw.shifter[(a & 0xFF) | 1] : 0xFFFF; }

// ---- Video counter reads ----------------------------------------------------------------
// Each byte through `counterAt`: the read's own counting, or the debugger's peek.
using CounterAt = uint32_t (*)(int32_t c);
template <CounterAt counterAt>
static uint32_t counterHigh(uint32_t, int32_t s) { return (counterAt(s) >> 16) & 0xFF; }
// The middle byte is taken 10 bytes further on.
template <CounterAt counterAt>
static uint32_t counterMid(uint32_t, int32_t s) { return ((counterAt(s) + 10) >> 8) & 0xFF; }
template <CounterAt counterAt>
static uint32_t counterLow(uint32_t, int32_t s) { return counterAt(s) & 0xFF; }
constexpr IoReadFn readCounterHigh = counterHigh<ReadVideoCounter>;
constexpr IoReadFn readCounterMid = counterMid<ReadVideoCounter>;
constexpr IoReadFn readCounterLow = counterLow<ReadVideoCounter>;

// A word read at the even address sees $FF above the odd register.
template <IoReadFn readOdd>
static uint32_t readOddUnderFF(uint32_t a, int32_t s) {
    return 0xFF00 | readOdd(a | 1, s);
}

// ---- Writes -----------------------------------------------------------------------------
// A word write at the even address gives the odd register its low byte...
template <IoWriteFn writeOdd>
static void writeLowByteToOdd(uint32_t a, uint32_t v, int32_t s) {
    writeOdd(a | 1, v & 0xFF, s);
}

static void setVideoBaseByte(uint32_t reg, int shift, uint32_t v) {
    hw.shifter[reg] = uint8_t(v);
    hw.videoBaseRegister = (hw.videoBaseRegister & ~(0xFFu << shift)) | (v & 0xFF) << shift;
}
static void writeVideoBaseHigh(uint32_t, uint32_t v, int32_t) { setVideoBaseByte(REG_VIDEO_BASE_HIGH, 16, v); }
static void writeVideoBaseMid(uint32_t, uint32_t v, int32_t) { setVideoBaseByte(REG_VIDEO_BASE_MID, 8, v); }
static void writeVideoBaseLow(uint32_t, uint32_t v, int32_t) {
    if (isSte()) setVideoBaseByte(REG_VIDEO_BASE_LOW, 0, v);
}

// ---- STE line offset and pixel scroll -----------------------------------------------------
// The MMU adds the line offset to the video address after every displayed line and, while
// the last value written at $FF8265 is not 0, fetches one 16-pixel group more per line,
// before the line's usual first fetch; the Shifter shows the line's pixels from the scroll
// on, so that the extra group supplies the right edge. Every line takes the values that
// stand at its first cycle: its extra fetch and scroll, and the offset added between the
// line before and it. A line's layout is thus settled before its earliest fetch can
// start (with the left border open and the extra group, 8 cycles later), and a handler
// of the line-end interrupt sets up the next line; a write in the middle of a line
// changes the picture and the counter from the next line on.
static bool steLineLayoutInUse() { return isSte() && (hw.shifter[REG_LINE_OFFSET] || hw.scrollPrefetch); }

uint32_t lineOffsetBytes() { return isSte() ? 2u * hw.shifter[REG_LINE_OFFSET] : 0; }
uint32_t scrollFetchBytes() {
    if (!isSte() || !hw.scrollPrefetch) return 0;
    return hw.shifter[REG_RESOLUTION] & 1 ? 4 : 8;
}

static uint32_t scrollState() {
    return hw.shifter[REG_LINE_OFFSET] | uint32_t(hw.shifter[REG_PIXEL_SCROLL] & 15) << 8 |
           uint32_t(hw.scrollPrefetch) << 12;
}

static void copyScreen(uint32_t from) {
    std::memcpy(ScreenCopy + from, hw.ram + ScreenCopyBase + from, ScreenCopySpan - from);
}

// The bytes beyond the frame-start copy are taken from RAM as it stands now: writes to
// them earlier in this frame count as made before it.
static void scrollRegistersWritten(int32_t c) {
    if (ScreenCopySpan != SCREEN_COPY_BYTES && steLineLayoutInUse()) {
        ScreenCopySpan = SCREEN_COPY_BYTES;
        if (screenCopied) copyScreen(SCREEN_COPY_SPAN);
        setScreenWindow(ScreenCopyBase, ScreenCopySpan);
    }
    videoEventRecord(c, VIDEO_EVENT_SCROLL, scrollState());
}

static void writeLineOffset(uint32_t, uint32_t v, int32_t c) {
    if (!isSte()) return;
    settleVideoCounter(c);
    hw.shifter[REG_LINE_OFFSET] = uint8_t(v);
    scrollRegistersWritten(c);
}
static void writePixelScroll(uint32_t, uint32_t v, int32_t c) {
    if (!isSte()) return;
    settleVideoCounter(c);
    hw.shifter[REG_PIXEL_SCROLL] = uint8_t(v & 15);
    hw.scrollPrefetch = (v & 15) != 0;
    scrollRegistersWritten(c);
}
// The 68000 puts a byte on both halves of the bus, so a byte written at $FF8264 reaches
// the Shifter's four bits; the MMU looks only at writes to the odd byte and keeps its
// extra fetch as it was.
static void writePixelScrollNoFetch(uint32_t, uint32_t v, int32_t c) {
    if (!isSte()) return;
    hw.shifter[REG_PIXEL_SCROLL] = uint8_t(v & 15);
    scrollRegistersWritten(c);
}

// STE: the counter can be rewritten during the frame. The fetched count is kept, so
// later reads see the new base plus the bytes counted so far.
static void writeCounterByte(int shift, uint32_t v, int32_t c) {
    if (!isSte()) return;
    hw.counterBase = (hw.counterBase & ~(0xFFu << shift)) | (v & 0xFF) << shift;
    counterWritten = true;
    videoEventRecord(c, VIDEO_EVENT_COUNTER, hw.counterBase & RAM_OFFSET_MASK);
}
static void writeCounterHigh(uint32_t, uint32_t v, int32_t s) { writeCounterByte(16, v, s); }
static void writeCounterMid(uint32_t, uint32_t v, int32_t s) { writeCounterByte(8, v, s); }
static void writeCounterLow(uint32_t, uint32_t v, int32_t s) { writeCounterByte(0, v, s); }

// Every palette write records the entry's whole word as it stands after the write.
static void recordPaletteEntry(uint32_t reg, int32_t c) {
    uint32_t i = reg & 0xFE;
    videoEventRecord(c, VIDEO_EVENT_PALETTE + (i - REG_PALETTE), uint32_t(hw.shifter[i]) << 8 | hw.shifter[i + 1]);
}
static void writePaletteByte(uint32_t a, uint32_t v, int32_t s) {
    hw.shifter[a & 0xFF] = uint8_t(v);
    recordPaletteEntry(a, s);
}
static void writePaletteWord(uint32_t a, uint32_t v, int32_t s) {
    uint32_t i = a & 0xFE;
    hw.shifter[i] = uint8_t(v >> 8);
    hw.shifter[i + 1] = uint8_t(v);
    recordPaletteEntry(i, s);
}

static bool isOneOf(int32_t pos, std::initializer_list<int32_t> positions) {
    for (int32_t p : positions)
        if (pos == p) return true;
    return false;
}

// 60 Hz in the last lines of the display or around the top border's end opens that
// border; on a displayed line, 60 Hz near the line's end either cuts it 2 bytes short
// or, at position 388, keeps the Shifter fetching through the right border.
static void writeSyncMode(uint32_t v, int32_t c) {
    uint32_t mode = v & 3;
    hw.shifter[REG_SYNC_MODE] = uint8_t(mode);
    if (mode & 2) return;
    if (c >= BOTTOM_OPEN_FIRST && c <= BOTTOM_OPEN_LAST) {
        hw.displayEnable = 1;
        hw.bottomBorderOpen = 1;
    }
    if (c >= TOP_OPEN_FIRST && c <= TOP_OPEN_LAST) {
        hw.displayEnable = 1;
        hw.topBorderOpen = 1;
    }
    int32_t line = c / LINE_CYCLES;
    if (line == FIRST_DISPLAY_LINE) hw.displayEnable = 1;
    if (!hw.displayEnable || mode != 0 || line < 0 || line >= FRAME_LINES) return;
    int32_t pos = c % LINE_CYCLES;
    if (isOneOf(pos, {356, 372, 376, 380, 384})) {
        LineWindowTable[line].end -= 4;
        videoEventRecord(c, VIDEO_EVENT_LINE_MINUS_2, 0);
    } else if (pos == 388) {
        LineWindowTable[line].end += 88;
        videoEventRecord(c, VIDEO_EVENT_RIGHT_BORDER, 0);
    }
}

// High resolution for a moment at the start of a line opens the left border; around
// position 170 it ends the line's fetch early. Neither changes the resolution.
static void writeResolution(uint32_t v, int32_t c) {
    uint32_t r = v & 3;
    int32_t line = c / LINE_CYCLES;
    if (r == 2 && line >= 0 && line < FRAME_LINES) {
        int32_t pos = c % LINE_CYCLES;
        if (isOneOf(pos, {8, 12, 16})) {
            LineWindowTable[line].start -= 52;
            videoEventRecord(c, VIDEO_EVENT_LEFT_BORDER, 0);
            return;
        }
        if (isOneOf(pos, {164, 168, 172, 176})) {
            LineWindowTable[line].end -= 212;
            videoEventRecord(c, VIDEO_EVENT_LINE_MINUS_106, 0);
            return;
        }
    }
    if (hw.scrollPrefetch && isSte()) settleVideoCounter(c);  // the extra fetch's size follows
    hw.shifter[REG_RESOLUTION] = uint8_t(r);
    videoEventRecord(c, VIDEO_EVENT_RESOLUTION, r);
}

// Sync mode and resolution take the byte at their even address; the hardware log gets
// the write as the program made it.
static void writeSyncModeByte(uint32_t a, uint32_t v, int32_t s) {
    hardwareLogRecord(a, v, false, s);
    writeSyncMode(v, s);
}
static void writeSyncModeWord(uint32_t a, uint32_t v, int32_t s) {
    hardwareLogRecord(a, v, true, s);
    writeSyncMode(v >> 8, s);
}
static void writeResolutionByte(uint32_t a, uint32_t v, int32_t s) {
    hardwareLogRecord(a, v, false, s);
    writeResolution(v, s);
}
static void writeResolutionWord(uint32_t a, uint32_t v, int32_t s) {
    hardwareLogRecord(a, v, true, s);
    writeResolution(v >> 8, s);
}

// Word entries are indexed by the even address of the pair the register sits in.
static int wordIndex(uint32_t reg) { return int(reg >> 1); }

void shifterInstallRegisters(IoRegisterTable& t) {
    for (uint32_t reg : {REG_VIDEO_BASE_HIGH, REG_VIDEO_BASE_MID, REG_SYNC_MODE, REG_RESOLUTION}) {
        t.readByte[reg] = readShadowByte;
        t.readWord[wordIndex(reg)] = readShadowWord;
    }
    for (uint32_t reg : {REG_LINE_OFFSET, REG_PIXEL_SCROLL}) {
        t.readByte[reg - 1] = t.readByte[reg] = readSteOddByte;
        t.readWord[wordIndex(reg)] = readSteOddWord;
    }
    t.readByte[REG_VIDEO_BASE_LOW] = readSteShadowByte;
    t.readWord[wordIndex(REG_VIDEO_BASE_LOW)] = readSteShadowWord;

    t.readByte[REG_COUNTER_HIGH] = readCounterHigh;
    t.readByte[REG_COUNTER_MID] = readCounterMid;
    t.readByte[REG_COUNTER_LOW] = readCounterLow;
    t.readWord[wordIndex(REG_COUNTER_HIGH)] = readOddUnderFF<readCounterHigh>;
    t.readWord[wordIndex(REG_COUNTER_MID)] = readOddUnderFF<readCounterMid>;
    t.readWord[wordIndex(REG_COUNTER_LOW)] = readOddUnderFF<readCounterLow>;
    t.peekWord[wordIndex(REG_COUNTER_HIGH)] = readOddUnderFF<counterHigh<peekVideoCounter>>;
    t.peekWord[wordIndex(REG_COUNTER_MID)] = readOddUnderFF<counterMid<peekVideoCounter>>;
    t.peekWord[wordIndex(REG_COUNTER_LOW)] = readOddUnderFF<counterLow<peekVideoCounter>>;

    t.writeByte[REG_VIDEO_BASE_HIGH] = writeVideoBaseHigh;
    t.writeByte[REG_VIDEO_BASE_MID] = writeVideoBaseMid;
    t.writeByte[REG_VIDEO_BASE_LOW] = writeVideoBaseLow;
    t.writeByte[REG_COUNTER_HIGH] = writeCounterHigh;
    t.writeByte[REG_COUNTER_MID] = writeCounterMid;
    t.writeByte[REG_COUNTER_LOW] = writeCounterLow;
    t.writeByte[REG_LINE_OFFSET] = writeLineOffset;
    t.writeByte[REG_PIXEL_SCROLL_NO_FETCH] = writePixelScrollNoFetch;
    t.writeByte[REG_PIXEL_SCROLL] = writePixelScroll;
    t.writeByte[REG_SYNC_MODE] = writeSyncModeByte;
    t.writeByte[REG_RESOLUTION] = writeResolutionByte;
    t.writeWord[wordIndex(REG_VIDEO_BASE_HIGH)] = writeLowByteToOdd<writeVideoBaseHigh>;
    t.writeWord[wordIndex(REG_VIDEO_BASE_MID)] = writeLowByteToOdd<writeVideoBaseMid>;
    t.writeWord[wordIndex(REG_VIDEO_BASE_LOW)] = writeLowByteToOdd<writeVideoBaseLow>;
    t.writeWord[wordIndex(REG_COUNTER_HIGH)] = writeLowByteToOdd<writeCounterHigh>;
    t.writeWord[wordIndex(REG_COUNTER_MID)] = writeLowByteToOdd<writeCounterMid>;
    t.writeWord[wordIndex(REG_COUNTER_LOW)] = writeLowByteToOdd<writeCounterLow>;
    t.writeWord[wordIndex(REG_LINE_OFFSET)] = writeLowByteToOdd<writeLineOffset>;
    t.writeWord[wordIndex(REG_PIXEL_SCROLL)] = writeLowByteToOdd<writePixelScroll>;
    t.writeWord[wordIndex(REG_SYNC_MODE)] = writeSyncModeWord;
    t.writeWord[wordIndex(REG_RESOLUTION)] = writeResolutionWord;

    for (uint32_t reg = REG_PALETTE; reg < REG_PALETTE_END; reg += 2) {
        t.readByte[reg] = t.readByte[reg + 1] = readShadowByte;
        t.readWord[wordIndex(reg)] = readShadowWord;
        t.writeByte[reg] = t.writeByte[reg + 1] = writePaletteByte;
        t.writeWord[wordIndex(reg)] = writePaletteWord;
    }
}

void ShifterFrameStart() {
    hw.counterBase = hw.videoBaseRegister;
    videoEventLogReset();
    // The renderer starts a frame with the scroll registers at 0: the STE's standing
    // values are its first event.
    if (isSte() && scrollState()) videoEventRecord(0, VIDEO_EVENT_SCROLL, scrollState());
    videoEventLogClose();  // a list that is always closed can be replayed at any time
    hw.displayEnable = 0;
    hw.topBorderOpen = 0;
    hw.bottomBorderOpen = 0;
    ScreenCopyBase = hw.counterBase & RAM_OFFSET_MASK;
    ScreenCopySpan = steLineLayoutInUse() ? SCREEN_COPY_BYTES : SCREEN_COPY_SPAN;
    setScreenWindow(ScreenCopyBase, ScreenCopySpan);
    if (ScreenCopy == heldScreenCopy) ScreenCopy = ScreenCopy == screenCopies[0] ? screenCopies[1] : screenCopies[0];
    screenCopyDue = true;
    screenCopied = counterWritten = false;
    resetLineWindowTable();
}

void ShifterCopyScreen(bool pictureWanted) {
    screenCopyDue = false;
    if (!pictureWanted) return;
    copyScreen(0);
    screenCopied = true;
}

FrameVideo shifterFrameVideo() {
    return {VideoEventLog, ScreenCopy, ScreenCopyBase, ScreenCopySpan, hw.topBorderOpen != 0,
            hw.bottomBorderOpen != 0, screenCopied, counterWritten};
}

void shifterHoldFrameVideo(const FrameVideo* frame) {
    heldScreenCopy = frame ? frame->screenCopy : nullptr;
    videoEventLogHold(frame ? frame->events : nullptr);
}

void shifterReset() {
    hw.videoBaseRegister = 0;
    hw.counterBase = 0;
    hw.shifter[REG_VIDEO_BASE_HIGH] = hw.shifter[REG_VIDEO_BASE_MID] = hw.shifter[REG_VIDEO_BASE_LOW] = 0;
    hw.shifter[REG_RESOLUTION] = 0;
    hw.shifter[REG_SYNC_MODE] = 2;
    hw.shifter[REG_LINE_OFFSET] = hw.shifter[REG_PIXEL_SCROLL] = 0;
    hw.scrollPrefetch = 0;
    rendererResolution = 0;
}

// ---- Snapshot section ---------------------------------------------------------------
namespace {
// Version 3 adds the STE's extra fetch for the pixel scroll; the line offset and the
// scroll itself are in the register image. A file written before has no extra fetch: the
// machines that wrote it ignored $FF8265.
struct ShifterSection {
    uint32_t version = 3;
    uint32_t counterBase, videoBase;
    uint32_t palette[16];
    uint8_t registers[256];
    int32_t resolution;
    uint32_t scrollPrefetch = 0;

    template <class S>
    void fields(S& s) {
        s.num(counterBase);
        s.num(videoBase);
        s.raw(palette, sizeof palette);
        s.raw(registers, sizeof registers);
        if (version >= 2) s.num(resolution);
        if (version >= 3) s.num(scrollPrefetch);
    }
    bool acceptVersion() const { return true; }
    void capture() {
        counterBase = hw.counterBase;
        videoBase = hw.videoBaseRegister;
        std::memcpy(palette, HostPalette, sizeof palette);
        std::memcpy(registers, hw.shifter, sizeof registers);
        resolution = rendererResolution;
        scrollPrefetch = hw.scrollPrefetch;
    }
    void apply() const {
        hw.counterBase = counterBase;
        hw.videoBaseRegister = videoBase;
        std::memcpy(HostPalette, palette, sizeof palette);
        std::memcpy(hw.shifter, registers, sizeof registers);
        if (version >= 2) rendererResolution = resolution & 3;
        hw.scrollPrefetch = scrollPrefetch != 0;
    }
};
}  // namespace

SectionEntry shifterSnapshotSection() { return sectionEntry<ShifterSection>("SHFT"); }
