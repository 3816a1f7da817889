#pragma once
// How each emulated line reaches the host picture, where it covers two host rows:
// drawn straight into the first row ("Half (fastest)", "Interlace", texture mode, where
// the second row is not written), or drawn into a line buffer and copied into both rows
// ("Normal") or into the first row with the second at half intensity ("Blend").
#include <cstdint>

#include "video/renderer.h"

struct LineOutput {
    // Copies the line buffer into the row and the row below; null when lines are drawn
    // straight into the destination.
    void (*emit)(const uint32_t* line, uint8_t* row, int pitch);
};

extern uint32_t LineBuffer[PICTURE_SLOTS];

// The mode of this frame, from the configuration and the display.
const LineOutput& chooseLineOutput();
