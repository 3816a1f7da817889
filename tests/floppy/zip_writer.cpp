#include "floppy/zip_writer.h"

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

// Local headers with their data, then the end of the central directory (the reader
// must stop at whatever follows the last member).
Bytes buildZip(const std::vector<ZipMember>& members) {
    Bytes zip;
    for (const ZipMember& m : members) {
        Bytes payload = m.deflated ? deflateRaw(m.data) : m.data;
        put(zip, 0x04034B50, 4);
        put(zip, 20, 2);
        put(zip, m.flags, 2);
        put(zip, m.method >= 0 ? uint32_t(m.method) : m.deflated ? 8 : 0, 2);
        put(zip, 0x00210000, 4);  // time and date
        put(zip, uint32_t(crc32(0, m.data.data(), uInt(m.data.size()))) ^ m.crcXor, 4);
        put(zip, uint32_t(payload.size()), 4);
        put(zip, uint32_t(m.uncompressedSize >= 0 ? m.uncompressedSize : int64_t(m.data.size())), 4);
        put(zip, uint32_t(m.name.size()), 2);
        put(zip, 0, 2);
        zip.insert(zip.end(), m.name.begin(), m.name.end());
        zip.insert(zip.end(), payload.begin(), payload.end());
    }
    put(zip, 0x06054B50, 4);
    zip.resize(zip.size() + 18, 0);
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
