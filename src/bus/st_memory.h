#pragma once
// ST memory is held with the two bytes of every 16-bit word exchanged: the ST byte at
// address a lies at host offset a ^ 1, so an ST word is one native little-endian load.
#include <cstdint>
#include <cstring>

inline uint8_t stReadByte(const uint8_t* base, uint32_t offset) { return base[offset ^ 1]; }
inline void stWriteByte(uint8_t* base, uint32_t offset, uint8_t v) { base[offset ^ 1] = v; }

inline uint16_t stReadWord(const uint8_t* base, uint32_t offset) {
    uint16_t v;
    std::memcpy(&v, base + offset, 2);
    return v;
}
inline void stWriteWord(uint8_t* base, uint32_t offset, uint16_t v) { std::memcpy(base + offset, &v, 2); }

// A long is one native 32-bit load whose two halves are then exchanged.
inline uint32_t stReadLong(const uint8_t* base, uint32_t offset) {
    uint32_t v;
    std::memcpy(&v, base + offset, 4);
    return (v << 16) | (v >> 16);
}
inline void stWriteLong(uint8_t* base, uint32_t offset, uint32_t v) {
    v = (v << 16) | (v >> 16);
    std::memcpy(base + offset, &v, 4);
}

// Copies a file image (big-endian bytes) into ST memory order; an odd last byte lands
// in its pair without touching the pair's other byte.
inline void stCopyFromFileOrder(uint8_t* dest, const uint8_t* src, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i) dest[i ^ 1] = src[i];
}
