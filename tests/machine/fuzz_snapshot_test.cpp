// The snapshot loader's fuzz target in the sanitizer build's tests: a real snapshot,
// pieces of it and mutations of both, each accepted one running a frame.
#include <gtest/gtest.h>

#include "machine/snapshot.h"
#include "support/fuzz_mutations.h"
#include "support/test_machine.h"

#define LLVMFuzzerTestOneInput fuzzSnapshotInput
#include "../../fuzz/snapshot_loader.cpp"
#undef LLVMFuzzerTestOneInput

TEST(FuzzSnapshot, SnapshotsAndMutationsAreLoadedOrRefusedCleanlyUnderSanitizers) {
    SKIP_WITHOUT_SANITIZERS();
    TestMachineSetup setup;
    setup.rom = m68kProgramPath("snapshot_machine");
    startTestMachine(setup);
    runTestFrames(3);
    std::string path = makeTempDir("fuzz_snapshot") + "/seed.Quarv";
    ASSERT_TRUE(saveSnapshot(path));
    std::vector<uint8_t> whole = readFileBytes(path);
    // Without "MAIN" a file may hold any sections: the machine's parts one by one.
    std::vector<uint8_t> parts(whole.begin() + 8 + long(whole[4] | whole[5] << 8), whole.end());
    runMutations(fuzzSnapshotInput, {whole, parts}, 2000);
    stopTestMachine();
}
