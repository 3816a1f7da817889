#include <algorithm>
#include <cstring>

#include "base/archive_file.h"
#include "floppy/disk_image.h"

constexpr uint32_t MAX_RAW_SECTORS = 1826;
constexpr uint32_t DETECT_HEADER_SIZE = 512;

static uint32_t be16(const uint8_t* p) { return uint32_t(p[0] << 8 | p[1]); }
static uint32_t le16(const uint8_t* p) { return uint32_t(p[0] | p[1] << 8); }

static void setGeometry(DiskImageInfo& info, uint32_t format, int32_t sides, int32_t tracks, int32_t sectorsPerTrack) {
    info.format = format;
    info.sides = sides;
    info.tracks = tracks;
    info.sectorsPerTrack = sectorsPerTrack;
}

// The formats are tried in a fixed order: the three with a signature, then a raw image
// described by its boot sector, then a raw image guessed from its size.
static bool identify(const uint8_t* h, uint32_t fileSize, DiskImageInfo& info) {
    if (h[0] == 0x0E && h[1] == 0x0F && be16(h + 6) == 0) {
        setGeometry(info, DISK_FORMAT_MSA, int32_t(be16(h + 4)) + 1, int32_t(be16(h + 8)) + 1, int32_t(be16(h + 2)));
        return true;
    }
    if (std::memcmp(h, "Formatted Disk Image file", 25) == 0) {
        setGeometry(info, DISK_FORMAT_FDI, int8_t(h[0x90]) + 1, int32_t(be16(h + 0x8E)) + 1, 0);
        return true;
    }
    if (h[0] == 0x42 && h[1] == 0x42 && le16(h + 10) == 0 && le16(h + 12) < 85 && le16(h + 8) <= 11 &&
        le16(h + 14) <= 2) {
        setGeometry(info, DISK_FORMAT_DIM, int32_t(le16(h + 14)), int32_t(le16(h + 12)) + 1, int32_t(le16(h + 8)));
        return true;
    }
    uint32_t bootSectors = le16(h + 24), bootSides = le16(h + 26), bootTotal = le16(h + 19);
    if (bootSectors >= 9 && bootSectors <= 11 && (bootSides == 1 || bootSides == 2) && bootTotal >= 1 &&
        bootTotal <= MAX_RAW_SECTORS && fileSize == bootTotal * 512) {
        setGeometry(info, DISK_FORMAT_ST, int32_t(bootSides), int32_t(bootTotal / (bootSides * bootSectors)),
                    int32_t(bootSectors));
        return true;
    }
    if (fileSize % 512 == 0 && fileSize <= MAX_RAW_SECTORS * 512) {
        uint32_t sectors = fileSize / 512, sides = sectors < 913 ? 1 : 2, perSide = sectors / sides;
        uint32_t perTrack = perSide % 11 == 0 ? 11 : perSide % 10 == 0 ? 10 : perSide % 9 == 0 ? 9 : 0;
        if (perTrack == 0) return false;
        setGeometry(info, DISK_FORMAT_ST, int32_t(sides), int32_t(fileSize / (sides * perTrack * 512)), int32_t(perTrack));
        return true;
    }
    return false;
}

bool DetectDiskImage(const char* path, DiskImageInfo* info) {
    ArchiveFile* file = archiveOpenPath(path);
    if (!file) return false;
    uint8_t header[DETECT_HEADER_SIZE];
    bool complete = archiveRead(header, 1, DETECT_HEADER_SIZE, file) == DETECT_HEADER_SIZE;
    int64_t fileSize = archiveSeek(file, 0, 2) == 0 ? archiveTell(file) : 0;
    bool member = archiveIsMember(file);
    archiveClose(file);  // a member read only in part does not end cleanly; that is expected here

    DiskImageInfo found{};
    found.percentPresent = 100.0f;
    found.fileSize = uint32_t(fileSize);
    bool recognised = complete && identify(header, found.fileSize, found);
    if (info) {
        double declared = double(found.sides) * found.tracks * found.sectorsPerTrack * 512;
        if (recognised && declared > 0) found.percentPresent = float(std::min(100.0, found.fileSize * 100.0 / declared));
        found.plainFile = recognised && found.format == DISK_FORMAT_ST && !member;
        *info = found;
    }
    return recognised;
}
