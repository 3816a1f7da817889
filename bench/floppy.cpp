// Floppy storage: Deflate decoding, loading zipped and MSA images, sector reads.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/archive_file.h"
#include "base/crc32.h"
#include "base/inflate.h"
#include "floppy/disk_image.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A disk's worth of data as images hold it: code-like bytes with repeats, then the
// formatter's $E5 filler.
Bytes diskContent() {
    Bytes out(737280, 0xE5);
    uint32_t x = 2463534242u;
    static const char* words[] = {"GEMDOS", "\x4E\x75\x4E\x56", "PRG", "\0\0\0\0", "SCORE"};
    for (size_t i = 0; i < 300000;) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        if (x & 1) {
            out[i++] = uint8_t(x >> 8);
        } else {
            const char* w = words[(x >> 8) % 5];
            for (size_t k = 0; k < 4 && i < 300000; ++k) out[i++] = uint8_t(w[k]);
        }
    }
    return out;
}

// A greedy LZ77 encoder with the fixed codes of Deflate, enough to make a realistic
// stream for the decoder.
class FixedDeflater {
public:
    Bytes compress(const Bytes& in) {
        put(1, 1);
        put(1, 2);  // final block, fixed codes
        std::vector<int32_t> head(1 << 15, -1), previous(in.size(), -1);
        for (size_t i = 0; i < in.size();) {
            size_t bestLength = 0, bestDistance = 0;
            if (i + 3 <= in.size()) {
                uint32_t h = hash(&in[i]);
                for (int32_t c = head[h], tries = 0; c >= 0 && i - c <= 32768 && tries < 32; c = previous[c], ++tries) {
                    size_t n = 0;
                    while (n < 258 && i + n < in.size() && in[c + n] == in[i + n]) ++n;
                    if (n > bestLength) bestLength = n, bestDistance = i - c;
                }
            }
            size_t step = bestLength >= 3 ? bestLength : 1;
            if (bestLength >= 3)
                match(bestLength, bestDistance);
            else
                literal(in[i]);
            for (size_t k = 0; k < step; ++k, ++i) {
                if (i + 3 > in.size()) continue;
                uint32_t h = hash(&in[i]);
                previous[i] = head[h];
                head[h] = int32_t(i);
            }
        }
        code(256);
        if (bitCount) out.push_back(uint8_t(bits));
        return out;
    }

private:
    Bytes out;
    uint32_t bits = 0, bitCount = 0;
    static uint32_t hash(const uint8_t* p) { return (p[0] << 10 ^ p[1] << 5 ^ p[2]) & 0x7FFF; }
    void put(uint32_t value, uint32_t n) {
        bits |= value << bitCount;
        bitCount += n;
        while (bitCount >= 8) {
            out.push_back(uint8_t(bits));
            bits >>= 8;
            bitCount -= 8;
        }
    }
    void putCode(uint32_t c, uint32_t n) {  // Huffman codes go most significant bit first
        uint32_t r = 0;
        for (uint32_t b = 0; b < n; ++b) r |= ((c >> b) & 1) << (n - 1 - b);
        put(r, n);
    }
    void code(uint32_t s) {
        if (s < 144) putCode(0x30 + s, 8);
        else if (s < 256) putCode(0x190 + s - 144, 9);
        else if (s < 280) putCode(s - 256, 7);
        else putCode(0xC0 + s - 280, 8);
    }
    void literal(uint8_t b) { code(b); }
    void match(size_t length, size_t distance) {
        static const uint16_t lengthBase[29] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
        static const uint8_t lengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        static const uint16_t distanceBase[30] = {1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
        static const uint8_t distanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
        int l = 28;
        while (lengthBase[l] > length) --l;
        code(257 + l);
        put(uint32_t(length - lengthBase[l]), lengthExtra[l]);
        int d = 29;
        while (distanceBase[d] > distance) --d;
        putCode(d, 5);
        put(uint32_t(distance - distanceBase[d]), distanceExtra[d]);
    }
};

struct Fixture {
    Bytes content = diskContent();
    Bytes compressed = FixedDeflater().compress(content);
    std::string dir = "/tmp/quarv_bench_floppy_" + std::to_string(getpid());
    std::string zipPath = dir + ".zip";

