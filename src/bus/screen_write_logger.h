#pragma once
#include <cstdint>

#include "bus/memory_map.h"

// Handlers of the screen-window rows: every processor write into the 64 KB displayed
// from counterBase goes to RAM and into the VideoEventLog, at least 4 cycles after the
// previous event so that consecutive writes are never merged.
void ScreenWriteLoggerByte(uint32_t address, uint32_t value, const WriteRow* row, int32_t stamp);
void ScreenWriteLoggerWord(uint32_t address, uint32_t value, const WriteRow* row, int32_t stamp);
