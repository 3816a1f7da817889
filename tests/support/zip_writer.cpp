#include "support/zip_writer.h"

#include <zlib.h>

#include <cstdio>
#include <fstream>

Bytes deflateRaw(const Bytes& data, int level, int strategy) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -15, 9, strategy);
    Bytes out(deflateBound(&z, uLong(data.size())) + 64);
    z.next_in = const_cast<uint8_t*>(data.data());
    z.avail_in = uInt(data.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

bool inflateRawReference(const Bytes& compressed, Bytes& out) {
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = const_cast<uint8_t*>(compressed.data());
    z.avail_in = uInt(compressed.size());
    out.clear();
    uint8_t buffer[65536];
    int result;
    do {
        z.next_out = buffer;
        z.avail_out = sizeof buffer;
        result = inflate(&z, Z_NO_FLUSH);
        out.insert(out.end(), buffer, buffer + (sizeof buffer - z.avail_out));
    } while (result == Z_OK && (z.avail_in > 0 || z.avail_out == 0));
    inflateEnd(&z);
    return result == Z_STREAM_END && z.avail_in == 0;
}

static void put(Bytes& b, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

Bytes buildZip(const std::vector<ZipMember>& members) {
    Bytes zip, directory;
    for (const ZipMember& m : members) {
        Bytes payload = m.deflated ? deflateRaw(m.data) : m.data;
        uint32_t crc = uint32_t(crc32(0, m.data.data(), uInt(m.data.size()))) ^ m.crcXor;
        uint32_t size = uint32_t(m.uncompressedSize >= 0 ? m.uncompressedSize : int64_t(m.data.size()));
        uint32_t method = m.method >= 0 ? uint32_t(m.method) : m.deflated ? 8 : 0;
        uint16_t flags = uint16_t(m.flags | (m.streamed ? 8 : 0));
        uint32_t offset = uint32_t(zip.size());
        put(zip, 0x04034B50, 4);
        put(zip, 20, 2);
        put(zip, flags, 2);
        put(zip, method, 2);
        put(zip, 0x00210000, 4);  // time and date
        put(zip, m.streamed ? 0 : crc, 4);
        put(zip, m.streamed ? 0 : uint32_t(payload.size()), 4);
        put(zip, m.streamed ? 0 : size, 4);
        put(zip, uint32_t(m.name.size()), 2);
        put(zip, 0, 2);
        zip.insert(zip.end(), m.name.begin(), m.name.end());
        zip.insert(zip.end(), payload.begin(), payload.end());
        if (m.streamed) {
            if (m.descriptorSignature) put(zip, 0x08074B50, 4);
            put(zip, crc, 4);
            put(zip, uint32_t(payload.size()), 4);
            put(zip, size, 4);
        }
        put(directory, 0x02014B50, 4);
        put(directory, 20, 2);  // made by
        put(directory, 20, 2);  // needed
        put(directory, flags, 2);
        put(directory, method, 2);
        put(directory, 0x00210000, 4);
        put(directory, crc, 4);
        put(directory, uint32_t(payload.size()), 4);
        put(directory, size, 4);
        put(directory, uint32_t(m.name.size()), 2);
        put(directory, 0, 2);   // extra
        put(directory, 0, 2);   // comment
        put(directory, 0, 2);   // disk
        put(directory, 0, 2);   // internal attributes
        put(directory, 0, 4);   // external attributes
        put(directory, offset, 4);
        directory.insert(directory.end(), m.name.begin(), m.name.end());
    }
    uint32_t directoryOffset = uint32_t(zip.size());
    zip.insert(zip.end(), directory.begin(), directory.end());
    put(zip, 0x06054B50, 4);
    put(zip, 0, 4);  // disk numbers
    put(zip, uint32_t(members.size()), 2);
    put(zip, uint32_t(members.size()), 2);
    put(zip, uint32_t(directory.size()), 4);
    put(zip, directoryOffset, 4);
    put(zip, 0, 2);  // comment
    return zip;
}

// Removed first: truncating a file that was just written makes the file system flush it.
void writeBytes(const std::string& path, const Bytes& bytes) {
    std::remove(path.c_str());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes testPattern(size_t size, uint32_t seed, bool compressible) {
    static const char* const phrases[] = {"DISK ", "SECTOR ", "TRACK ", "\x4E\x75", "ATARI ST "};
    Bytes out;
    uint32_t x = seed * 2654435761u + 1;
    while (out.size() < size) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        if (compressible && (x & 3) != 0) {
            const char* p = phrases[(x >> 8) % 5];
            out.insert(out.end(), p, p + std::char_traits<char>::length(p));
        } else {
            out.push_back(uint8_t(x >> 16));
        }
    }
    out.resize(size);
    return out;
}
