#pragma once
// The frame's log of Shifter writes (sync mode and resolution) with their cycles, kept
// for the debugging log "HardwareLog.txt" (debugger/hardware_log.h). The log ends at the
// first entry whose cycle is a frame or more.
#include <cstdint>

struct HardwareWrite {
    uint16_t word;  // non-zero for a word write
    uint16_t value;
    uint32_t address;
    int32_t cycle;
};

// Records a Shifter write.
void hardwareLogRecord(uint32_t address, uint32_t value, bool word, int32_t cycle);
// Frame end: closes the frame's entries.
void hardwareLogClose();
// Frame start: empties the frame's entries.
void hardwareLogReset();
// The frame's entries, up to the closing one.
const HardwareWrite* hardwareWrites();
