// Rewind and input recordings in the window: the user records a session, holds
// Alt+Backspace to go back in it, plays on, and the recording replays headless to the
// picture the window showed last.
#include <gtest/gtest.h>

#include "frontend/input_recording.h"
#include "frontend/recording_file.h"
#include "support/test_machine.h"
#include "video/picture.h"
#include "window_harness.h"

namespace {

constexpr int SDL_LALT = 226, SDL_BACKSPACE = 42, SDL_A = 4;

TEST(WindowRewind, ARewoundRecordingReplaysToTheWindowsLastPicture) {
    VirtualDisplay display;
    if (!display.started()) GTEST_SKIP() << "Xvfb cannot start here; the window is not tested";
    WindowRun run;
    run.folder = makeTempDir("window_rewind");
    run.settings = "[Machine]\nbRewind=1\nRewindInterval=10\nRewindSeconds=60\n";
    // Keys for the ST before and after the rewind; 50 passes of Alt+Backspace in between.
    run.script = "40 press " + std::to_string(SDL_A) + "; 44 release " + std::to_string(SDL_A) + "; 150 press " +
                 std::to_string(SDL_LALT) + "; 151 press " + std::to_string(SDL_BACKSPACE) + "; 200 release " +
                 std::to_string(SDL_BACKSPACE) + "; 201 release " + std::to_string(SDL_LALT) + "; 260 press " +
                 std::to_string(SDL_A) + "; 263 release " + std::to_string(SDL_A) + "; 300 dump last.png; 301 quit";
    run.arguments = {"--rom", m68kProgramPath("host_screen"), "--record", run.folder + "/session.qrec"};
    ASSERT_EQ(runQuarvWindow(display, run), 0);

    std::vector<uint8_t> bytes = readFileBytes(run.folder + "/session.qrec");
    Recording recording;
    std::string error;
    ASSERT_TRUE(readRecording(bytes.data(), bytes.size(), recording, error)) << error;
    // About 150 frames before the rewind took 50 of them back, 100 after it.
    EXPECT_GT(recording.frames, 180u);
    EXPECT_LT(recording.frames, 220u);

    Picture shown;
    ASSERT_TRUE(loadPicture(run.folder + "/last.png", shown));
    WorkingDirectory in(run.folder);
    startTestMachine({m68kProgramPath("host_screen"), "", false, 2, false});
    ASSERT_TRUE(replayStart(run.folder + "/session.qrec")) << sessionMessage();
    runTestFrames(int(recording.frames));
    EXPECT_FALSE(replayParted()) << sessionMessage();
    int differences = 0;
    for (int y = 0; y < FRAME_HEIGHT; ++y)
        for (int x = 0; x < FRAME_WIDTH; ++x)
            differences += shown.rgb565(x, y) != framePicture()[size_t(y) * FRAME_WIDTH + x];
    EXPECT_EQ(differences, 0);
    replayStop();
    stopTestMachine();
}

}  // namespace
