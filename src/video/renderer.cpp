// The frame walk. The picture window starts at frame line 21 and covers 300 lines; in a
// line it covers cycle positions 56 to 456, one slot a cycle. The walk moves through
// the window cycle by cycle in blocks of 16 slots and replays the frame's events at the
// positions where they happened: an event at cycle e shows from the slot after e, at
// the exact slot in the fills, from the next 4-slot group inside a picture block.
#include "video/renderer.h"

#include <algorithm>
#include <cstring>

#include "bus/hardware_state.h"
#include "bus/memory_map.h"
#include "bus/video_event_log.h"
#include "video/colour_tables.h"
#include "video/line_output.h"

uint32_t HostPalette[16];
int rendererResolution;
bool frameHasMediumLines;
bool keepUnchangedLines = true;

constexpr int32_t PICTURE_START_CYCLE = 21 * LINE_CYCLES;
constexpr int32_t LINE_MARGIN = 56;  // cycles before the first slot and after the last
constexpr int BLOCK_SLOTS = 16;      // 8 bytes: four plane words of 16 pixels
constexpr int BLOCK_BYTES = 8;
constexpr int GROUP_SLOTS = 4;
constexpr int BLOCKS_PER_LINE = 20;
// A closed left border is 44 slots, 36 slots of right border follow the picture; with
// the left border open 8 slots of it show and the right border is 40 slots.
constexpr int LEFT_BORDER_SLOTS = 44;
constexpr int RIGHT_BORDER_SLOTS = 36;
constexpr int RIGHT_BORDER_SLOTS_LEFT_OPEN = 40;
constexpr int OPEN_BORDER_SLOTS = 8;
constexpr uint32_t RAM_MASK = RAM_AREA_SIZE - 1;
constexpr int32_t NO_MORE_EVENTS = INT32_MAX;

// Where the walk stands in a line: the border events act only on a display line, the
// left one before the left border is drawn, the right one before the right border.
enum LinePhase { PHASE_BORDER_LINE, PHASE_LINE_START, PHASE_LEFT, PHASE_BLOCKS, PHASE_RIGHT };

namespace {
struct FrameWalk {
    const LogEntry* event;  // next event to apply
    int32_t eventAt;        // its cycle position
    int32_t pos;            // cycle position of the next slot
    uint32_t* out;          // next slot of the line being drawn
    const FrameVideo* frame;
    // Bytes are fetched from the screen copy, or from RAM after a counter write; the
    // offset wraps inside the source so that no line trick can leave it.
    const uint8_t* source;
    uint32_t sourceOffset;
    uint32_t sourceMask;
    // The STE's scroll registers as replayed: line offset (words), pixel scroll, and
    // whether the extra group is fetched.
    uint32_t lineOffset;
    int pixelScroll;
    bool scrollPrefetch;
    // The display line being drawn.
    LinePhase phase;
    int blocksLeft;
    int extraBytes;
    bool leftOpen;
    bool rightOpen;
    bool shortened;
    int scroll;          // pixels the line is shifted left
    uint32_t fetchBytes;  // the scroll's extra group: 8 bytes in low resolution, 4 in medium
};

// The last low-resolution block converted. Zero bytes convert to zero indices, so the
// zero-initialised cache is valid from the start.
struct BlockCache {
    uint64_t bytes;
    uint64_t slots;
};
}  // namespace

static FrameWalk walk;
static BlockCache blockCache;

RendererState rendererState() {
    RendererState s;
    std::memcpy(s.palette, HostPalette, sizeof HostPalette);
    s.resolution = rendererResolution;
    return s;
}

void setRendererState(const RendererState& s) {
    std::memcpy(HostPalette, s.palette, sizeof HostPalette);
    rendererResolution = s.resolution;
}

