// The host picture as PNG, through stb_image_write (compiled here, with static linkage
// so that no other user of the library clashes with it).
#include <vector>

#include "base/safe_file.h"
#include "media/screenshot.h"
#include "video/picture.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

static void appendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    auto* bytes = static_cast<const uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

bool savePngRgb(const std::string& path, const uint8_t* rgb, int width, int height) {
    std::vector<uint8_t> png;
    if (!stbi_write_png_to_func(appendBytes, &png, width, height, 3, rgb, width * 3)) return false;
    return writeFileReplacing(path, png.data(), png.size());
}

// R5G6B5 widened to 8 bits a component by repeating the top bits below.
bool savePng(const std::string& path) {
    const uint16_t* pixels = framePicture();
    std::vector<uint8_t> rgb(size_t(FRAME_WIDTH) * FRAME_HEIGHT * 3);
    for (size_t i = 0; i < size_t(FRAME_WIDTH) * FRAME_HEIGHT; ++i) {
        uint32_t p = pixels[i], r = p >> 11, g = (p >> 5) & 63, b = p & 31;
        rgb[3 * i] = uint8_t(r << 3 | r >> 2);
        rgb[3 * i + 1] = uint8_t(g << 2 | g >> 4);
        rgb[3 * i + 2] = uint8_t(b << 3 | b >> 2);
    }
    return savePngRgb(path, rgb.data(), FRAME_WIDTH, FRAME_HEIGHT);
}
