#pragma once
// The Shifter: video base and counter, sync mode, palette, resolution, border tricks.
#include <cstdint>

extern uint8_t ScreenCopy[65536];  // RAM at counterBase, copied at frame start

// Frame start: latch counterBase, empty the event log, clear the border flags, copy
// the screen, move the screen-write window, reset the line table.
void ShifterFrameStart();
// Machine reset values: video base 0, counterBase 0, resolution 0, sync mode 2.
void shifterReset();
// LineWindowTable to 96/416 on every line and the counter accumulator restarted.
void resetLineWindowTable();
// The video address counter at cycle position c of the frame.
uint32_t ReadVideoCounter(int32_t c);
