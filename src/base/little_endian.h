#pragma once
// The little-endian numbers of our own file formats (snapshots, journals, recordings) and
// of ZIP archives.
#include <cstdint>
#include <vector>

inline uint16_t little16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t little32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
inline void appendLittle32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
