#pragma once
// Builds ZIP archives and raw Deflate streams for the floppy tests, with zlib as the
// reference encoder.
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct ZipMember {
    std::string name;
    Bytes data;
    bool deflated = true;
    uint32_t crcXor = 0;  // non-zero: the stored CRC-32 is wrong by these bits
    uint16_t flags = 0;
    int method = -1;                // -1: 8 when deflated, else 0
    int64_t uncompressedSize = -1;  // -1: the real size
    // As a streaming writer makes it: flag bit 3, zeros for CRC and sizes in the local
    // header, a data descriptor (with or without its signature) after the data.
    bool streamed = false;
    bool descriptorSignature = true;
};

// Raw Deflate (no zlib header) of data.
Bytes deflateRaw(const Bytes& data, int level = 9, int strategy = 0);
// Raw inflate by zlib: true when the stream ends exactly at the end of the input.
bool inflateRawReference(const Bytes& compressed, Bytes& out);
// The members, then their central directory and its end record.
Bytes buildZip(const std::vector<ZipMember>& members);

void writeBytes(const std::string& path, const Bytes& bytes);
// Deterministic pseudo-random bytes; `compressible` mixes in repeated phrases.
Bytes testPattern(size_t size, uint32_t seed, bool compressible);
