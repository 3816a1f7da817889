#include <algorithm>
#include <cstring>

#include "floppy/disk_formats.h"

constexpr uint32_t MSA_HEADER_SIZE = 10;
constexpr uint8_t MSA_RUN_MARK = 0xE5;

static uint32_t be16(const uint8_t* p) { return uint32_t(p[0] << 8 | p[1]); }

// Decodes one run-length coded track until it is complete; false when the input ends
// first. $E5 value count stands for count copies of value (the part beyond the end of
// the track is dropped), any other byte for itself.
static bool decodeRuns(const std::vector<uint8_t>& in, uint64_t& at, uint8_t* track, uint64_t trackBytes) {
    uint64_t produced = 0;
    while (produced < trackBytes) {
        if (at >= in.size()) return false;
        uint8_t byte = in[at++];
        if (byte != MSA_RUN_MARK) {
            track[produced++] = byte;
            continue;
        }
        if (at + 3 > in.size()) return false;
        uint64_t count = be16(&in[at + 1]);
        std::memset(track + produced, in[at], std::min(count, trackBytes - produced));
        produced += count;
        at += 3;
    }
    return true;
}

// After the header, one record per track and side: a 16-bit length, then the track
// either stored whole (length = one track) or run-length coded.
static bool decodeTracks(const std::vector<uint8_t>& in, std::vector<uint8_t>& out, uint64_t records,
                         uint64_t trackBytes) {
    uint64_t at = MSA_HEADER_SIZE;
    for (uint64_t r = 0; r < records; ++r) {
        uint8_t* track = out.data() + r * trackBytes;
        if (at + 2 > in.size()) return false;
        uint64_t length = be16(&in[at]);
        at += 2;
        if (length != trackBytes) {
            if (!decodeRuns(in, at, track, trackBytes)) return false;
            continue;
        }
        if (at + length > in.size()) return false;
        std::memcpy(track, &in[at], length);
        at += length;
    }
    return true;
}

bool convertMsa(DiskImage& disk) {
    const uint64_t trackBytes = uint64_t(disk.sectorsPerTrack) * 512;
    const uint64_t records = uint64_t(disk.sides) * uint64_t(disk.tracks);
    // Every record needs at least its length word, which bounds the image before any
    // allocation is made.
    if (disk.data.size() < MSA_HEADER_SIZE || records * 2 > disk.data.size() - MSA_HEADER_SIZE) {
        disk.errorMessage = "MSA image is truncated.";
        return false;
    }
    if (records * trackBytes > DISK_MAX_FILE_SIZE) {
        disk.errorMessage = "MSA image geometry is too large.";
        return false;
    }
    if (trackBytes == 0 || records == 0) {
        disk.errorMessage = "MSA image has no sectors.";
        return false;
    }
    std::vector<uint8_t> out(records * trackBytes);
    if (!decodeTracks(disk.data, out, records, trackBytes)) {
        disk.errorMessage = "MSA image is truncated.";
        return false;
    }
    disk.data = std::move(out);
    disk.layout = DISK_LAYOUT_SECTORS;
    return true;
}