// ---- Events -----------------------------------------------------------------------------
static void onPalette(uint32_t kind, uint32_t value) {
    uint32_t pixel = ColourTable[value & 0xFFFF];
    HostPalette[(kind & 0x1E) >> 1] = pixel << 16 | pixel;
}
static void onCounterWrite(uint32_t, uint32_t value) {
    walk.source = hw.ram;
    walk.sourceOffset = value & RAM_MASK & ~1u;
    walk.sourceMask = RAM_MASK;
}
static void onResolution(uint32_t, uint32_t value) { rendererResolution = int(value & 3); }
static void onRightBorder(uint32_t, uint32_t) {
    if (walk.shortened || walk.rightOpen || walk.phase == PHASE_BORDER_LINE || walk.phase == PHASE_RIGHT) return;
    walk.rightOpen = true;
    walk.blocksLeft += 2;
    walk.extraBytes += 28;
}
static void onLeftBorder(uint32_t, uint32_t) {
    if (walk.phase != PHASE_LINE_START || walk.leftOpen) return;
    walk.leftOpen = true;
    walk.blocksLeft += 2;
    walk.sourceOffset += 8;
    walk.extraBytes += 2;
}
static void onLineMinus106(uint32_t, uint32_t) {
    walk.extraBytes -= 106;
    walk.shortened = true;
}
static void onLineMinus2(uint32_t, uint32_t) {
    walk.extraBytes -= 2;
    walk.shortened = true;
}
static uint32_t screenCopyOffset(uint32_t address) {
    return (address - walk.frame->screenCopyBase) & (walk.frame->screenCopySpan - 1);
}
static void onScreenByte(uint32_t kind, uint32_t address) {
    stWriteByte(walk.frame->screenCopy, screenCopyOffset(address), uint8_t(kind >> 16));
}
static void onScreenWord(uint32_t kind, uint32_t address) {
    stWriteWord(walk.frame->screenCopy, screenCopyOffset(address) & ~1u, uint16_t(kind >> 16));
}
static void onScroll(uint32_t, uint32_t value) {
    walk.lineOffset = value & 0xFF;
    walk.pixelScroll = int(value >> 8 & 15);
    walk.scrollPrefetch = value >> 12 & 1;
}
static void onNothing(uint32_t, uint32_t) {}

using EventHandler = void (*)(uint32_t kind, uint32_t value);
// Indexed by kind code / 2: sixteen palette entries, then 0x20-0x32.
static const EventHandler eventHandlers[] = {
    onPalette,      onPalette,    onPalette,     onPalette,    onPalette,      onPalette,    onPalette,
    onPalette,      onPalette,    onPalette,     onPalette,    onPalette,      onPalette,    onPalette,
    onPalette,      onPalette,
    onCounterWrite,  // 0x20
    onResolution,    // 0x22
    onRightBorder,   // 0x24
    onLeftBorder,    // 0x26
    onLineMinus106,  // 0x28
    onLineMinus2,    // 0x2A
    onNothing,       // 0x2C: no such event
    onScreenByte,    // 0x2E
    onScreenWord,    // 0x30
    onScroll,        // 0x32
};
constexpr uint32_t EVENT_CODES = sizeof eventHandlers / sizeof eventHandlers[0] * 2;

static uint32_t eventCode(const LogEntry& e) { return e.kind & 0xFFFF; }
static int32_t nextEventAt(const LogEntry& e, int32_t at) {
    return e.delta == VIDEO_EVENT_END ? NO_MORE_EVENTS : at + int32_t(e.delta);
}

static void startEvents(const LogEntry* events) {
    walk.event = events;
    walk.eventAt = nextEventAt(*events, 0);
}

static void applyEvent() {
    const LogEntry* e = walk.event;
    uint32_t code = eventCode(*e);
    if (code < EVENT_CODES && !(code & 1)) eventHandlers[code >> 1](e->kind, e->value);
    walk.event = ++e;
    walk.eventAt = nextEventAt(*e, walk.eventAt);
}

static void applyDueEvents() {
    while (walk.eventAt < walk.pos) applyEvent();
}

// A frame that is not drawn changes the palette and the resolution all the same.
void followFrameEvents(const LogEntry* events) {
    for (const LogEntry* e = events; e->delta != VIDEO_EVENT_END; ++e) {
        uint32_t code = eventCode(*e);
        if (code < VIDEO_EVENT_COUNTER && !(code & 1)) onPalette(e->kind, e->value);
        else if (code == VIDEO_EVENT_RESOLUTION) onResolution(e->kind, e->value);
    }
}

