#pragma once
// The frame's video events in cycle order: palette, resolution, border, counter and
// scroll writes from the Shifter handlers, and every write into the displayed RAM.
// The renderer replays them against the frame-start ScreenCopy, at the frame end or later:
// the log of the frame before stays whole while the next frame records into a second one.
#include <cstdint>

#include "bus/event_log.h"

enum VideoEventKind : uint32_t {
    VIDEO_EVENT_PALETTE = 0x00,        // 0x00-0x1E: entry = kind / 2, value = the word
    VIDEO_EVENT_COUNTER = 0x20,        // STE counter write: value = RAM offset (22 bits)
    VIDEO_EVENT_RESOLUTION = 0x22,     // value 0-3
    VIDEO_EVENT_RIGHT_BORDER = 0x24,   // right border open: 44 more bytes
    VIDEO_EVENT_LEFT_BORDER = 0x26,    // left border open: 26 more bytes
    VIDEO_EVENT_LINE_MINUS_106 = 0x28, // line cut short by 106 bytes
    VIDEO_EVENT_LINE_MINUS_2 = 0x2A,   // line 2 bytes shorter
    VIDEO_EVENT_SCREEN_BYTE = 0x2E,    // byte in the high half of kind, value = address
    VIDEO_EVENT_SCREEN_WORD = 0x30,    // word in the high half of kind, value = address
    VIDEO_EVENT_SCROLL = 0x32,         // STE: line offset | pixel scroll << 8 | extra fetch << 12
};

// Worst case one event every 4 cycles for a whole frame, plus room.
constexpr int VIDEO_EVENT_LOG_CAPACITY = 80000;
constexpr uint32_t VIDEO_EVENT_END = 0x7FFFFFFF;

// The log the current frame records into (one of two).
extern LogEntry* VideoEventLog;

// Empties the log: write position to its start, last event stamp 0. A log held for a
// picture yet to be drawn is left alone: the other one becomes the current log.
void videoEventLogReset();
// Holds a log (null: none).
void videoEventLogHold(const LogEntry* log);
// Writes the end marker at the write position (which does not advance).
void videoEventLogClose();
// Appends a register event at cycle c: the delta is c minus the last stamp as it is.
void videoEventRecord(int32_t c, uint32_t kind, uint32_t value);
