#pragma once
// CRC-32 as ZIP archives store it: reflected polynomial $EDB88320, started at
// $FFFFFFFF and complemented at the end by the caller.
#include <cstddef>
#include <cstdint>

uint32_t crc32Update(uint32_t crc, const uint8_t* bytes, size_t count);
// The whole CRC-32 of a block (started and complemented).
inline uint32_t crc32Of(const uint8_t* bytes, size_t count) { return ~crc32Update(0xFFFFFFFF, bytes, count); }