// ---- Blocks -----------------------------------------------------------------------------
static uint64_t readBlock(uint32_t offset) {
    uint32_t o = offset & walk.sourceMask;
    uint64_t bytes;
    if (o <= walk.sourceMask - 7) {
        std::memcpy(&bytes, walk.source + o, 8);
        return bytes;
    }
    bytes = 0;
    for (int k = 0; k < 4; ++k)
        bytes |= uint64_t(stReadWord(walk.source, (offset + 2 * k) & walk.sourceMask)) << (16 * k);
    return bytes;
}

static uint32_t planeWord(uint64_t bytes, int k) { return uint32_t(bytes >> (16 * k)) & 0xFFFF; }

// Sixteen 4-bit colour indices, pixel i in bits 4i-4i+3.
static uint64_t lowResolutionSlots(uint64_t bytes) {
    if (bytes == blockCache.bytes) return blockCache.slots;
    uint32_t p0 = planeWord(bytes, 0), p1 = planeWord(bytes, 1), p2 = planeWord(bytes, 2), p3 = planeWord(bytes, 3);
    const uint32_t* s = PlaneSpreadLow;
    uint32_t left = s[p3 >> 8] << 3 | s[p2 >> 8] << 2 | s[p1 >> 8] << 1 | s[p0 >> 8];
    uint32_t right = s[p3 & 0xFF] << 3 | s[p2 & 0xFF] << 2 | s[p1 & 0xFF] << 1 | s[p0 & 0xFF];
    blockCache = {bytes, uint64_t(right) << 32 | left};
    return blockCache.slots;
}

// Thirty-two 2-bit colour indices, pixel j in bits 2j-2j+1: slot i holds pixels 2i and
// 2i + 1 in bits 4i-4i+3, like a low-resolution slot.
static uint64_t mediumResolutionSlots(uint64_t bytes) {
    const uint32_t* m0 = PlaneSpreadMedium[0];
    const uint32_t* m1 = PlaneSpreadMedium[1];
    uint64_t slots = 0;
    for (int pair = 0; pair < 2; ++pair) {
        uint32_t a = planeWord(bytes, 2 * pair), b = planeWord(bytes, 2 * pair + 1);
        uint32_t pixels = (m0[a >> 8] | m1[b >> 8]) | (m0[a & 0xFF] | m1[b & 0xFF]) << 16;
        slots |= uint64_t(pixels) << (32 * pair);
    }
    return slots;
}

// One slot: a low-resolution pixel as two equal host pixels, or two medium pixels, the
// left one in the low half.
template <bool Medium>
static uint32_t slotColour(uint32_t n) {
    if constexpr (Medium)
        return (HostPalette[n & 3] & 0xFFFF) | (HostPalette[n >> 2] & 0xFFFF0000);
    else
        return HostPalette[n];
}

template <bool Medium>
static uint64_t blockSlots(uint32_t offset) {
    uint64_t bytes = readBlock(offset);
    return Medium ? mediumResolutionSlots(bytes) : lowResolutionSlots(bytes);
}

// The slots of the block at offset as a scrolled line shows them: its pixels from the
// scroll on, then the first pixels of the block after it, or colour 0 where the line
// fetched nothing after it. Each slot holds 4 bits: one low-resolution pixel or two
// medium ones.
template <bool Medium, bool Scrolled>
static uint64_t shownSlots(uint32_t offset, bool nextFetched) {
    uint64_t slots = blockSlots<Medium>(offset);
    if constexpr (Scrolled) {
        int shift = walk.scroll * (Medium ? 2 : 4);
        uint64_t next = nextFetched ? blockSlots<Medium>(offset + BLOCK_BYTES) : 0;
        slots = slots >> shift | next << (64 - shift);
    }
    return slots;
}

template <bool Medium>
static void drawSlots(uint32_t* out, uint64_t slots, int first, int count) {
    slots >>= 4 * first;
    for (int i = 0; i < count; ++i, slots >>= 4) out[i] = slotColour<Medium>(uint32_t(slots) & 15);
}

