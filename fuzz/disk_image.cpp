// Disk image detection, loading and sector access on any file: ST, MSA, DIM and FDI.
#include <algorithm>
#include <cstdint>

#include "bus/memory_map.h"
#include "floppy/disk_image.h"
#include "fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool memoryReady = allocateHostMemory();  // sector writes read ST memory
    static const std::string path = fuzzInputPath("disk.img");
    if (!memoryReady || !writeFuzzInput(path, data, size)) return 0;

    DiskImageInfo info;
    DetectDiskImage(path.c_str(), &info);
    if (InsertDisk(path.c_str())) {
        // Every sector near the declared geometry, and a little beyond it on each side.
        int tracks = std::min(driveA.tracks, 86), sides = std::min(driveA.sides, 2);
        int sectors = std::clamp(driveA.sectorsPerTrack, 11, 40);
        for (int t = -1; t <= tracks; ++t)
            for (int s = -1; s <= sides; ++s)
                for (int n = 0; n <= sectors + 1; ++n) ReadSector(t, s, uint32_t(n));
        for (int n = 0; n <= sectors + 1; ++n) WriteSector(0, 0, uint32_t(n), 0x3FFF00);
        ReadSector(0, 0, 1);
    }
    EjectDisk();
    return 0;
}
