// Input recordings: a session recorded from the start or from the middle of a run is
// replayed to the same machine, checkpoint by checkpoint, and to the same picture; a
// replay on another disk is refused and leaves the machine alone; damaged files are
// refused with a reason.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "frontend/input_recording.h"
#include "frontend/recording_file.h"
#include "frontend/rewind_ring.h"
#include "frontend/run_loop.h"
#include "frontend/scripted_input.h"
#include "machine/snapshot.h"
#include "support/fuzz_mutations.h"
#include "support/test_machine.h"
#include "video/picture.h"

#define LLVMFuzzerTestOneInput fuzzRecordingInput
#include "../../fuzz/recording_reader.cpp"
#undef LLVMFuzzerTestOneInput

namespace {

const std::string BUILT_ROM = builtRomPath();
const std::string BUILT_DISK = builtDiskPath();
const std::string EMUTOS = std::string(QUARV_SHARED_DIR) + "/emutos/etos192uk.img";

std::vector<uint16_t> picture() { return {framePicture(), framePicture() + FRAME_WIDTH * FRAME_HEIGHT}; }

// A run's machine states every CHECKPOINT_FRAMES frames, its last state and picture.
struct Run {
    std::vector<std::vector<uint8_t>> checkpoints;
    std::vector<uint8_t> end;
    std::vector<uint16_t> picture;
};
Run runFrames(long frames) {
    Run run;
    for (long done = 0; done < frames; done += CHECKPOINT_FRAMES) {
        runTestFrames(int(std::min(CHECKPOINT_FRAMES, frames - done)));
        run.checkpoints.push_back(machineState());
    }
    run.end = machineState();
    run.picture = picture();
    return run;
}

void expectSameRun(const Run& recorded, const Run& replayed) {
    ASSERT_EQ(recorded.checkpoints.size(), replayed.checkpoints.size());
    for (size_t i = 0; i < recorded.checkpoints.size(); ++i)
        EXPECT_TRUE(recorded.checkpoints[i] == replayed.checkpoints[i]) << "checkpoint " << i;
    EXPECT_TRUE(recorded.end == replayed.end);
    EXPECT_TRUE(recorded.picture == replayed.picture) << "the final picture";
}

void scheduleScript(const std::string& script) {
    std::string error;
    ASSERT_TRUE(scriptParseKeys(script, error)) << error;
}

// Records `frames` frames of the script from frame `from`, then replays them on a
// machine that first ran on differently.
void recordAndReplay(const TestMachineSetup& setup, int from, long frames, const std::string& script,
                     const std::string& file) {
    startTestMachine(setup);
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    setFramePictureWanted(true);
    framesEmulated = 0;
    scheduleScript(script);
    runTestFrames(from);
    ASSERT_TRUE(recordingStart(file));
    Run recorded = runFrames(frames);
    ASSERT_TRUE(recordingStop()) << sessionMessage();
    scriptedInputClear();
    runTestFrames(37);  // a different present to replay from
    stopTestMachine();

    startTestMachine(setup);
    setFramePictureWanted(true);
    runTestFrames(11);
    ASSERT_TRUE(replayStart(file)) << sessionMessage();
    EXPECT_EQ(replayFrames(), frames);
    Run replayed = runFrames(frames);
    EXPECT_FALSE(replayParted()) << sessionMessage();
    EXPECT_TRUE(replayActive()) << sessionMessage();
    expectSameRun(recorded, replayed);
    replayStop();
    stopTestMachine();
}

// Mouse moves to the Desk menu, which opens; a click elsewhere closes it; keys typed,
// with Shift; the mouse dragged with a button held.
TEST(InputRecording, AnEmuTosDesktopSessionReplaysCheckpointByCheckpoint) {
    SKIP_WITHOUT_SHARED_DATA(std::filesystem::exists(EMUTOS), "EmuTOS at " + EMUTOS);
    std::string dir = makeTempDir("recording_emutos");
    WorkingDirectory in(dir);
    TestMachineSetup setup(EMUTOS, "", false);
    setup.noDisk = true;
    recordAndReplay(setup, 0, 1700,
                    "1300:move(-120,-96) 1340:move(20,0) 1400:LMB 1420:move(100,100) 1440:LMB 1460:+LSHIFT 1462:H "
                    "1466:-LSHIFT 1470:I 1480:RETURN 1500:+LMB 1510:move(30,20) 1530:-LMB 1550:ESC",
                    dir + "/session.qrec");
    std::vector<uint8_t> bytes = readFileBytes(dir + "/session.qrec");
    Recording r;
    std::string error;
    ASSERT_TRUE(readRecording(bytes.data(), bytes.size(), r, error)) << error;
    int kinds[8] = {};
    for (const RecordedEvent& e : r.events) ++kinds[e.kind];
    EXPECT_EQ(kinds[RECORDED_CHECKPOINT], 17);
    EXPECT_EQ(kinds[RECORDED_MOUSE_MOVE], 4);
    EXPECT_GE(kinds[RECORDED_MOUSE_BUTTONS], 6);
    EXPECT_GE(kinds[RECORDED_KEY], 10);
}

TEST(InputRecording, ARecordingStartedInTheMiddleOfARunEmbedsItsStartAndReplays) {
    std::string dir = makeTempDir("recording_demo");
    WorkingDirectory in(dir);
    recordAndReplay(TestMachineSetup(BUILT_ROM, BUILT_DISK, true), 150, 300,
                    "160:+SPACE 170:-SPACE 200:move(10,-4) 230:+LMB 260:-LMB 300:UP 320:X", dir + "/demo.qrec");
}

// 300 frames recorded, 100 of them rewound, 150 others recorded: the file replays the
// 350 frames of the machine's history as it stands.
TEST(InputRecording, RewindingDuringARecordingCutsItBackToThatFrame) {
    std::string dir = makeTempDir("recording_rewind");
    WorkingDirectory in(dir);
    startTestMachine(TestMachineSetup(BUILT_ROM, BUILT_DISK));
    framesEmulated = 0;
    rewindStart(10, 60);
    ASSERT_TRUE(recordingStart(dir + "/cut.qrec"));
    scheduleScript("50:+A 60:-A 150:move(8,8) 250:+B 290:-B");
    runTestFrames(300);
    for (int step = 0; step < 10; ++step) ASSERT_TRUE(rewindOneStep());
    EXPECT_EQ(framesEmulated, 200);
    scheduleScript("220:C 240:move(-3,2) 300:+LMB 320:-LMB");
    runTestFrames(150);
    std::vector<uint8_t> end = machineState();
    ASSERT_TRUE(recordingStop());
    rewindStop();
    scriptedInputClear();
    stopTestMachine();

    startTestMachine(TestMachineSetup(BUILT_ROM, BUILT_DISK));
    ASSERT_TRUE(replayStart(dir + "/cut.qrec")) << sessionMessage();
    EXPECT_EQ(replayFrames(), 350);
    runTestFrames(350);
    EXPECT_FALSE(replayParted()) << sessionMessage();
    EXPECT_TRUE(machineState() == end);
    stopTestMachine();
}

struct Recorded : ::testing::Test {
    void SetUp() override {
        dir = makeTempDir("recording_refused");
        std::filesystem::copy_file(BUILT_DISK, dir + "/disk.st");
        startTestMachine(TestMachineSetup(BUILT_ROM, dir + "/disk.st"));
        ASSERT_TRUE(recordingStart(dir + "/run.qrec"));
        runTestFrames(120);
        ASSERT_TRUE(recordingStop());
        file = readFileBytes(dir + "/run.qrec");
    }
    void TearDown() override { stopTestMachine(); }
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::ofstream(dir + "/" + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
        return dir + "/" + name;
    }
    std::string dir;
    std::vector<uint8_t> file;
};

TEST_F(Recorded, AReplayOnAnotherDiskIsRefusedAndTheMachineRunsOn) {
    std::vector<uint8_t> disk = readFileBytes(dir + "/disk.st");
    disk[0x2000] ^= 0x5A;
    write("disk.st", disk);
    std::vector<uint8_t> before = machineState();
    EXPECT_FALSE(replayStart(dir + "/run.qrec"));
    EXPECT_NE(sessionMessage().find("disk in drive A is not the one recorded"), std::string::npos) << sessionMessage();
    EXPECT_FALSE(replayActive());
    EXPECT_TRUE(machineState() == before);
    runTestFrames(3);
}

// A key the recording did not have makes the machine part from it; the replay stops at
// the next checkpoint and says where.
TEST_F(Recorded, AReplayThatPartsFromTheRecordingStopsAtTheNextCheckpoint) {
    Recording r;
    std::string error;
    ASSERT_TRUE(readRecording(file.data(), file.size(), r, error)) << error;
    r.events.insert(r.events.begin() + 1, {10, RECORDED_KEY, 0x39, 0x80});
    std::vector<uint8_t> changed;
    writeRecording(r, changed);
    ASSERT_TRUE(replayStart(write("changed.qrec", changed))) << sessionMessage();
    runTestFrames(120);
    EXPECT_TRUE(replayParted());
    EXPECT_FALSE(replayActive());
    EXPECT_EQ(sessionMessage(), "The replay parted from the recording at frame 100.");
}

TEST_F(Recorded, TruncatedAndBitFlippedFilesAreRefusedWithAReason) {
    Recording r;
    std::string error;
    ASSERT_TRUE(readRecording(file.data(), file.size(), r, error)) << error;
    const struct {
        size_t keep;      // bytes kept of the file
        long flipAt;      // byte whose bit 2 is flipped (-1: none; from the end when negative below -1)
        const char* why;  // in the reason
    } cases[] = {
        {0, -1, "not an input recording"},
        {7, -1, "not an input recording"},
        {12, -1, "cut short or damaged"},
        {file.size() / 2, -1, "cut short or damaged"},
        {file.size() - 1, -1, "cut short or damaged"},
        {file.size(), 3, "not an input recording"},
        {file.size(), 20, "cut short or damaged"},
        {file.size(), long(file.size() / 2), "cut short or damaged"},
        {file.size(), -6, "cut short or damaged"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bad(file.begin(), file.begin() + long(c.keep));
        if (c.flipAt >= 0) bad[size_t(c.flipAt)] ^= 4;
        if (c.flipAt < -1) bad[bad.size() - size_t(-c.flipAt)] ^= 4;
        SCOPED_TRACE(std::to_string(c.keep) + " bytes, flip at " + std::to_string(c.flipAt));
        EXPECT_FALSE(readRecording(bad.data(), bad.size(), r, error));
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
        EXPECT_FALSE(replayStart(write("bad.qrec", bad)));
        EXPECT_EQ(sessionMessage(), error);
    }
    // A later version, with its checksum made right, is refused as such.
    std::vector<uint8_t> later = file;
    later[8] = 2;
    EXPECT_FALSE(readRecording(later.data(), later.size(), r, error));
    EXPECT_NE(error.find("later version"), std::string::npos) << error;
}

TEST_F(Recorded, TheReaderAndMutationsRunCleanUnderSanitizers) {
    SKIP_WITHOUT_SANITIZERS();
    runMutations(fuzzRecordingInput, {file}, 3000);
}

}  // namespace
