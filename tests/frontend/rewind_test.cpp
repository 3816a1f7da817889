// Rewind: states kept while the machine runs bring it back exactly to where it was, and
// the ring never holds more than its bound however long the run.
#include <gtest/gtest.h>

#include <vector>

#include "frontend/rewind_ring.h"
#include "frontend/run_loop.h"
#include "machine/snapshot.h"
#include "support/test_machine.h"

namespace {

const std::string BUILT_ROM = builtRomPath();
const std::string BUILT_DISK = builtDiskPath();

// The state at frame 400 is taken on the way, as a straight run of 400 frames leaves it.
TEST(RewindRing, TwoHundredFramesBackIsTheMachineOfAStraightRunOfFourHundred) {
    for (bool ste : {false, true}) {
        SCOPED_TRACE(ste ? "STE" : "STFM");
        startTestMachine(TestMachineSetup(BUILT_ROM, BUILT_DISK, ste));
        framesEmulated = 0;
        rewindStart(10, 60);
        runTestFrames(400);
        std::vector<uint8_t> straight = machineState();
        runTestFrames(200);
        EXPECT_EQ(rewindStates(), 60);  // frames 10, 20 ... 600
        long frame = 0;
        for (int step = 0; step < 20; ++step) ASSERT_TRUE(rewindStepBack(frame));
        EXPECT_EQ(frame, 400);
        EXPECT_TRUE(machineState() == straight);
        // Time runs on from there as it did the first time, and the ring fills again.
        framesEmulated = frame;
        runTestFrames(200);
        EXPECT_EQ(rewindStates(), 60);
        rewindStop();
        stopTestMachine();
    }
}

// Ten minutes of the demo, a state every ten frames, all ten minutes asked for within
// 11 MB: the ring fills its memory, the oldest states give way, and it neither grows
// nor loses its way back.
TEST(RewindRing, TheMemoryBoundHoldsOverTenMinutes) {
    startTestMachine(TestMachineSetup(BUILT_ROM, BUILT_DISK, true));
    framesEmulated = 0;
    const size_t bound = size_t(11) << 20;
    rewindStart(10, 600, bound);
    const size_t allocated = rewindBytesAllocated();
    EXPECT_LE(allocated, bound);
    size_t mostInUse = 0;
    for (int second = 0; second < 600; second += 10) {
        runTestFrames(500);
        EXPECT_EQ(rewindBytesAllocated(), allocated);
        mostInUse = std::max(mostInUse, rewindBytesInUse());
    }
    EXPECT_LE(mostInUse, allocated);
    EXPECT_GT(rewindStates(), 100);
    EXPECT_LT(rewindStates(), 3000) << "the oldest states give way";
    long frame = 0;
    for (int step = 0; step < 100; ++step) ASSERT_TRUE(rewindStepBack(frame));
    EXPECT_EQ(frame, 30000 - 1000);
    runTestFrames(5);
    rewindStop();
    EXPECT_EQ(rewindBytesAllocated(), 0u);
    stopTestMachine();
}

}  // namespace
