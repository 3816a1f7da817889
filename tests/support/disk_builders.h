#pragma once
// Disk image files made by the tests: raw sector images whose every byte tells where it
// lies, MSA files with stored or run-length tracks, DIM and FDI headers, and disks with
// files on them as TOS formats them (buildFatDisk, shared with the demo disk's builder).
#include <cstdint>

#include "fat_disk.h"
#include "support/zip_writer.h"

// The byte at offset i of sector n (1-based) of side s of track t in a test image.
inline uint8_t sectorByte(int t, int s, int n, int i) { return uint8_t(t * 7 + s * 101 + n * 13 + i); }

Bytes rawImage(int tracks, int sides, int sectorsPerTrack);
// A raw image whose boot sector declares the geometry.
Bytes rawImageWithBootSector(int tracks, int sides, int sectorsPerTrack);
// The MSA form of a raw image; tracks listed in `runLength` are coded as byte runs.
Bytes msaImage(const Bytes& raw, int tracks, int sides, int sectorsPerTrack, const std::vector<int>& runLength);
Bytes dimHeader(int lastTrack, int sidesWord, int sectorsPerTrack);

// FDI: a header for `tracks` x `sides` descriptors, then each track's data.
struct FdiTrackSpec {
    uint8_t type;
    Bytes data;  // its size is rounded up to whole 256-byte pages in the file
    int sizePages = -1;  // -1: from the data
};
Bytes fdiImage(int tracks, int sides, const std::vector<FdiTrackSpec>& trackList);
// Pieces of a command stream (type $E2 tracks).
Bytes fdiSector512(uint8_t fill);
