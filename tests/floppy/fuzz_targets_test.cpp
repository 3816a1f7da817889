// The floppy fuzz targets in the sanitizer build's tests: their seeds, then a few
// thousand deterministic mutations.
#include <gtest/gtest.h>
#include <zlib.h>

#include "support/disk_builders.h"
#include "support/fuzz_mutations.h"

#define LLVMFuzzerTestOneInput fuzzDiskImageInput
#include "../../fuzz/disk_image.cpp"
#undef LLVMFuzzerTestOneInput
#define LLVMFuzzerTestOneInput fuzzZipArchiveInput
#include "../../fuzz/zip_archive.cpp"
#undef LLVMFuzzerTestOneInput
#define LLVMFuzzerTestOneInput fuzzHardDiskImageInput
#include "../../fuzz/hard_disk_image.cpp"
#undef LLVMFuzzerTestOneInput
#include "support/test_machine.h"

TEST(FuzzTargets, DiskImagesAndMutationsRunCleanUnderSanitizers) {
    SKIP_WITHOUT_SANITIZERS();
    Bytes dim = dimHeader(0, 1, 9), raw = rawImage(1, 1, 9), sector(512, 0x4E);
    dim.insert(dim.end(), raw.begin(), raw.end());
    Bytes stream = {0, 21, 1, 25};
    stream.insert(stream.end(), sector.begin(), sector.end());
    stream.insert(stream.end(), {19, 0, 0, 2, 1, 26, 1});
    stream.insert(stream.end(), sector.begin(), sector.begin() + 256);
    stream.insert(stream.end(), {10, 0, 9, 1, 2, 0xFF});
    runMutations(fuzzDiskImageInput,
                 {raw, rawImageWithBootSector(1, 1, 9), msaImage(Bytes(2 * 2 * 9 * 512, 0), 2, 2, 9, {0, 1, 3}), dim,
                  fdiImage(1, 2, {{0xE2, stream}, {3, raw}})},
                 3000);
    EXPECT_FALSE(driveA.loaded);
}

TEST(FuzzTargets, ArchivesAndMutationsRunCleanUnderSanitizers) {
    SKIP_WITHOUT_SANITIZERS();
    Bytes text = testPattern(3000, 11, true), noise = testPattern(700, 12, false);
    runMutations(fuzzZipArchiveInput,
                 {buildZip({{"DISK.ST", text}, {"disk.msa", noise, false}}),
                  buildZip({{"a", noise}, {"b/c", Bytes(5000, 0xE5)}}), deflateRaw(text, 9, Z_FIXED)},
                 3000);
}

TEST(FuzzTargets, HardDiskImagesJournalsAndMutationsRunCleanUnderSanitizers) {
    SKIP_WITHOUT_SANITIZERS();
    std::vector<Bytes> seeds;
    for (const char* name : {"atari_root_sector", "dos_partition", "journal"})
        seeds.push_back(readFileBytes(std::string(QUARV_SOURCE_DIR) + "/fuzz/corpus/hard_disk_image/" + name));
    runMutations(fuzzHardDiskImageInput, seeds, 2000);
    EXPECT_FALSE(hardDiskAttached(0));
}
