#include "video/colour_tables.h"

#include "video/renderer.h"

uint16_t ColourTable[65536];
uint32_t PlaneSpreadLow[256];
uint32_t PlaneSpreadMedium[2][256];

// Each component has three ST bits and the STE's extra low bit below them; the four
// bits fill the top of the host component (red and blue of five bits, green of six).
static uint32_t component4(uint32_t w, int shift) { return ((w >> shift) & 7) * 2 + ((w >> (shift + 3)) & 1); }

void buildColourTables() {
    for (uint32_t w = 0; w < 65536; ++w)
        ColourTable[w] = uint16_t(component4(w, 8) << 12 | component4(w, 4) << 7 | component4(w, 0) << 1);
    for (uint32_t b = 0; b < 256; ++b) {
        uint32_t low = 0, medium = 0;
        for (int i = 0; i < 8; ++i) {
            uint32_t bit = (b >> (7 - i)) & 1;
            low |= bit << (4 * i);
            medium |= bit << (2 * i);
        }
        PlaneSpreadLow[b] = low;
        PlaneSpreadMedium[0][b] = medium;
        PlaneSpreadMedium[1][b] = medium << 1;
    }
}
