#pragma once
// The frame's cycle-stamped logs of sound register writes: YM2149 ($FF8800) and STE DMA
// sound ($FF8900). One frame cannot hold more writes than 160256 / 8; the slot after the
// last entry holds the end marker, a delta larger than any frame.
#include <cstdint>

#include "bus/event_log.h"

using SoundLogEntry = LogEntry;  // delta, register, value

constexpr int SOUND_LOG_CAPACITY = 20032;
constexpr uint32_t YM_LOG_END = 0x7FFFFF;
constexpr uint32_t DMA_LOG_END = 0x7FFFFFFF;
extern SoundLogEntry YmWriteLog[SOUND_LOG_CAPACITY + 1];
extern SoundLogEntry DmaSoundLog[SOUND_LOG_CAPACITY + 1];

void ymWriteLogClose();  // end marker $7FFFFF after the last entry
void ymWriteLogReset();  // write position to the start, running total 0
