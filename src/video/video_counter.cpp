// The video address counter as the CPU reads it. It is not run cycle by cycle: a read
// counts the fetched bytes between the previous read's position and its own, line by
// line through the LineWindowTable, so reads cost what lies between them.
#include <algorithm>

#include "bus/hardware_state.h"
#include "video/shifter.h"

LineWindow LineWindowTable[FRAME_LINES];

// The counter runs this many cycles ahead of the bus access that reads it.
constexpr int32_t COUNTER_LEAD = 20;
constexpr int32_t FIRST_COUNTED_LINE = 63;
constexpr int32_t FIRST_COUNTED_LINE_TOP_OPEN = 34;
constexpr int32_t END_COUNTED_LINE = 263;
constexpr int32_t END_COUNTED_LINE_BOTTOM_OPEN = 310;
// From this line on the counter holds the video base reloaded for the next frame.
constexpr int32_t RELOAD_LINE = 310;
// Where, in the counter's time, each line takes the STE's line offset and scroll fetch:
// its first cycle as the bus sees it. No fetch starts this early, so a line is counted
// whole with the values it took.
constexpr int32_t LINE_LAYOUT_POSITION = COUNTER_LEAD;

namespace {
struct CounterAccumulator {
    int32_t target;  // cycle position counted up to
    int32_t line;
    uint32_t count;  // bytes fetched this frame up to target
    int32_t firstLine;
    int32_t endLine;
    int32_t earlyFetch;  // cycles the current line's fetch starts before its window
    bool reloaded;       // the counter holds the next frame's base
    bool resetPending;
};
}  // namespace

static CounterAccumulator counter;

void resetLineWindowTable() {
    for (LineWindow& w : LineWindowTable) w = {LINE_FETCH_START, LINE_FETCH_END};
    counter.resetPending = true;
}

static void restartFrame() { counter = {0, 0, 0, FIRST_COUNTED_LINE, END_COUNTED_LINE, 0, false, false}; }

static bool counted(int32_t line) { return line >= counter.firstLine && line < counter.endLine; }

// The line before has ended: its line offset moves the address on; the new line fetches
// its extra group (two cycles a byte) before its usual first fetch.
static void takeLineLayout() {
    if (counted(counter.line - 1)) counter.count += lineOffsetBytes();
    counter.earlyFetch = int32_t(2 * scrollFetchBytes());
}

static void countTo(int32_t t) {
    if (hw.topBorderOpen) counter.firstLine = FIRST_COUNTED_LINE_TOP_OPEN;
    if (hw.bottomBorderOpen) counter.endLine = END_COUNTED_LINE_BOTTOM_OPEN;
    int32_t p = counter.target;
    while (p < t) {
        int32_t pos = p & (LINE_CYCLES - 1);
        int32_t n = std::min(LINE_CYCLES - pos, t - p);
        int32_t e = pos + n;
        if (pos < LINE_LAYOUT_POSITION && e >= LINE_LAYOUT_POSITION) takeLineLayout();
        if (counted(counter.line)) {
            const LineWindow& w = LineWindowTable[counter.line];
            int32_t start = w.start - counter.earlyFetch;
            // Two cycles a byte, whole words only: each piece rounds down on its own.
            if (e > start && pos < w.end)
                counter.count += uint32_t((std::min(e, w.end) - std::max(pos, start)) >> 1) & ~1u;
        }
        if (counter.line >= RELOAD_LINE) {
            counter.reloaded = true;
            counter.count = 0;
        }
        p += n;
        counter.line = p / LINE_CYCLES;
    }
    counter.target = p;
}

uint32_t ReadVideoCounter(int32_t c) {
    int32_t t = c + COUNTER_LEAD;
    if (t <= counter.target || counter.resetPending) restartFrame();
    countTo(t);
    return (counter.reloaded ? hw.videoBaseRegister : hw.counterBase) + counter.count;
}

uint32_t peekVideoCounter(int32_t c) {
    CounterAccumulator counted = counter;
    uint32_t value = ReadVideoCounter(c);
    counter = counted;
    return value;
}

// Counting only up to a line's layout position splits no fetch window, so the pieces'
// rounding is what the reads alone would give.
void settleVideoCounter(int32_t c) {
    if (counter.resetPending) restartFrame();
    int32_t t = std::max(c, 0) / LINE_CYCLES * LINE_CYCLES + LINE_LAYOUT_POSITION;
    if (t > counter.target) countTo(t);
}
