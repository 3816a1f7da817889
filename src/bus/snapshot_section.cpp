#include "bus/snapshot_section.h"

#include <lzo/lzo1x.h>

void SnapshotSaver::block(uint8_t* data, uint32_t, uint32_t& length) {
    if (!packBlocks) {
        put32(length);
        put32(SNAPSHOT_RAW_BLOCK);
        out.insert(out.end(), data, data + length);
        return;
    }
    static lzo_align_t workMemory[(LZO1X_1_MEM_COMPRESS + sizeof(lzo_align_t) - 1) / sizeof(lzo_align_t)];
    std::vector<uint8_t> packed(length * 2 + 1024);
    lzo_uint packedLength = 0;
    lzo1x_1_compress(data, length, packed.data(), &packedLength, workMemory);
    put32(length);
    put32(uint32_t(packedLength));
    out.insert(out.end(), packed.begin(), packed.begin() + long(packedLength));
}

void SnapshotParser::block(uint8_t* data, uint32_t capacity, uint32_t& length) {
    uint32_t n = get32();
    uint32_t packed = get32();
    if (ok && packed == SNAPSHOT_RAW_BLOCK) {
        if (n <= capacity) raw(data, n);
        ok = ok && n <= capacity;
        length = n;
        return;
    }
    if (!ok || n > capacity || !take(packed)) {
        ok = false;
        return;
    }
    lzo_uint produced = n;
    int result = lzo1x_decompress_safe(p, packed, data, &produced, nullptr);
    p += packed;
    ok = result == LZO_E_OK && produced == n;
    length = n;
}