    Fixture() {
        // One stored local header in front of the stream is all the reader needs.
        Bytes zip(30, 0);
        const char name[] = "DISK.ST";
        uint32_t fields[] = {0x04034B50};
        std::memcpy(zip.data(), fields, 4);
        zip[4] = 20;
        zip[8] = 8;
        uint32_t crc = ~crc32Update(0xFFFFFFFF, content.data(), content.size());
        uint32_t sizes[] = {crc, uint32_t(compressed.size()), uint32_t(content.size())};
        std::memcpy(&zip[14], sizes, 12);
        zip[26] = sizeof name - 1;
        zip.insert(zip.end(), name, name + sizeof name - 1);
        zip.insert(zip.end(), compressed.begin(), compressed.end());
        FILE* f = std::fopen(zipPath.c_str(), "wb");
        std::fwrite(zip.data(), 1, zip.size(), f);
        std::fclose(f);
    }
    ~Fixture() { std::remove(zipPath.c_str()); }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

int countBytes(void* owner, const uint8_t*, uint32_t n) {
    *static_cast<size_t*>(owner) += n;
    return 0;
}

void BM_InflateDiskImage(benchmark::State& state) {
    const Bytes& compressed = fixture().compressed;
    for (auto _ : state) {
        size_t produced = 0;
        InflateState* s = inflateCreate(&produced, countBytes, std::malloc, std::free);
        for (size_t at = 0; at < compressed.size(); at += ARCHIVE_INPUT_SIZE)
            inflateFeed(s, &compressed[at], uint32_t(std::min<size_t>(ARCHIVE_INPUT_SIZE, compressed.size() - at)));
        if (inflateFinish(s) != 0 || produced != fixture().content.size()) state.SkipWithError("decoding failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(fixture().content.size()));
}
BENCHMARK(BM_InflateDiskImage)->Unit(benchmark::kMillisecond);

void BM_InsertZippedDisk(benchmark::State& state) {
    std::string member = fixture().zipPath + "/disk.st";
    for (auto _ : state)
        if (!InsertDisk(member.c_str())) state.SkipWithError(driveA.errorMessage);
    EjectDisk();
}
BENCHMARK(BM_InsertZippedDisk)->Unit(benchmark::kMillisecond);

// An archive of 65,534 one-byte members as a streaming tool writes them: each local
// header without sizes, a data descriptor after the data, the sizes in the central
// directory. Opening the last member walks every header before it.
struct StreamedArchive {
    static constexpr uint32_t MEMBERS = 65534;
    std::string path = "/tmp/quarv_bench_streamed_" + std::to_string(getpid()) + ".zip";

    StreamedArchive() {
        Bytes zip, directory;
        auto put = [](Bytes& b, uint32_t v, int n) {
            for (int i = 0; i < n; ++i) b.push_back(uint8_t(v >> (8 * i)));
        };
        for (uint32_t i = 0; i < MEMBERS; ++i) {
            std::string name = "m" + std::to_string(i) + ".st";
            uint8_t byte = uint8_t(i);
            uint32_t crc = ~crc32Update(0xFFFFFFFF, &byte, 1), offset = uint32_t(zip.size());
            put(zip, 0x04034B50, 4), put(zip, 20, 2), put(zip, 8, 2), put(zip, 0, 2), put(zip, 0, 4);
            put(zip, 0, 4), put(zip, 0, 4), put(zip, 0, 4), put(zip, uint32_t(name.size()), 2), put(zip, 0, 2);
            zip.insert(zip.end(), name.begin(), name.end());
            zip.push_back(byte);
            put(zip, 0x08074B50, 4), put(zip, crc, 4), put(zip, 1, 4), put(zip, 1, 4);
            put(directory, 0x02014B50, 4), put(directory, 20, 2), put(directory, 20, 2), put(directory, 8, 2);
            put(directory, 0, 2), put(directory, 0, 4), put(directory, crc, 4), put(directory, 1, 4);
            put(directory, 1, 4), put(directory, uint32_t(name.size()), 2), put(directory, 0, 4);
            put(directory, 0, 4), put(directory, 0, 4), put(directory, offset, 4);
            directory.insert(directory.end(), name.begin(), name.end());
        }
        uint32_t directoryOffset = uint32_t(zip.size());
        zip.insert(zip.end(), directory.begin(), directory.end());
        put(zip, 0x06054B50, 4), put(zip, 0, 4), put(zip, MEMBERS, 2), put(zip, MEMBERS, 2);
        put(zip, uint32_t(directory.size()), 4), put(zip, directoryOffset, 4), put(zip, 0, 2);
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(zip.data(), 1, zip.size(), f);
        std::fclose(f);
    }
    ~StreamedArchive() { std::remove(path.c_str()); }
};

void BM_OpenLastOfManyStreamedMembers(benchmark::State& state) {
    static StreamedArchive archive;
    std::string member = archive.path + "/m" + std::to_string(StreamedArchive::MEMBERS - 1) + ".st";
    for (auto _ : state) {
        ArchiveFile* f = archiveOpenPath(member.c_str());
        if (!f) state.SkipWithError("member not found");
        archiveClose(f);
    }
}
BENCHMARK(BM_OpenLastOfManyStreamedMembers)->Unit(benchmark::kMillisecond);

void BM_ReadSector(benchmark::State& state) {
    if (!InsertDisk((fixture().zipPath + "/disk.st").c_str())) state.SkipWithError(driveA.errorMessage);
    int n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadSector(n % 72, (n / 72) % 2, uint32_t(1 + n % 10)));
        ++n;
    }
    EjectDisk();
}
BENCHMARK(BM_ReadSector);

}  // namespace
