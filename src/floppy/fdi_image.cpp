#include <algorithm>

#include "floppy/disk_formats.h"

constexpr uint32_t FDI_DESCRIPTORS = 0x98;  // two bytes a track: type, size / 256
constexpr uint32_t FDI_FIRST_TRACK = 512;
constexpr uint8_t FDI_END_TRACK = 0xFF;

static const char* const END_NOT_FOUND = "ERROR: End track command (FF) not found in FDI file";
static const char* const TRUNCATED = "FDI image is truncated.";
static const char* const SECTOR_TOO_LARGE = "FDI sector size above 1024 bytes (size code 3) is not supported.";

namespace {

// Turns one track of the file into its entry list. The stream is bounded by the
// track's end and by the end of the file; a failure leaves its message.
struct TrackConverter {
    const uint8_t* file;
    uint64_t at, trackEnd, streamEnd;
    uint8_t track, side;
    std::vector<uint8_t>& out;
    const char* failure = nullptr;

    bool fails(const char* message) {
        failure = message;
        return false;
    }
    // The next n operand bytes are there.
    bool need(uint64_t n) { return at + n <= streamEnd || fails(streamEnd < trackEnd ? TRUNCATED : END_NOT_FOUND); }

    // The WD1772 knows sector sizes up to 1024 bytes (size code 3); a larger one could
    // not be read into the sector buffer.
    bool sizeCodeUsable(uint8_t code) { return (code & 31) <= 3 || fails(SECTOR_TOO_LARGE); }

    void emitId(uint8_t t, uint8_t s, uint8_t sector, uint8_t sizeCode) {
        out.insert(out.end(), {FDI_ID_ENTRY, t, s, sector, sizeCode});
    }
    void emitData(uint8_t sizeCode, const uint8_t* bytes) {
        out.push_back(FDI_DATA_ENTRY);
        out.push_back(sizeCode & 31);
        out.insert(out.end(), bytes, bytes + (128u << (sizeCode & 31)));
    }

    bool standardTrack(int sectors) {
        if (at + uint64_t(sectors) * 512 > streamEnd) return fails(TRUNCATED);
        for (int i = 1; i <= sectors; ++i) {
            emitId(track, side, uint8_t(i), 2);
            emitData(2, file + at);
            at += 512;
        }
        return true;
    }

    bool command(uint8_t c) {
        const uint8_t* p = file + at;
        if (c <= 7 || (c >= 14 && c <= 18) || c == 30 || c == 31) return true;  // no operands
        switch (c) {
        case 8:
        case 9:
            if (!need(2)) return false;
            at += 2;
            return true;
        case 10:
        case 12:  // a bit count of raw flux data
            if (!need(2)) return false;
            return skip(2 + ((uint64_t(p[0] << 8 | p[1]) + 7) >> 3));
        case 11:
        case 13:
            if (!need(2)) return false;
            return skip(2 + (uint64_t(p[0] << 8 | p[1]) + 0x10007) / 3);
        case 19:
        case 20:
            if (!need(4) || !sizeCodeUsable(p[3])) return false;
            emitId(p[0], p[1], p[2], p[3]);
            at += 4;
            return true;
        case 21:
        case 22:
            if (!need(1)) return false;
            emitId(track, side, p[0], 2);
            at += 1;
            return true;
        case 23:
        case 24:
            return fails("CRC error in sector !");
        case 25:
            if (!need(512)) return false;
            emitData(2, p);
            at += 512;
            return true;
        case 26:
        case 27: {
            if (!need(1) || !sizeCodeUsable(p[0])) return false;
            uint64_t length = 128u << (p[0] & 31), trailer = c == 27 ? 2 : 0;  // 27: two CRC bytes
            if (!need(1 + length + trailer)) return false;
            emitData(p[0], p + 1);
            at += 1 + length + trailer;
            return true;
        }
        case 28:
            if (!need(4) || !sizeCodeUsable(p[3]) || !need(4 + (128u << (p[3] & 31)))) return false;
            emitId(p[0], p[1], p[2], p[3]);
            emitData(p[3], p + 4);
            at += 4 + (128u << (p[3] & 31));
            return true;
        case 29:
            if (!need(1 + 512)) return false;
            emitId(track, side, p[0], 2);
            emitData(2, p + 1);
            at += 1 + 512;
            return true;
        default:
            return fails("ERROR: Unknown command byte in FDI file !");
        }
    }

    bool skip(uint64_t n) {
        if (!need(n)) return false;
        at += n;
        return true;
    }

    // A stream of commands after the encoding byte, ended by $FF inside the track.
    bool commandTrack() {
        if (!need(1)) return false;
        if (file[at++] != 0) return fails("Only MFM Track encoding supported.");
        size_t emptySize = out.size();
        for (;;) {
            if (!need(1)) return false;
            uint8_t c = file[at++];
            if (c == FDI_END_TRACK) break;
            if (!command(c)) return false;
            if (at >= trackEnd) return fails(END_NOT_FOUND);
        }
        return out.size() != emptySize || fails(END_NOT_FOUND);
    }
};

}  // namespace

// The header's descriptor table gives each track's type and size; the tracks' data
// follow one another from offset 512, in the order track x sides + side.
bool convertFdi(DiskImage& disk) {
    const std::vector<uint8_t>& in = disk.data;
    // The drive has two heads: a header that declares no side (its byte $FF) or more than
    // two describes no disk it could read.
    if (disk.sides < 1 || disk.sides > 2) {
        disk.errorMessage = disk.sides < 1 ? "FDI image declares no sides." : "FDI image declares more than two sides.";
        return false;
    }
    int64_t trackCount = disk.tracks > 0 ? int64_t(disk.sides) * disk.tracks : 0;
    if (trackCount > FDI_MAX_TRACKS) {
        disk.errorMessage = "FDI image has more than 180 tracks.";
        return false;
    }
    std::vector<uint8_t> out;
    out.reserve(in.size() * 2);
    uint64_t trackData = FDI_FIRST_TRACK;
    for (int i = 0; i < trackCount; ++i) {
        uint8_t type = in[FDI_DESCRIPTORS + 2 * i];
        uint64_t trackEnd = trackData + uint64_t(in[FDI_DESCRIPTORS + 2 * i + 1]) * 256;
        TrackConverter t{in.data(), trackData, trackEnd, std::min<uint64_t>(trackEnd, in.size()),
                         uint8_t(i / disk.sides), uint8_t(i % disk.sides), out};
        uint32_t start = uint32_t(out.size());
        bool converted;
        if (type == 3 || type == 4) {
            // A standard track of 9 or 10 sectors of 512 bytes, stored in order; only the
            // end of the file bounds it.
            t.streamEnd = in.size();
            converted = t.standardTrack(type == 3 ? 9 : 10);
        } else if (type == 0xE2) {
            converted = t.commandTrack();
        } else {
            converted = t.fails("Unsupported FDI Track type.");
        }
        if (!converted) {
            disk.errorMessage = t.failure;
            return false;
        }
        disk.trackTable[i] = {uint32_t(out.size()) - start, start};
        trackData = trackEnd;
    }
    disk.data = std::move(out);
    disk.layout = DISK_LAYOUT_FDI_TRACKS;
    return true;
}
