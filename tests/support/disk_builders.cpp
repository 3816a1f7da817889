#include "support/disk_builders.h"

#include <algorithm>
#include <cstring>

Bytes rawImage(int tracks, int sides, int sectorsPerTrack) {
    Bytes out;
    for (int t = 0; t < tracks; ++t)
        for (int s = 0; s < sides; ++s)
            for (int n = 1; n <= sectorsPerTrack; ++n)
                for (int i = 0; i < 512; ++i) out.push_back(sectorByte(t, s, n, i));
    return out;
}

Bytes rawImageWithBootSector(int tracks, int sides, int sectorsPerTrack) {
    Bytes out = rawImage(tracks, sides, sectorsPerTrack);
    uint32_t total = uint32_t(tracks * sides * sectorsPerTrack);
    out[19] = uint8_t(total);
    out[20] = uint8_t(total >> 8);
    out[24] = uint8_t(sectorsPerTrack);
    out[25] = 0;
    out[26] = uint8_t(sides);
    out[27] = 0;
    return out;
}

static void putBe16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}

Bytes msaImage(const Bytes& raw, int tracks, int sides, int sectorsPerTrack, const std::vector<int>& runLength) {
    Bytes out;
    putBe16(out, 0x0E0F);
    putBe16(out, uint32_t(sectorsPerTrack));
    putBe16(out, uint32_t(sides - 1));
    putBe16(out, 0);
    putBe16(out, uint32_t(tracks - 1));
    size_t trackBytes = size_t(sectorsPerTrack) * 512;
    for (int r = 0; r < tracks * sides; ++r) {
        const uint8_t* track = raw.data() + r * trackBytes;
        bool coded = std::find(runLength.begin(), runLength.end(), r) != runLength.end();
        if (!coded) {
            putBe16(out, uint32_t(trackBytes));
            out.insert(out.end(), track, track + trackBytes);
            continue;
        }
        // Every byte as a run of one, except runs of equal bytes, which become one run.
        Bytes record;
        for (size_t i = 0; i < trackBytes;) {
            size_t j = i;
            while (j < trackBytes && track[j] == track[i]) ++j;
            if (j - i >= 4 || track[i] == 0xE5) {
                record.push_back(0xE5);
                record.push_back(track[i]);
                putBe16(record, uint32_t(j - i));
            } else {
                record.insert(record.end(), track + i, track + j);
            }
            i = j;
        }
        putBe16(out, uint32_t(record.size()));
        out.insert(out.end(), record.begin(), record.end());
    }
    return out;
}

Bytes dimHeader(int lastTrack, int sidesWord, int sectorsPerTrack) {
    Bytes h(32, 0);
    h[0] = h[1] = 0x42;
    h[8] = uint8_t(sectorsPerTrack);
    h[12] = uint8_t(lastTrack);
    h[14] = uint8_t(sidesWord);
    return h;
}

Bytes fdiImage(int tracks, int sides, const std::vector<FdiTrackSpec>& trackList) {
    Bytes out(512, 0);
    std::memcpy(out.data(), "Formatted Disk Image file", 25);
    out[0x8E] = uint8_t((tracks - 1) >> 8);
    out[0x8F] = uint8_t(tracks - 1);
    out[0x90] = uint8_t(sides - 1);
    for (size_t i = 0; i < trackList.size(); ++i) {
        const FdiTrackSpec& t = trackList[i];
        size_t pages = t.sizePages >= 0 ? size_t(t.sizePages) : (t.data.size() + 255) / 256;
        out[0x98 + 2 * i] = t.type;
        out[0x99 + 2 * i] = uint8_t(pages);
        Bytes data = t.data;
        data.resize(std::max(data.size(), pages * 256), 0);
        out.insert(out.end(), data.begin(), data.end());
    }
    return out;
}

Bytes fdiSector512(uint8_t fill) {
    Bytes b(512);
    for (int i = 0; i < 512; ++i) b[i] = uint8_t(fill + i);
    return b;
}
