#include "media/picture_encoders.h"
#include "media/screenshot.h"

constexpr int TGA_HEADER_SIZE = 18;
constexpr uint8_t TGA_TRUE_COLOUR = 2;
constexpr uint8_t TGA_COLOUR_MAPPED_RLE = 9;
constexpr size_t MAX_PACKET = 128;
constexpr uint8_t RUN_PACKET = 0x80;

static void putWord(uint8_t* p, unsigned v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

// Image origin 0, 0 at the bottom left (descriptor 0), so rows go from the bottom up.
static std::vector<uint8_t> tgaHeader(uint8_t colourMapType, uint8_t imageType, int mapLength, uint8_t mapEntryBits,
                                      uint8_t pixelBits) {
    std::vector<uint8_t> h(TGA_HEADER_SIZE, 0);
    h[1] = colourMapType;
    h[2] = imageType;
    putWord(&h[5], unsigned(mapLength));
    h[7] = mapEntryBits;
    putWord(&h[12], CAPTURE_WIDTH);
    putWord(&h[14], CAPTURE_HEIGHT);
    h[16] = pixelBits;
    return h;
}

static const uint16_t* rowFromBottom(const uint16_t* picture, int y) {
    return picture + (CAPTURE_HEIGHT - 1 - y) * CAPTURE_WIDTH;
}

// X1R5G5B5 with each 4-bit component c as 2c.
std::vector<uint8_t> encodeTga16(const uint16_t* picture) {
    std::vector<uint8_t> out = tgaHeader(0, TGA_TRUE_COLOUR, 0, 0, 16);
    out.reserve(out.size() + 2 * CAPTURE_WIDTH * CAPTURE_HEIGHT);
    for (int y = 0; y < CAPTURE_HEIGHT; ++y) {
        const uint16_t* row = rowFromBottom(picture, y);
        for (int x = 0; x < CAPTURE_WIDTH; ++x) {
            uint32_t c = row[x];
            uint32_t p = ((c >> 8) & 15) << 11 | ((c >> 4) & 15) << 6 | (c & 15) << 1;
            out.push_back(uint8_t(p));
            out.push_back(uint8_t(p >> 8));
        }
    }
    return out;
}

std::vector<uint8_t> encodeTgaColourMapped(const uint16_t* picture, const CapturePalette& palette) {
    std::vector<uint8_t> out = tgaHeader(1, TGA_COLOUR_MAPPED_RLE, palette.count, 24, 8);
    for (int i = 0; i < palette.count; ++i) out.insert(out.end(), palette.entries[i], palette.entries[i] + 3);
    std::vector<uint8_t> indices;
    indices.reserve(CAPTURE_WIDTH * CAPTURE_HEIGHT);
    for (int y = 0; y < CAPTURE_HEIGHT; ++y) {
        const uint16_t* row = rowFromBottom(picture, y);
        for (int x = 0; x < CAPTURE_WIDTH; ++x) indices.push_back(uint8_t(palette.indexOf[row[x] & 0xFFF]));
    }
    appendTgaRunLength(out, indices.data(), indices.size());
    return out;
}

void appendTgaRunLength(std::vector<uint8_t>& out, const uint8_t* bytes, size_t n) {
    size_t rawStart = 0, rawLength = 0;
    auto flushRaw = [&] {
        if (!rawLength) return;
        out.push_back(uint8_t(rawLength - 1));
        out.insert(out.end(), bytes + rawStart, bytes + rawStart + rawLength);
        rawLength = 0;
    };
    size_t i = 0;
    while (i < n) {
        size_t run = 1;
        while (i + run < n && bytes[i + run] == bytes[i]) ++run;
        if (run >= 2 || i + 1 == n) {
            flushRaw();
            for (size_t left = run; left; ) {
                size_t packet = left < MAX_PACKET ? left : MAX_PACKET;
                out.push_back(uint8_t(RUN_PACKET + packet - 1));
                out.push_back(bytes[i]);
                left -= packet;
            }
        } else {
            if (!rawLength) rawStart = i;
            if (++rawLength == MAX_PACKET) flushRaw();
        }
        i += run;
    }
    flushRaw();
}
