// The sound debug oscilloscope: the last frame's samples as a 400-column trace, drawn
// over the host picture below the top border, 256 rows on every other line. The trace
// follows the two channels together (their mean).
#include <algorithm>

#include "sound/mixer.h"

void drawSoundOutput(uint8_t* pixels, int pitch, int sampleCount) {
    constexpr int COLUMNS = 400, TOP_LINE = 44, CENTRE_ROW = 127;
    constexpr uint16_t CENTRE_MARK = 0xFF00, TRACE = 0xFFFF;
    if (sampleCount < 8) return;
    sampleCount = std::min(sampleCount, OUTPUT_BUFFER_SAMPLES);
    auto rowOf = [&](uint32_t p) {
        const int16_t* s = OutputBuffer + SOUND_CHANNELS * std::min<uint32_t>(p >> 16, sampleCount - 1);
        return CENTRE_ROW - ((s[0] + s[1]) >> 9);
    };
    // Each column is two 16-bit pixels wide.
    auto plot = [&](int row, int x, uint16_t colour) {
        uint16_t* at = reinterpret_cast<uint16_t*>(pixels + (TOP_LINE + 2 * row) * pitch) + 2 * x;
        at[0] = at[1] = colour;
    };
    uint32_t step = (uint32_t(sampleCount) << 16) / COLUMNS, p = 0;
    for (int x = 0; x < COLUMNS; ++x) {
        int y0 = rowOf(p);
        p += step;
        int y1 = rowOf(p);
        plot(CENTRE_ROW, x, CENTRE_MARK);
        // The trace joins the two samples whichever way the signal moves.
        for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y) plot(y, x, TRACE);
    }
}
