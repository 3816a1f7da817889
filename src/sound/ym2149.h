#pragma once
// The YM2149 sound generator, synthesised once per frame from the YmWriteLog.
#include <cstdint>

void ymRequestReset();  // the chip resets after the next synthesised frame
