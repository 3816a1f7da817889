#pragma once
// A 720 KB ST floppy image (80 tracks, 2 sides, 9 sectors of 512 bytes) with a FAT12 file
// system as TOS formats it: the BIOS parameter block in the boot sector, two FATs, a root
// directory of 112 entries and clusters of 2 sectors. The files lie one after the other
// from the first data sector on, with fixed dates, so the same files give the same bytes.
#include <cstdint>
#include <string>
#include <vector>

constexpr int DISK_SECTOR_BYTES = 512;
constexpr int DISK_FIRST_DATA_SECTOR = 18;  // where the first file begins

struct DiskFile {
    std::string name;  // 8.3, upper case
    std::vector<uint8_t> data;
    uint8_t attributes = 0;  // e.g. 1: read-only
};

// The image with the volume label (1-11 characters) and the files in the root directory.
// False, with the reason, when a name is not 8.3, the label does not fit, or the files
// do not fit on the disk.
bool buildFatDisk(const std::string& label, const std::vector<DiskFile>& files, std::vector<uint8_t>& image,
                  std::string& error);