// The walk draws a line (Draw), or goes through it without drawing, applying its events
// at the same positions, when the line is kept as it was drawn before.

// Fills with palette entry 0, stopping at each event's position to apply it.
template <bool Draw>
static void fillSlots(int count) {
    int32_t end = walk.pos + count;
    while (walk.pos < end) {
        applyDueEvents();
        int32_t run = walk.eventAt >= end ? end - walk.pos : walk.eventAt - walk.pos + 1;
        if constexpr (Draw) std::fill_n(walk.out, run, HostPalette[0]);
        walk.out += run;
        walk.pos += run;
    }
}

// A block with no event in reach is drawn whole; otherwise in 4-slot groups, each
// group after at most one due event. A right-border event met here adds blocks. With the
// right border closed and no extra fetch, nothing is fetched after the last block.
template <bool Medium, bool Scrolled, bool Draw>
static void drawBlocks() {
    while (walk.blocksLeft > 0) {
        if (!Draw && walk.eventAt - walk.pos >= walk.blocksLeft * BLOCK_SLOTS) {
            walk.pos += walk.blocksLeft * BLOCK_SLOTS;
            walk.sourceOffset += uint32_t(walk.blocksLeft * BLOCK_BYTES);
            walk.blocksLeft = 0;
            break;
        }
        uint64_t slots = 0;
        if constexpr (Draw) {
            bool nextFetched = Scrolled && (walk.blocksLeft > 1 || walk.rightOpen || walk.fetchBytes);
            slots = shownSlots<Medium, Scrolled>(walk.sourceOffset, nextFetched);
        }
        if (walk.eventAt - walk.pos >= BLOCK_SLOTS) {
            if constexpr (Draw) drawSlots<Medium>(walk.out, slots, 0, BLOCK_SLOTS);
        } else {
            for (int g = 0; g < BLOCK_SLOTS; g += GROUP_SLOTS) {
                if (walk.eventAt < walk.pos + g) applyEvent();
                if constexpr (Draw) drawSlots<Medium>(walk.out + g, slots, g, GROUP_SLOTS);
            }
        }
        walk.out += BLOCK_SLOTS;
        walk.pos += BLOCK_SLOTS;
        walk.sourceOffset += BLOCK_BYTES;
        --walk.blocksLeft;
    }
}

// The open borders show a part of a low-resolution block without event checks; the
// line's fetch always goes on after it.
template <bool Draw>
static void drawBorderPart(uint32_t offset, int first, int count) {
    if constexpr (Draw) {
        uint64_t slots = walk.scroll ? shownSlots<false, true>(offset, true) : shownSlots<false, false>(offset, true);
        drawSlots<false>(walk.out, slots, first, count);
    }
    walk.out += count;
    walk.pos += count;
}

// ---- Lines ------------------------------------------------------------------------------
// Both kinds of line start at their first cycle with the events before it applied.
template <bool Draw>
static void borderLine() {
    walk.pos += LINE_MARGIN;
    applyDueEvents();
    fillSlots<Draw>(PICTURE_SLOTS);
    walk.pos += LINE_MARGIN;
}

template <bool Draw>
static void drawLineBlocks() {
    bool medium = rendererResolution & 1;
    frameHasMediumLines |= medium;
    if constexpr (!Draw)
        drawBlocks<false, false, false>();
    else if (medium)
        walk.scroll ? drawBlocks<true, true, true>() : drawBlocks<true, false, true>();
    else
        walk.scroll ? drawBlocks<false, true, true>() : drawBlocks<false, false, true>();
}

