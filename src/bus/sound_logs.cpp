#include "bus/sound_logs.h"

#include "bus/hardware_state.h"

SoundLogEntry YmWriteLog[SOUND_LOG_CAPACITY + 1];
SoundLogEntry DmaSoundLog[SOUND_LOG_CAPACITY + 1];

void ymWriteLogClose() { hw.ymLogWrite->delta = YM_LOG_END; }

void ymWriteLogReset() {
    hw.ymLogWrite = YmWriteLog;
    hw.ymLogLastStamp = 0;
}
