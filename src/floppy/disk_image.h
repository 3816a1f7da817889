#pragma once
// The disk in drive A, held whole in memory: ".st", ".msa", ".dim" and FDI images,
// plain or inside ".zip" archives. Plain images are kept as 512-byte sectors; FDI
// images as per-track lists of sector ID and data entries. Sector writes change the
// image in memory only; nothing is written back to the file.
#include <cstdint>
#include <string>
#include <vector>

enum DiskFormat : uint32_t { DISK_FORMAT_ST = 0, DISK_FORMAT_MSA = 1, DISK_FORMAT_DIM = 2, DISK_FORMAT_FDI = 3 };
// Plain layout: sector n of side s of track t at ((t * sides + s) * sectorsPerTrack + n - 1) * 512.
// FDI layout: per track and side, a list of entries: ID entries {0, track, side, sector,
// size code} and data entries {1, size code, 128 << size code bytes}.
enum DiskLayout : uint32_t { DISK_LAYOUT_SECTORS = 0, DISK_LAYOUT_FDI_TRACKS = 1 };

constexpr uint32_t DISK_SECTOR_SIZE = 512;
constexpr uint32_t DISK_MAX_SECTOR_SIZE = 1024;  // size code 3, the largest the WD1772 knows
constexpr int FDI_MAX_TRACKS = 180;              // tracks x sides
constexpr uint32_t DISK_MAX_FILE_SIZE = 0x4000000;
constexpr uint8_t FDI_ID_ENTRY = 0;
constexpr uint8_t FDI_DATA_ENTRY = 1;

struct FdiTrack {
    uint32_t length;
    uint32_t start;
};

struct DiskImage {
    const char* errorMessage;  // the last load or decode failure, for the front end
    bool loaded;
    uint32_t format;
    uint32_t layout;
    std::vector<uint8_t> data;
    uint32_t lastSectorSize;
    int32_t sides;
    int32_t tracks;
    int32_t sectorsPerTrack;
    bool modified;
    std::string fileName;
    FdiTrack trackTable[FDI_MAX_TRACKS];  // entry track * sides + side
    uint8_t sectorBuffer[DISK_MAX_SECTOR_SIZE];  // the sector last read, in ST memory order
};

struct DiskImageInfo {
    int32_t sides;
    int32_t tracks;
    int32_t sectorsPerTrack;
    uint32_t fileSize;
    float percentPresent;  // how much of the declared geometry the file holds
    bool plainFile;        // a raw image that is not inside an archive
    uint32_t format;
};

extern DiskImage driveA;

// Recognises the format and geometry of the image a path names; info may be null.
bool DetectDiskImage(const char* path, DiskImageInfo* info);
// Ejects the current disk and loads the path (shorter than 2 characters: nothing).
// Returns whether a disk is loaded; on failure errorMessage says why.
bool InsertDisk(const char* path);
void EjectDisk();
const char* insertedDiskPath();  // "" when the drive is empty
// Copies the sector into sectorBuffer and sets lastSectorSize; false when not found.
bool ReadSector(int track, int side, uint32_t sector);
// Copies 512 bytes of ST memory at stAddress & $3FFFFF into the sector.
bool WriteSector(int track, int side, uint32_t sector, uint32_t stAddress);
