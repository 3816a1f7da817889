#pragma once
// "HardwareLog.txt": the frame's border-trick candidate writes, for debugging.
#include <cstdint>

// Frame end: writes the frame while enabled, puts the file in place when disabled (and
// at shutdown).
void hardwareLogStep(bool enabled);
