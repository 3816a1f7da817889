#include "bus/hardware_write_log.h"

#include "bus/event_log.h"

constexpr int32_t LOG_END = 0x7FFFFFFF;
// One write every 4 cycles for a whole frame, and the end marker.
constexpr int LOG_CAPACITY = FRAME_CYCLES / 4 + 1;

static HardwareWrite writes[LOG_CAPACITY + 1] = {{0, 0, 0, LOG_END}};
static HardwareWrite* writePosition = writes;

void hardwareLogRecord(uint32_t address, uint32_t value, bool word, int32_t cycle) {
    if (writePosition == writes + LOG_CAPACITY) return;
    *writePosition++ = {uint16_t(word), uint16_t(value), address, cycle};
}

void hardwareLogClose() { writePosition->cycle = LOG_END; }

void hardwareLogReset() {
    writePosition = writes;
    writes[0].cycle = LOG_END;
}

const HardwareWrite* hardwareWrites() { return writes; }
