// The video address counter as the CPU reads it. It is not run cycle by cycle: a read
// counts the fetched bytes between the previous read's position and its own, line by
// line through the LineWindowTable, so reads cost what lies between them.
#include <algorithm>

#include "machine/hardware_state.h"
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

namespace {
struct CounterAccumulator {
    int32_t target;  // cycle position counted up to
    int32_t line;
    uint32_t count;  // bytes fetched this frame up to target
    int32_t firstLine;
    int32_t endLine;
    bool resetPending;
};
}  // namespace

static CounterAccumulator counter;

void resetLineWindowTable() {
    for (LineWindow& w : LineWindowTable) w = {LINE_FETCH_START, LINE_FETCH_END};
    counter.resetPending = true;
}

uint32_t ReadVideoCounter(int32_t c) {
    int32_t t = c + COUNTER_LEAD;
    if (t <= counter.target || counter.resetPending)
        counter = {0, 0, 0, FIRST_COUNTED_LINE, END_COUNTED_LINE, false};
    uint32_t base = hw.counterBase;
    if (t > counter.target) {
        if (hw.topBorderOpen) counter.firstLine = FIRST_COUNTED_LINE_TOP_OPEN;
        if (hw.bottomBorderOpen) counter.endLine = END_COUNTED_LINE_BOTTOM_OPEN;
    }
    int32_t p = counter.target;
    while (p < t) {
        int32_t pos = p & (LINE_CYCLES - 1);
        int32_t n = std::min(LINE_CYCLES - pos, t - p);
        if (counter.line >= counter.firstLine && counter.line < counter.endLine) {
            const LineWindow& w = LineWindowTable[counter.line];
            int32_t e = pos + n;
            // Two cycles a byte, whole words only: each piece rounds down on its own.
            if (e > w.start && pos < w.end)
                counter.count += uint32_t((std::min(e, w.end) - std::max(pos, w.start)) >> 1) & ~1u;
        }
        if (counter.line >= RELOAD_LINE) {
            base = hw.videoBaseRegister;
            counter.count = 0;
        }
        p += n;
        counter.line = p / LINE_CYCLES;
    }
    counter.target = p;
    return base + counter.count;
}
