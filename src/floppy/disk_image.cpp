#include "floppy/disk_image.h"

#include <algorithm>
#include <cstring>

#include "base/archive_file.h"
#include "bus/hardware_state.h"
#include "bus/st_memory.h"
#include "floppy/disk_formats.h"

DiskImage driveA;

static bool fail(const char* message) {
    driveA.errorMessage = message;
    return false;
}

// Why the file could not be opened, kept while errorMessage points at it.
static std::string openFailure;

static bool failToOpen() {
    openFailure = archiveOpenError();
    return fail(openFailure.c_str());
}

// Reads the whole file; a member whose data turns out damaged (bad Deflate data or
// CRC) is refused rather than loaded with wrong sectors.
static bool readWholeFile(const char* path) {
    ArchiveFile* file = archiveOpenPath(path);
    if (!file) return failToOpen();
    int64_t size = archiveSeek(file, 0, 2) == 0 ? archiveTell(file) : -1;
    bool sized = size >= 0 && size <= int64_t(DISK_MAX_FILE_SIZE) && archiveSeek(file, 0, 0) == 0;
    if (sized) driveA.data.assign(size_t(size), 0);
    bool complete = sized && archiveRead(driveA.data.data(), 1, size_t(size), file) == size_t(size);
    bool damaged = archiveClose(file) != 0;
    if (!sized) return fail(size > int64_t(DISK_MAX_FILE_SIZE) ? "Disk image file is too large." : "Cannot read the disk image.");
    if (!complete) return fail("Cannot read the disk image.");
    if (damaged) return fail("The disk image in the archive is damaged (CRC or data error).");
    return true;
}

static bool canOpen(const char* path) {
    ArchiveFile* file = archiveOpenPath(path);
    if (file) archiveClose(file);
    return file != nullptr;
}

static bool loadDisk(const char* path) {
    DiskImageInfo info;
    if (!DetectDiskImage(path, &info)) return canOpen(path) ? fail("Unknown image format.") : failToOpen();
    if (!readWholeFile(path)) return false;
    driveA.format = info.format;
    driveA.layout = DISK_LAYOUT_SECTORS;
    driveA.sides = info.sides;
    driveA.tracks = info.tracks;
    driveA.sectorsPerTrack = info.sectorsPerTrack;
    switch (info.format) {
    case DISK_FORMAT_MSA:
        if (!convertMsa(driveA)) return false;
        break;
    case DISK_FORMAT_FDI:
        if (!convertFdi(driveA)) return false;
        break;
    case DISK_FORMAT_DIM:
        driveA.data.erase(driveA.data.begin(), driveA.data.begin() + 32);  // the header
        break;
    default: break;
    }
    driveA.fileName = path;
    return true;
}

bool InsertDisk(const char* path) {
    std::string wanted = path ? path : "";  // the path may be the inserted disk's own name
    EjectDisk();
    driveA.errorMessage = "";
    if (wanted.size() < 2) return false;
    driveA.loaded = loadDisk(wanted.c_str());
    if (!driveA.loaded) {
        driveA.data = {};
        driveA.fileName.clear();
    }
    return driveA.loaded;
}

void EjectDisk() {
    if (driveA.loaded) {
        driveA.data = {};
        driveA.fileName.clear();
        driveA.loaded = false;
    }
    driveA.modified = false;
}

const char* insertedDiskPath() { return driveA.loaded ? driveA.fileName.c_str() : ""; }

static bool onDisk(int track, int side) {
    return driveA.loaded && side >= 0 && side < driveA.sides && track >= 0 && track < driveA.tracks;
}

// Offset of a sector of the plain layout, or -1 when the sector is outside the geometry
// or beyond the data the file held.
static int64_t plainSectorOffset(int track, int side, uint32_t sector) {
    if (sector < 1 || sector > uint32_t(driveA.sectorsPerTrack)) return -1;
    int64_t offset = ((int64_t(track) * driveA.sides + side) * driveA.sectorsPerTrack + sector - 1) * DISK_SECTOR_SIZE;
    return offset + DISK_SECTOR_SIZE <= int64_t(driveA.data.size()) ? offset : -1;
}

// Walks the entry list of a track: an ID entry that matches the request (its side
// compared by bit 0 only) must be followed directly by the data entry, any other ID
// entry in between cancels the match.
static bool readFdiSector(int track, int side, uint32_t sector) {
    const FdiTrack& t = driveA.trackTable[track * driveA.sides + side];
    const uint8_t* data = driveA.data.data();
    uint64_t at = t.start, end = uint64_t(t.start) + t.length;
    bool match = false;
    uint32_t sectorSize = DISK_SECTOR_SIZE;
    while (at < end) {
        if (data[at] == FDI_ID_ENTRY && at + 5 <= end) {
            const uint8_t* id = data + at;
            match = id[1] == track && (id[2] & 1) == side && id[3] == sector;
            sectorSize = 128u << (id[4] & 31);
            at += 5;
        } else if (data[at] == FDI_DATA_ENTRY && at + 2 <= end) {
            uint32_t length = 128u << data[at + 1];
            if (at + 2 + length > end) break;
            if (match) {
                // The controller reads as many bytes as the ID announces.
                std::memset(driveA.sectorBuffer, 0, sizeof driveA.sectorBuffer);
                stCopyFromFileOrder(driveA.sectorBuffer, data + at + 2, std::min(length, sectorSize));
                driveA.lastSectorSize = sectorSize;
                return true;
            }
            at += 2 + length;
        } else {
            break;
        }
    }
    if (at < end) driveA.errorMessage = "FDI Track data decoding error";
    return false;
}

bool ReadSector(int track, int side, uint32_t sector) {
    if (!onDisk(track, side)) return false;
    if (driveA.layout == DISK_LAYOUT_FDI_TRACKS) return readFdiSector(track, side, sector);
    int64_t offset = plainSectorOffset(track, side, sector);
    if (offset < 0) return false;
    stCopyFromFileOrder(driveA.sectorBuffer, driveA.data.data() + offset, DISK_SECTOR_SIZE);
    driveA.lastSectorSize = DISK_SECTOR_SIZE;
    return true;
}

bool WriteSector(int track, int side, uint32_t sector, uint32_t stAddress) {
    if (!onDisk(track, side)) return false;
    if (driveA.layout == DISK_LAYOUT_FDI_TRACKS) return true;  // FDI tracks are not rewritten
    int64_t offset = plainSectorOffset(track, side, sector);
    if (offset < 0) return false;
    uint32_t address = stAddress & 0x3FFFFF;
    for (uint32_t i = 0; i < DISK_SECTOR_SIZE; ++i) driveA.data[offset + i] = stReadByte(hw.ram, address + i);
    driveA.modified = true;
    return true;
}