// A display line takes the STE's scroll and extra fetch that stand at its first cycle,
// and the line offset that stands at the next line's first cycle moves the source on
// after it, as the video counter has them.
template <bool Draw>
static void displayLine() {
    walk.scroll = walk.pixelScroll;
    walk.fetchBytes = walk.scrollPrefetch ? (rendererResolution & 1 ? 4 : 8) : 0;
    walk.pos += LINE_MARGIN;
    walk.blocksLeft = BLOCKS_PER_LINE;
    walk.extraBytes = 0;
    walk.leftOpen = walk.rightOpen = walk.shortened = false;
    applyDueEvents();

    walk.phase = PHASE_LEFT;
    if (walk.leftOpen)
        drawBorderPart<Draw>(walk.sourceOffset - BLOCK_BYTES, 8, OPEN_BORDER_SLOTS);  // right half of the block before
    else
        fillSlots<Draw>(LEFT_BORDER_SLOTS);

    walk.phase = PHASE_BLOCKS;
    drawLineBlocks<Draw>();

    walk.phase = PHASE_RIGHT;
    if (walk.rightOpen)
        drawBorderPart<Draw>(walk.sourceOffset, 0, walk.leftOpen ? OPEN_BORDER_SLOTS : 4);
    else
        fillSlots<Draw>(walk.leftOpen ? RIGHT_BORDER_SLOTS_LEFT_OPEN : RIGHT_BORDER_SLOTS);

    walk.sourceOffset += uint32_t(walk.extraBytes & ~1) + walk.fetchBytes;
    walk.pos += LINE_MARGIN;
    applyDueEvents();
    walk.sourceOffset += 2 * walk.lineOffset;
}

// ---- Lines kept from the last frame drawn -----------------------------------------------
// What a line's drawing depends on, noted when it was drawn: whether it is a display line,
// the palette (entry 0 alone for a border line), resolution and scroll at its first cycle,
// the events up to the next line's first cycle (where, what, with which value) and the
// bytes it fetches. A line with a counter write (its bytes come from RAM as it stands at
// the frame's end) or with more events than are noted is always drawn.
constexpr int MAX_LINE_EVENTS = 16;
// Noting costs about what keeping saves on a line: when most lines of a frame changed (colour
// bars, scrollers, games that scroll), the next frames are drawn without notes, and noted
// again after them to see whether the picture settled.
constexpr int UNNOTED_FRAMES = 15;
// The most a line fetches: the block before it with the left border open, 24 blocks, and
// the block the open right border shows with the scroll's neighbour.
constexpr int MAX_LINE_BYTES = BLOCK_BYTES + 24 * BLOCK_BYTES + 2 * BLOCK_BYTES;

namespace {
struct LineEvent {
    int32_t at;  // cycles from the line's first cycle
    uint32_t kind;
    uint32_t value;
    bool operator==(const LineEvent&) const = default;
};

struct DrawnLine {
    bool valid;
    bool display;
    uint8_t resolution;
    uint8_t scroll;
    bool prefetch;
    uint8_t eventCount;
    uint16_t byteCount;
    uint32_t palette[16];
    LineEvent events[MAX_LINE_EVENTS];
    uint8_t bytes[MAX_LINE_BYTES];
};

// Compares each field of a line with the note and writes the line's value over it.
struct NoteCheck {
    bool same = true;
    template <class T>
    void field(T& noted, T value) {
        if (noted != value) {
            same = false;
            noted = value;
        }
    }
    void bytes(void* noted, const void* value, size_t n) {
        if (std::memcmp(noted, value, n) != 0) {
            same = false;
            std::memcpy(noted, value, n);
        }
    }
};
}  // namespace

static DrawnLine drawnLines[PICTURE_LINES];
static int unnotedFrames;  // frames still to be drawn without notes
// Where the noted lines were drawn; another destination or line output forgets them.
static const uint8_t* drawnDestination;
static int drawnPitch;
static const LineOutput* drawnOutput;

static void invalidateNotes() {
    for (DrawnLine& d : drawnLines) d.valid = false;
}

void forgetDrawnLines() {
    invalidateNotes();
    unnotedFrames = 0;
}

// The line's bytes, read as the blocks are: with the wrap inside the source.
static void noteLineBytes(NoteCheck& check, DrawnLine& d, int count) {
    uint32_t o = walk.sourceOffset & walk.sourceMask;
    if (o + uint32_t(count) - 1 <= walk.sourceMask) {
        check.bytes(d.bytes, walk.source + o, size_t(count));
        return;
    }
    for (int k = 0; k < count; k += BLOCK_BYTES) {
        uint64_t block = readBlock(walk.sourceOffset + uint32_t(k));
        check.bytes(d.bytes + k, &block, BLOCK_BYTES);
    }
}

