#pragma once
// "HardwareLog.txt": the frame's border-trick candidate writes, for debugging.
#include <cstdint>

// Records a Shifter write (sync mode or resolution) for the log.
void hardwareLogRecord(uint32_t address, uint32_t value, bool word, int32_t cycle);
// Frame end: closes the frame's entries.
void hardwareLogClose();
// Frame end: writes the frame while enabled, puts the file in place when disabled (and
// at shutdown).
void hardwareLogStep(bool enabled);
// Frame start: empties the frame's entries.
void hardwareLogReset();
