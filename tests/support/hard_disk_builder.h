#pragma once
// Hard disk images made by the tests: one FAT16 partition of our own making behind an
// Atari (AHDI) root sector, a DOS master boot record, or no table at all; and the files
// of its root folder read back after the ST has used it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/zip_writer.h"

enum class PartitionTable { Atari, Dos, None };

struct HardDiskFile {
    std::string path;  // "READ.TXT" or, one folder deep, "AUTO\\TEST.PRG"
    Bytes data;
};

// The first sector of the partition (0 without a table).
uint32_t partitionStart(PartitionTable table);
// An image of the table, then a FAT16 partition of `partitionSectors` sectors (of 512
// bytes, 2 to a cluster; at least 8,300 for FAT16) holding the files.
Bytes hardDiskImage(PartitionTable table, uint32_t partitionSectors, const std::vector<HardDiskFile>& files);
// The file `name` of the root folder of the image's partition (as hardDiskImage places
// it), or nothing when there is no such file.
std::optional<Bytes> readHardDiskFile(const uint8_t* image, size_t size, PartitionTable table,
                                      const std::string& name);
