#pragma once
// Tables built once for the renderer: ST palette words to host pixels, and the spread
// of a plane byte's eight bits into per-pixel index positions.
#include <cstdint>

// Host pixel (R5G6B5) of every 16-bit palette word; bits 12-15 are ignored.
extern uint16_t ColourTable[65536];
// Low resolution: bit 7 - i of a plane byte becomes bit 4i (pixel i's nibble).
extern uint32_t PlaneSpreadLow[256];
// Medium resolution: bit 7 - i becomes bit 2i; the second table is the first shifted
// left by one (plane 1).
extern uint32_t PlaneSpreadMedium[2][256];
