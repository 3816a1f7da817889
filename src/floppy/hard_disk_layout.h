#pragma once
// What a hard disk image holds at its start, as the ST's hard disk drivers read it: an
// Atari root sector (AHDI partitions, with XGM extended partitions, or ICD's extra
// entries), a DOS master boot record (with extended partitions), or no partition table
// but a FAT boot sector (a bare partition, whose extent is the image's size). An
// all-zero first sector is a blank disk, left for an ST partitioning tool.
#include <cstdint>
#include <string>

enum class HardDiskLayout { Atari, Dos, BarePartition, Blank, Unknown };

struct HardDiskLayoutCheck {
    HardDiskLayout layout;
    uint64_t sectorsNeeded;  // the end of the furthest partition the tables name
    std::string problem;     // empty when the image can be used; else why not
};

// `image` holds `sectors` sectors of 512 bytes (at least one).
HardDiskLayoutCheck checkHardDiskLayout(const uint8_t* image, uint64_t sectors);
