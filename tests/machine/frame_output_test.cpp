// The machine's output, frame by frame, stays what it was: the picture every 50 frames
// and the recorded sound of the demo disk and of EmuTOS on both machine types, against
// fingerprints taken from a known-good build. A change meant to alter what the machine
// shows or plays updates these; a restructuring of the code must not. Each test starts
// its machine in a fresh process (ctest runs them one by one).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "frontend/run_loop.h"
#include "media/recorder.h"
#include "support/golden_output.h"
#include "support/test_machine.h"
#include "video/picture.h"

namespace {

void expectOutput(const TestMachineSetup& setup, const GoldenOutput& expected) {
    WorkingDirectory in(makeTempDir("golden"));
    startTestMachine(setup);
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    ASSERT_TRUE(recorderStartToFile(false, "out.wav"));
    for (int i = 0; i < 6; ++i) {
        runTestFrames(50);
        uint64_t h = fingerprint(framePicture(), FRAME_WIDTH * FRAME_HEIGHT * 2);
        EXPECT_EQ(h, expected.pictures[i]) << "picture after frame " << 50 * (i + 1);
    }
    recorderStop();
    // Every source of these runs is mono (the sound chip, the drive, mono DMA sound): both
    // channels carry the one signal, which the fingerprint takes from the left.
    std::vector<uint8_t> wav = readFileBytes("out.wav");
    ASSERT_EQ(wav.size(), 44u + 300 * 881 * 4);
    std::vector<uint8_t> left, right;
    for (size_t i = 44; i < wav.size(); i += 4) {
        left.insert(left.end(), {wav[i], wav[i + 1]});
        right.insert(right.end(), {wav[i + 2], wav[i + 3]});
    }
    EXPECT_TRUE(left == right) << "the channels differ";
    EXPECT_EQ(fingerprint(left.data(), left.size()), expected.samples) << "sound";
    stopTestMachine();
}

std::string builtFile(const char* name) { return std::string(QUARV_BINARY_DIR) + "/run/" + name; }
const std::string EMUTOS = std::string(QUARV_SHARED_DIR) + "/emutos/etos192uk.img";

TEST(FrameOutput, DemoDiskStfm) {
    expectOutput({builtFile("QuarvDefault.ROM"), builtFile("QuarvDefault.ST"), false}, DEMO_DISK_STFM);
}
TEST(FrameOutput, DemoDiskSte) {
    expectOutput({builtFile("QuarvDefault.ROM"), builtFile("QuarvDefault.ST"), true},
                 {{10532601984155843645ull, 9411907936395801429ull, 17146902863518142349ull,
                   16486875122616856549ull, 15475219972877088893ull, 15819008984755986109ull},
                  12971499885939211867ull});
}
TEST(FrameOutput, EmuTosStfm) {
    SKIP_WITHOUT_SHARED_DATA(std::filesystem::exists(EMUTOS), "EmuTOS at " + EMUTOS);
    expectOutput({EMUTOS, "", false},
                 {{8661540247554463349ull, 8661540247554463349ull, 5351294354694644101ull,
                   444586564606884333ull, 444586564606884333ull, 444586564606884333ull},
                  17188517366570052378ull});
}
TEST(FrameOutput, EmuTosSte) {
    SKIP_WITHOUT_SHARED_DATA(std::filesystem::exists(EMUTOS), "EmuTOS at " + EMUTOS);
    expectOutput({EMUTOS, "", true},
                 {{8661540247554463349ull, 8661540247554463349ull, 5351294354694644101ull,
                   444586564606884333ull, 444586564606884333ull, 444586564606884333ull},
                  17188517366570052378ull});
}

}  // namespace
