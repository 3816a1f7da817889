#pragma once
// The on-screen messages' 8 x 8 font.
#include <cstdint>

// Eight rows, bit 7 leftmost.
const uint8_t* messageGlyph(char c);
