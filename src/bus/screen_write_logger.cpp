#include "bus/screen_write_logger.h"

#include "bus/hardware_state.h"
#include "bus/processor_slice.h"
#include "bus/video_event_log.h"

static void logScreenWrite(uint32_t offset, uint32_t value, uint32_t kind, int32_t stamp) {
    int32_t distance = stamp - hw.videoEventLastStamp;
    if (distance <= 0) distance = 4;
    LogEntry* e = hw.videoEventWrite++;
    e->delta = uint32_t(distance);
    e->kind = value << 16 | kind;
    e->value = offset;
    hw.videoEventLastStamp += distance;
}

// ST addresses 0-7 are the ROM's reset vectors, which take no writes: with the screen at
// address 0 the window covers them, and a write there is the bus error it is elsewhere.
static bool resetVectors(uint32_t offset) {
    if (offset >= RESET_VECTOR_BYTES) return false;
    cpuRequestBusError();
    return true;
}

void ScreenWriteLoggerByte(uint32_t address, uint32_t value, const WriteRow*, int32_t stamp) {
    uint32_t offset = address & (RAM_AREA_SIZE - 1);
    if (resetVectors(offset)) return;
    stWriteByte(hw.ram, offset, uint8_t(value));
    logScreenWrite(offset, value & 0xFF, VIDEO_EVENT_SCREEN_BYTE, stamp);
}

void ScreenWriteLoggerWord(uint32_t address, uint32_t value, const WriteRow*, int32_t stamp) {
    uint32_t offset = address & (RAM_AREA_SIZE - 1);
    if (resetVectors(offset)) return;
    stWriteWord(hw.ram, offset, uint16_t(value));
    logScreenWrite(offset, value & 0xFFFF, VIDEO_EVENT_SCREEN_WORD, stamp);
}
