#include "base/crc32.h"

#include <array>

// The 256-entry table is computed at compile time, so there is no first-use set-up.
static constexpr std::array<uint32_t, 256> crcTable = [] {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}();

uint32_t crc32Update(uint32_t crc, const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) crc = (crc >> 8) ^ crcTable[(crc ^ bytes[i]) & 0xFF];
    return crc;
}
