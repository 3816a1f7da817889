#pragma once
// CRC-32 as ZIP archives store it: reflected polynomial $EDB88320, started at
// $FFFFFFFF and complemented at the end by the caller.
#include <cstddef>
#include <cstdint>

uint32_t crc32Update(uint32_t crc, const uint8_t* bytes, size_t count);
