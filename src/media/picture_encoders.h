#pragma once
// The screenshot file formats: 16-bit TGA, 8-bit run-length colour-mapped TGA, GIF87a.
// Pictures are CAPTURE_WIDTH x CAPTURE_HEIGHT 12-bit 0RGB colours, top row first.
#include <cstddef>
#include <cstdint>
#include <vector>

// The capture's colours in order of first appearance; black is always index 0.
struct CapturePalette {
    uint16_t indexOf[4096];   // 0RGB colour to index; NOT_IN_PICTURE when unseen
    uint8_t entries[256][3];  // blue, green, red of the first 256 colours
    int count;                // distinct colours, black included (may exceed 256)
};
constexpr uint16_t NOT_IN_PICTURE = 0xFFFF;

void buildPalette(const uint16_t* picture, CapturePalette& palette);

std::vector<uint8_t> encodeTga16(const uint16_t* picture);
// Only for pictures of at most 256 colours.
std::vector<uint8_t> encodeTgaColourMapped(const uint16_t* picture, const CapturePalette& palette);
std::vector<uint8_t> encodeGif(const uint16_t* picture, const CapturePalette& palette);

// TGA run-length packets of a byte stream: runs of 2 or more equal bytes become run
// packets, other bytes gather into raw packets, at most 128 bytes a packet; a single
// byte at the very end is a run packet of one.
void appendTgaRunLength(std::vector<uint8_t>& out, const uint8_t* bytes, size_t n);
// GIF LZW code stream of 8-bit indices (minimum code size 8) in data sub-blocks, with
// the zero-length block that ends them.
void appendGifImageData(std::vector<uint8_t>& out, const uint8_t* indices, size_t n);
