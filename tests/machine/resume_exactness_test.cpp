// A machine resumed from a snapshot runs on exactly as the machine that was saved: save,
// run on, load, run the same frames with the same input again, and the machine's state,
// picture and sound match frame for frame. This catches state that no section carries.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "frontend/run_loop.h"
#include "frontend/scripted_input.h"
#include "machine/snapshot.h"
#include "sound/mixer.h"
#include "support/golden_output.h"
#include "support/test_machine.h"
#include "video/picture.h"

namespace {

const std::string BUILT_ROM = builtRomPath();
const std::string BUILT_DISK = builtDiskPath();
const std::string EMUTOS = std::string(QUARV_SHARED_DIR) + "/emutos/etos256uk.img";

// The tag of the first section in which two snapshot files differ.
std::string firstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    for (size_t p = 0; p + 8 <= a.size() && p + 8 <= b.size();) {
        uint32_t size = a[p + 4] | a[p + 5] << 8 | a[p + 6] << 16 | uint32_t(a[p + 7]) << 24;
        size_t end = std::min(a.size(), p + 8 + size);
        if (end > b.size() || !std::equal(a.begin() + long(p), a.begin() + long(end), b.begin() + long(p)))
            return std::string(a.begin() + long(p), a.begin() + long(p) + 4);
        p = end;
    }
    return a.size() == b.size() ? "" : "the length";
}

struct Frame {
    std::vector<uint8_t> state;
    uint64_t picture, sound;
};

// Runs `frames` frames with the script's events placed from the current frame on.
std::vector<Frame> runWithScript(const std::string& script, int frames) {
    scriptedInputClear();
    std::ostringstream placed;
    std::istringstream events(script);
    for (std::string event; events >> event;) {
        size_t colon = event.find(':');
        placed << framesEmulated + std::stol(event.substr(0, colon)) << event.substr(colon) << ' ';
    }
    std::string error;
    if (!script.empty()) {
        EXPECT_TRUE(scriptParseKeys(placed.str(), error)) << error;
    }
    std::vector<Frame> run;
    for (int i = 0; i < frames; ++i) {
        runTestFrames(1);
        Frame f;
        saveSnapshotToBuffer(f.state);
        f.picture = fingerprint(framePicture(), FRAME_WIDTH * FRAME_HEIGHT * sizeof(uint16_t));
        f.sound = fingerprint(OutputBuffer, size_t(lastSampleCount) * SOUND_CHANNELS * sizeof(int16_t));
        run.push_back(std::move(f));
    }
    return run;
}

void expectSameRuns(const std::vector<Frame>& straight, const std::vector<Frame>& resumed) {
    ASSERT_EQ(straight.size(), resumed.size());
    for (size_t i = 0; i < straight.size(); ++i) {
        std::string section = firstDifference(straight[i].state, resumed[i].state);
        ASSERT_EQ(section, "") << "the state parts at frame " << i + 1;
        ASSERT_EQ(straight[i].picture, resumed[i].picture) << "picture, frame " << i + 1;
        ASSERT_EQ(straight[i].sound, resumed[i].sound) << "sound, frame " << i + 1;
    }
}

struct Case {
    const char* name;
    std::string rom, disk;
    bool ste;
    int warmUp, frames;
    int between;  // frames run after the straight run's load, before loading again
    // Events relative to the saved frame: mouse moves and a held button and keys, left
    // held at the end so that the load must also bring back what the keyboard processor
    // has already reported.
    std::string script;
};

TEST(ResumedRun, MatchesTheRunThatNeverStoppedFrameForFrame) {
    const std::string menuAndKeys =
        "0:move(-60,-90) 20:+LMB 30:-LMB 40:move(30,40) 60:+LSHIFT 62:A 66:-LSHIFT 70:B 80:RETURN 90:move(5,5) "
        "100:+LMB 104:move(40,3) 110:+RMB 118:+X";
    const Case cases[] = {
        {"STFM, built-in ROM and demo disk", BUILT_ROM, BUILT_DISK, false, 100, 150, 1, ""},
        {"STE, built-in ROM and demo disk", BUILT_ROM, BUILT_DISK, true, 100, 150, 1, ""},
        {"STE, EmuTOS desktop with input", EMUTOS, "", true, 1300, 120, 0, menuAndKeys},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.rom == EMUTOS) SKIP_WITHOUT_SHARED_DATA(std::filesystem::exists(EMUTOS), "EmuTOS at " + EMUTOS);
        std::string dir = makeTempDir("resume");
        WorkingDirectory in(dir);
        TestMachineSetup setup(c.rom, c.disk, c.ste);
        setup.noDisk = c.disk.empty();
        startTestMachine(setup);
        ASSERT_FALSE(testing::Test::HasFatalFailure());
        setFramePictureWanted(true);
        runTestFrames(c.warmUp);
        std::vector<uint8_t> saved;
        saveSnapshotToBuffer(saved);
        std::vector<Frame> straight = runWithScript(c.script, c.frames);
        ASSERT_TRUE(loadSnapshotFromBuffer(saved.data(), saved.size())) << snapshotLoadError();
        if (c.between) {
            runTestFrames(c.between);
            ASSERT_TRUE(loadSnapshotFromBuffer(saved.data(), saved.size())) << snapshotLoadError();
        }
        std::vector<Frame> resumed = runWithScript(c.script, c.frames);
        scriptedInputClear();
        stopTestMachine();
        expectSameRuns(straight, resumed);
    }
}

// A front end that loads another game, or the same one again (a libretro front end does),
// shuts the machine down and starts it again in the same process: the second machine runs
// as the first did, from power-on.
TEST(SecondMachine, RunsAsTheFirstInTheSameProcess) {
    for (bool ste : {false, true}) {
        SCOPED_TRACE(ste ? "STE" : "STFM");
        WorkingDirectory in(makeTempDir("second_machine"));
        std::vector<Frame> runs[2];
        for (std::vector<Frame>& run : runs) {
            startTestMachine({BUILT_ROM, BUILT_DISK, ste});
            ASSERT_FALSE(testing::Test::HasFatalFailure());
            setFramePictureWanted(true);
            run = runWithScript("", 150);
            stopTestMachine();
        }
        expectSameRuns(runs[0], runs[1]);
    }
}

}  // namespace
