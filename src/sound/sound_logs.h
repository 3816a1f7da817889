#pragma once
// The frame's cycle-stamped logs of sound register writes: YM2149 ($FF8800) and STE DMA
// sound ($FF8900). One frame cannot hold more writes than 160256 / 8.
#include <cstdint>

#include "machine/event_log.h"

constexpr int SOUND_LOG_CAPACITY = 20032;
extern LogEntry YmWriteLog[SOUND_LOG_CAPACITY + 1];
extern LogEntry DmaSoundLog[SOUND_LOG_CAPACITY + 1];

void ymWriteLogClose();  // end marker $7FFFFF after the last entry
void ymWriteLogReset();  // write position to the start, running total 0
