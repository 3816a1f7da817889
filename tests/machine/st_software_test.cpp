// ST software written by others (../shared/st-software), booted by EmuTOS from its disk
// as a user would run it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "boot_test_support.h"
#include "frontend/run_loop.h"
#include "media/recorder.h"
#include "peripherals/ikbd.h"
#include "support/test_machine.h"

namespace {

const std::string SHARED = QUARV_SHARED_DIR;
const std::string EMUTOS_STE = SHARED + "/emutos/etos256uk.img";  // the build that reports an STE
const std::string EXTRA5 = SHARED + "/st-software/extra5/EXTRA5.st";

// A music menu whose player refills the STE's DMA sound buffers each time MFP timer A, in
// event count mode, counts a frame end: a minute of it, the last ten seconds of which must
// sound in every second (without the count it falls silent after some twenty).
TEST(SteSoftware, Extra5PlaysItsMusicToTheEnd) {
    SKIP_WITHOUT_SHARED_DATA(std::filesystem::exists(EMUTOS_STE), "EmuTOS at " + EMUTOS_STE);
    SKIP_WITHOUT_SHARED_DATA(std::filesystem::exists(EXTRA5), "EXTRA5 at " + EXTRA5);
    WorkingDirectory in(makeTempDir("extra5"));
    int crashesBefore = crashCount;
    startTestMachine({EMUTOS_STE, EXTRA5, true});
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    ASSERT_TRUE(recorderStartToFile(false, "extra5.wav"));
    runTestFrames(3000);
    recorderStop();
    stopTestMachine();
    EXPECT_EQ(crashCount, crashesBefore);

    std::vector<double> levels = wavLevelPerSecond("extra5.wav", 10);
    ASSERT_EQ(levels.size(), 10u);
    for (size_t s = 0; s < levels.size(); ++s) EXPECT_GT(levels[s], 250.0) << "second " << s << " of the last ten";
}

}  // namespace
