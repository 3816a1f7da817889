#pragma once
// The Shifter: video base and counter, sync mode, palette, resolution, border tricks.
// Its registers live in hw.shifter ($FF8200-$FF82FF, ST byte order); the sync mode is
// the byte at $FF820A and the resolution the byte at $FF8260.
#include <cstdint>

#include "machine/event_log.h"

extern uint8_t ScreenCopy[65536];  // RAM at counterBase, copied at frame start
extern uint32_t ScreenCopyBase;    // RAM offset (22 bits) ScreenCopy was copied from

// Cycle positions within a line between which the Shifter fetches screen bytes (two
// cycles a byte). Border tricks move single lines' ends; the video counter reads them.
struct LineWindow {
    int32_t start;
    int32_t end;
};
constexpr int32_t LINE_FETCH_START = 96;
constexpr int32_t LINE_FETCH_END = 416;
extern LineWindow LineWindowTable[FRAME_LINES];

// Frame start: latch counterBase, empty the event log, clear the border flags, copy
// the screen, move the screen-write window, reset the line table.
void ShifterFrameStart();
// Machine reset values: video base 0, counterBase 0, resolution 0, sync mode 2.
void shifterReset();
// LineWindowTable to 96/416 on every line and the counter accumulator restarted.
void resetLineWindowTable();
// The video address counter at cycle position c of the frame.
uint32_t ReadVideoCounter(int32_t c);
