// The machine's output, frame by frame, stays what it was: the picture every 50 frames
// and the recorded sound of the demo disk and of EmuTOS on both machine types, against
// fingerprints taken from a known-good build. A change meant to alter what the machine
// shows or plays updates these; a restructuring of the code must not. Each test starts
// its machine in a fresh process (ctest runs them one by one).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "frontend/run_loop.h"
#include "peripherals/ikbd.h"
#include "sound/recorder.h"
#include "support/test_machine.h"
#include "video/picture.h"

namespace {

uint64_t fingerprint(const void* data, size_t bytes, uint64_t h = 14695981039346656037ull) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < bytes; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

struct Expected {
    uint64_t pictures[6];  // after frames 50, 100, ... 300
    uint64_t sound;
};

int64_t fixedTime() { return 1700000000; }  // the keyboard processor's clock, for EmuTOS

void expectOutput(const TestMachineSetup& setup, const Expected& expected) {
    WorkingDirectory in(makeTempDir("golden"));
    setIkbdClock(fixedTime);
    startTestMachine(setup);
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    ASSERT_TRUE(recorderStartToFile(false, "out.wav"));
    for (int i = 0; i < 6; ++i) {
        runTestFrames(50);
        uint64_t h = fingerprint(framePicture(), FRAME_WIDTH * FRAME_HEIGHT * 2);
        EXPECT_EQ(h, expected.pictures[i]) << "picture after frame " << 50 * (i + 1);
    }
    recorderStop();
    std::vector<uint8_t> wav = readFileBytes("out.wav");
    EXPECT_EQ(wav.size(), 44u + 300 * 881 * 2);
    EXPECT_EQ(fingerprint(wav.data(), wav.size()), expected.sound) << "sound";
    stopTestMachine();
}

std::string builtFile(const char* name) { return std::string(QUARV_BINARY_DIR) + "/run/" + name; }
const std::string EMUTOS = std::string(QUARV_SHARED_DIR) + "/emutos/etos192uk.img";

TEST(FrameOutput, DemoDiskStfm) {
    expectOutput({builtFile("QuarvDefault.ROM"), builtFile("QuarvDefault.ST"), false},
                 {{13975634363361952213ull, 18018965837412549421ull, 753097102515393253ull,
                   7456407284638627645ull, 8320032028417501933ull, 184122486265992125ull},
                  8056031227411642956ull});
}
TEST(FrameOutput, DemoDiskSte) {
    expectOutput({builtFile("QuarvDefault.ROM"), builtFile("QuarvDefault.ST"), true},
                 {{10532601984155843645ull, 9411907936395801429ull, 17146902863518142349ull,
                   16486875122616856549ull, 15475219972877088893ull, 15819008984755986109ull},
                  12905589522663977298ull});
}
TEST(FrameOutput, EmuTosStfm) {
    if (!std::filesystem::exists(EMUTOS)) GTEST_SKIP() << "EmuTOS is not at " << EMUTOS;
    expectOutput({EMUTOS, "", false},
                 {{8661540247554463349ull, 8661540247554463349ull, 5996518774417164141ull,
                   5996518774417164141ull, 5996518774417164141ull, 16227614812441061669ull},
                  14370618521252573417ull});
}
TEST(FrameOutput, EmuTosSte) {
    if (!std::filesystem::exists(EMUTOS)) GTEST_SKIP() << "EmuTOS is not at " << EMUTOS;
    expectOutput({EMUTOS, "", true},
                 {{8661540247554463349ull, 8661540247554463349ull, 5996518774417164141ull,
                   5996518774417164141ull, 5996518774417164141ull, 16227614812441061669ull},
                  14370618521252573417ull});
}

}  // namespace