// True when the line is as noted; otherwise the note becomes this line's.
static bool lineAsDrawnBefore(DrawnLine& d, bool display) {
    NoteCheck check;
    check.field(d.display, display);
    if (display) {
        check.bytes(d.palette, HostPalette, sizeof HostPalette);
        check.field(d.resolution, uint8_t(rendererResolution));
        check.field(d.scroll, uint8_t(walk.pixelScroll));
        check.field(d.prefetch, walk.scrollPrefetch);
    } else {
        check.field(d.palette[0], HostPalette[0]);
    }
    int count = 0;
    bool bordersMove = false;
    const LogEntry* e = walk.event;
    int32_t end = walk.pos + LINE_CYCLES;
    for (int32_t at = walk.eventAt; at < end; at = nextEventAt(*++e, at)) {
        uint32_t code = eventCode(*e);
        if (code == VIDEO_EVENT_COUNTER || count == MAX_LINE_EVENTS) {
            d.valid = false;
            return false;
        }
        bordersMove |= code >= VIDEO_EVENT_RIGHT_BORDER && code <= VIDEO_EVENT_LINE_MINUS_2;
        check.field(d.events[count++], LineEvent{at - walk.pos, e->kind, e->value});
    }
    check.field(d.eventCount, uint8_t(count));
    if (display) {
        int bytes = bordersMove ? MAX_LINE_BYTES : BLOCKS_PER_LINE * BLOCK_BYTES;
        if (walk.pixelScroll && walk.scrollPrefetch && !bordersMove) bytes += BLOCK_BYTES;
        check.field(d.byteCount, uint16_t(bytes));
        noteLineBytes(check, d, bytes);
    }
    bool same = check.same && d.valid;
    d.valid = true;
    return same;
}

// ---- Frame ------------------------------------------------------------------------------
void RenderFrame(uint8_t* destination, const FrameVideo& frame, int pitch) {
    const LineOutput& output = chooseLineOutput();
    int topLines = 42, displayLines = 200;
    if (frame.topBorderOpen) {
        topLines = 13;
        displayLines = 229;
    }
    if (frame.bottomBorderOpen) displayLines += 43;
    bool noting = keepUnchangedLines && unnotedFrames == 0;
    if (unnotedFrames) --unnotedFrames;
    if (!keepUnchangedLines || destination != drawnDestination || pitch != drawnPitch || &output != drawnOutput)
        invalidateNotes();
    drawnDestination = destination;
    drawnPitch = pitch;
    drawnOutput = &output;

    frameHasMediumLines = false;
    walk.frame = &frame;
    walk.source = frame.screenCopy;
    walk.sourceOffset = 0;
    walk.sourceMask = frame.screenCopySpan - 1;
    walk.lineOffset = 0;
    walk.pixelScroll = 0;
    walk.scrollPrefetch = false;
    startEvents(frame.events);
    walk.pos = PICTURE_START_CYCLE;

    int noted = 0, kept = 0;  // lines that had a note, and those kept
    uint8_t* row = destination;
    for (int i = 0; i < PICTURE_LINES; ++i, row += 2 * pitch) {
        bool display = i >= topLines && i < topLines + displayLines;
        walk.phase = display ? PHASE_LINE_START : PHASE_BORDER_LINE;
        applyDueEvents();
        if (noting) {
            noted += drawnLines[i].valid;
            if (lineAsDrawnBefore(drawnLines[i], display)) {
                ++kept;
                display ? displayLine<false>() : borderLine<false>();
                continue;
            }
        }
        walk.out = output.emit ? LineBuffer : reinterpret_cast<uint32_t*>(row);
        display ? displayLine<true>() : borderLine<true>();
        if (output.emit) output.emit(LineBuffer, row, pitch);
    }
    // Changes after the picture's last line still hold for the next frame.
    while (walk.eventAt != NO_MORE_EVENTS) applyEvent();
    if (noted > PICTURE_LINES / 2 && 2 * kept < noted) {
        unnotedFrames = UNNOTED_FRAMES;
        invalidateNotes();  // the lines drawn meanwhile are not noted
    }
}
