// The folder drive's fuzz target in the sanitizer build's tests: call sequences that
// write, read, search, run programs and try every way out of the folder, then mutations
// of them; the target itself stops the run when anything outside the folder changed.
#include <gtest/gtest.h>

#include "support/fuzz_mutations.h"

#define LLVMFuzzerTestOneInput fuzzFolderDriveInput
#include "../../fuzz/folder_drive.cpp"
#undef LLVMFuzzerTestOneInput

TEST(FuzzFolderDrive, CallSequencesAndMutationsStayInsideTheFolderUnderSanitizers) {
    SKIP_WITHOUT_SANITIZERS();
    // The seeds of fuzz/corpus/folder_drive: call numbers and arguments as the target
    // reads them (handle 4 is 96); names are piece counts and piece numbers: 0 "C:",
    // 1 "\", 2 "..", 6 "OUT", 7 "*.*", 10 "NEW", 16 "PROG.PRG", 17 "SECRET.TXT".
    const std::vector<std::vector<uint8_t>> seeds = {
        // create C:\NEW, write, seek, read, close; search C:\*.*, next, next
        {0, 3, 0, 1, 10, 0, 4, 4, 0, 0, 16, 0, 0, 0, 5, 0, 0, 0, 0, 4, 0, 3, 4, 0, 0, 16, 0, 0, 32, 2, 4, 14, 3, 0, 1,
         7, 16, 15, 15},
        // out of the folder: C:\..\OUT\SECRET.TXT opened to write, created, deleted,
        // renamed; a folder made there; the root's parent
        {1, 7, 0, 1, 2, 1, 6, 1, 17, 2, 0, 5, 0, 1, 6, 1, 17, 0, 6, 5, 0, 1, 6, 1, 17, 8, 5, 0, 1, 6, 1, 17, 3, 0, 1,
         10, 9, 5, 0, 1, 6, 1, 10, 11, 3, 0, 1, 2},
        // run a program, load one, run random bytes
        {17, 3, 0, 1, 16, 0, 17, 3, 0, 1, 16, 1, 23, 40, 96, 26, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
         0, 0, 0, 0, 0, 0, 0, 78, 117, 78, 117, 78, 117, 78, 117, 78, 117, 78, 117, 78, 117},
    };
    runMutations(fuzzFolderDriveInput, seeds, 3000);
}
