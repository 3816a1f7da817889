#include "libretro/retro_picture.h"

#include "video/picture.h"
#include "video/renderer.h"

namespace {

// The part of the 400 x 300 area of picture slots and lines each border choice shows.
// The ST's 320 x 200 display starts 44 slots and 42 lines in; "normal" is what a PAL
// monitor shows around it, 384 x 288 (32 slots each side, the whole top border).
struct Crop {
    int x, y, width, height;
};
constexpr Crop CROPS[] = {
    {12, 0, 384, 288},   // Normal
    {0, 0, 400, 300},    // FullOverscan
    {44, 42, 320, 200},  // None
};

// A low-resolution pixel is 125 ns wide: a PAL monitor's square pixel, at 288 lines a
// picture, would be 1/7.375 MHz: the ST's pixels are a little narrower than high.
constexpr float PAL_PIXEL_ASPECT = 7.375f / 8.0f;

uint16_t output[RETRO_MAX_WIDTH * RETRO_MAX_HEIGHT];

RetroPicture describe(const RetroPictureFormat& format, bool medium) {
    const Crop& c = CROPS[int(format.borders)];
    unsigned scale = format.doubled ? 2 : 1;
    unsigned width = unsigned(c.width) * (format.doubled || medium ? 2 : 1);
    unsigned height = unsigned(c.height) * scale;
    float aspect = float(c.width) * PAL_PIXEL_ASPECT / float(c.height);
    return {output, width, height, width * sizeof(uint16_t), aspect};
}

}  // namespace

RetroPicture retroPictureSize(const RetroPictureFormat& format) { return describe(format, false); }

// Each line is drawn on the first of its two picture rows; a low-resolution pixel is two
// equal picture pixels, a medium-resolution one a single picture pixel.
RetroPicture retroPicture(const RetroPictureFormat& format) {
    const uint16_t* source = framePicture();
    RetroPicture p = describe(format, frameHasMediumLines);
    const Crop& c = CROPS[int(format.borders)];
    const int step = p.width == unsigned(c.width) ? 2 : 1;
    const int rowsPerLine = format.doubled ? 2 : 1;
    uint16_t* out = output;
    for (int line = c.y; line < c.y + c.height; ++line) {
        const uint16_t* row = source + size_t(2 * line) * FRAME_WIDTH + 2 * c.x;
        for (int copy = 0; copy < rowsPerLine; ++copy)
            for (unsigned x = 0; x < p.width; ++x) *out++ = row[x * step];
    }
    return p;
}
