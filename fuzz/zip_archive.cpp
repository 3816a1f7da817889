// The ZIP reader and its Deflate decoder on any file: every member read whole and in
// pieces, seeks around it, and member choice by path.
#include <cstdint>
#include <vector>

#include "base/archive_file.h"
#include "floppy/disk_image.h"
#include "fuzz_input_file.h"

static void readMember(ArchiveFile* f) {
    static std::vector<uint8_t> buffer(1 << 16);
    int64_t size = archiveSeek(f, 0, 2) == 0 ? archiveTell(f) : 0;
    archiveSeek(f, size / 2, 0);
    archiveRead(buffer.data(), 3, 7, f);
    archiveSeek(f, -5, 1);
    archiveTell(f);
    archiveSeek(f, 0, 0);
    while (archiveRead(buffer.data(), 1, buffer.size(), f) == buffer.size()) {
    }
    archiveSeek(f, 1, 2);
    archiveTell(f);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzzInputPath("archive.zip");
    if (!writeFuzzInput(path, data, size)) return 0;

    if (ArchiveFile* f = archiveOpen(path.c_str())) {
        readMember(f);
        for (int members = 0; members < 64 && archiveNextMember(f) == 0; ++members) {
            archiveMemberName(f);
            readMember(f);
        }
        archiveNextMember(f);
        archiveClose(f);
    }
    if (ArchiveFile* f = archiveOpenPath((path + "/DISK.ST").c_str())) archiveClose(f);
    DiskImageInfo info;
    DetectDiskImage((path + "/disk.msa").c_str(), &info);
    return 0;
}
