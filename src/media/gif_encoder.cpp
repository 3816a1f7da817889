#include <cstring>

#include "media/picture_encoders.h"
#include "media/screenshot.h"

constexpr uint32_t CLEAR_CODE = 256;
constexpr uint32_t END_CODE = 257;
constexpr uint32_t FIRST_FREE_CODE = 258;
constexpr uint32_t CODE_LIMIT = 4096;  // 12-bit codes
constexpr int FIRST_CODE_BITS = 9;
constexpr int MAX_CODE_BITS = 12;
constexpr size_t SUB_BLOCK_FLUSH = 251;  // a code adds at most 2 bytes; blocks hold 255

namespace {
// Codes packed least significant bit first, cut into sub-blocks with a length byte.
struct CodeWriter {
    explicit CodeWriter(std::vector<uint8_t>& o) : out(o) {}
    std::vector<uint8_t>& out;
    uint8_t block[255];
    size_t pending = 0;
    uint32_t bits = 0;
    int bitCount = 0;

    void put(uint32_t code, int width) {
        bits |= code << bitCount;
        bitCount += width;
        while (bitCount >= 8) {
            block[pending++] = uint8_t(bits);
            bits >>= 8;
            bitCount -= 8;
        }
        if (pending >= SUB_BLOCK_FLUSH) flushBlock();
    }
    void flushBlock() {
        if (!pending) return;
        out.push_back(uint8_t(pending));
        out.insert(out.end(), block, block + pending);
        pending = 0;
    }
    void finish() {
        if (bitCount) block[pending++] = uint8_t(bits);
        bitCount = 0;
        flushBlock();
        out.push_back(0);
    }
};

// The string table as (prefix code, next index) -> code, hashed with open addressing.
struct StringTable {
    static constexpr uint32_t SIZE = 8192;  // a power of two above CODE_LIMIT
    uint32_t keys[SIZE];
    uint16_t codes[SIZE];

    void clear() { std::memset(keys, 0xFF, sizeof keys); }
    uint32_t slotOf(uint32_t key) const {
        uint32_t h = (key * 2654435761u) >> 19;
        while (keys[h] != key && keys[h] != 0xFFFFFFFF) h = (h + 1) & (SIZE - 1);
        return h;
    }
};
}  // namespace

// The table starts again with a clear code when it is full, before codes reach 4096.
void appendGifImageData(std::vector<uint8_t>& out, const uint8_t* indices, size_t n) {
    static StringTable table;
    out.push_back(8);  // LZW minimum code size
    CodeWriter writer(out);
    table.clear();
    int width = FIRST_CODE_BITS;
    uint32_t nextCode = FIRST_FREE_CODE;
    writer.put(CLEAR_CODE, width);
    if (n) {
        uint32_t prefix = indices[0];
        for (size_t i = 1; i < n; ++i) {
            uint32_t key = prefix << 8 | indices[i];
            uint32_t slot = table.slotOf(key);
            if (table.keys[slot] == key) {
                prefix = table.codes[slot];
                continue;
            }
            writer.put(prefix, width);
            table.keys[slot] = key;
            table.codes[slot] = uint16_t(nextCode++);
            if (nextCode > (1u << width) && width < MAX_CODE_BITS) ++width;
            if (nextCode == CODE_LIMIT) {
                writer.put(CLEAR_CODE, width);
                table.clear();
                width = FIRST_CODE_BITS;
                nextCode = FIRST_FREE_CODE;
            }
            prefix = indices[i];
        }
        writer.put(prefix, width);
    }
    writer.put(END_CODE, width);
    writer.finish();
}

static void putWord(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

std::vector<uint8_t> encodeGif(const uint16_t* picture, const CapturePalette& palette) {
    std::vector<uint8_t> out = {'G', 'I', 'F', '8', '7', 'a'};
    putWord(out, CAPTURE_WIDTH);
    putWord(out, CAPTURE_HEIGHT);
    out.push_back(0xF7);  // global colour table of 256 entries, 8-bit colour resolution
    out.push_back(0);     // background
    out.push_back(0);     // aspect
    for (int i = 0; i < 256; ++i) {
        const uint8_t* e = palette.entries[i];
        bool used = i < palette.count;
        out.push_back(used ? e[2] : 0);
        out.push_back(used ? e[1] : 0);
        out.push_back(used ? e[0] : 0);
    }
    out.push_back(',');
    putWord(out, 0);
    putWord(out, 0);
    putWord(out, CAPTURE_WIDTH);
    putWord(out, CAPTURE_HEIGHT);
    out.push_back(0);
    std::vector<uint8_t> indices(CAPTURE_WIDTH * CAPTURE_HEIGHT);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = uint8_t(palette.indexOf[picture[i] & 0xFFF]);
    appendGifImageData(out, indices.data(), indices.size());
    out.push_back(';');
    return out;
}
