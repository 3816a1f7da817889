#pragma once
#include <cstdint>

// One entry of the per-frame cycle-stamped logs (video events, YM writes, DMA sound
// writes): cycles since the previous entry, kind or register, value. A delta larger
// than a frame closes a log.
struct LogEntry {
    uint32_t delta;
    uint32_t kind;
    uint32_t value;
};

constexpr int32_t FRAME_CYCLES = 160256;  // 313 lines of 512 cycles
constexpr int32_t LINE_CYCLES = 512;
constexpr int32_t FRAME_LINES = 313;
constexpr double ST_CPU_CLOCK = 8021247.0;  // Hz
