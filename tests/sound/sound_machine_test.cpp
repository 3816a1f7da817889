// The sound path in the whole machine: 68000 programs play a tone on the sound chip and
// samples through the STE DMA sound, recorded as the headless runner records --wav (the
// recorder started before the first frame, stopped at the end).
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "media/recorder.h"
#include "support/test_machine.h"

namespace {

constexpr int SAMPLES_PER_FRAME = 881;

struct Channels {
    std::vector<int16_t> left, right;
};

// The WAV of `frames` frames of the program on an STE, by channel.
Channels recordedRun(const std::string& program, int frames) {
    WorkingDirectory in(makeTempDir("sound_machine_wav"));
    TestMachineSetup setup;
    setup.rom = m68kProgramPath(program);
    setup.ste = true;
    startTestMachine(setup);
    if (::testing::Test::HasFatalFailure()) return {};
    EXPECT_TRUE(recorderStartToFile(false, "run.wav"));
    runTestFrames(frames);
    recorderStop();
    stopTestMachine();
    auto file = readFileBytes("run.wav");
    EXPECT_EQ(file.size(), 44u + 4u * frames * SAMPLES_PER_FRAME);
    Channels c;
    for (size_t i = 44; i + 3 < file.size(); i += 4) {
        c.left.push_back(int16_t(file[i] | file[i + 1] << 8));
        c.right.push_back(int16_t(file[i + 2] | file[i + 3] << 8));
    }
    return c;
}

// The samples of frames [first, last).
std::vector<int16_t> frames(const std::vector<int16_t>& s, int first, int last) {
    return {s.begin() + first * SAMPLES_PER_FRAME, s.begin() + last * SAMPLES_PER_FRAME};
}

}  // namespace

TEST(SoundMachine, TheWavHoldsTheToneAndTheMonoDmaSampleOnBothChannels) {
    Channels run = recordedRun("sound_tone_dma", 100);
    ASSERT_EQ(run.left.size(), 100u * SAMPLES_PER_FRAME);
    EXPECT_TRUE(run.left == run.right) << "mono sources reach both channels alike";

    // Frames 10-45: the tone, measured by its zero crossings.
    auto tone = frames(run.left, 10, 45);
    int crossings = 0;
    for (size_t i = 1; i < tone.size(); ++i) crossings += (tone[i] > 0) != (tone[i - 1] > 0);
    double hz = crossings / 2.0 / (double(tone.size()) / 44100);
    EXPECT_NEAR(hz, 440.0, 440.0 * 0.005);

    // Frames 60-95: the chip is silent and the sample plays, each of its values held for
    // about 7 output samples (the low-pass reaches it after 2).
    auto dma = frames(run.left, 60, 95);
    std::set<int> plateaus;
    for (size_t i = 2; i < dma.size(); ++i)
        if (dma[i] == dma[i - 1] && dma[i] == dma[i - 2]) plateaus.insert(dma[i]);
    std::set<int> expected;
    for (int b : {16, 32, 48, 64, -16, -32, -48, -64}) expected.insert(b * 128);
    EXPECT_EQ(plateaus, expected);
}

// The program's pairs hold 48 for the left and -64 for the right, and it turns the right
// channel down 20 dB through the microwire first.
TEST(SoundMachine, TheWavKeepsEachSideOfAStereoDmaSample) {
    Channels run = recordedRun("sound_dma_stereo", 10);
    ASSERT_EQ(run.left.size(), 10u * SAMPLES_PER_FRAME);
    EXPECT_EQ(frames(run.left, 5, 10), std::vector<int16_t>(5 * SAMPLES_PER_FRAME, 48 * 128));
    EXPECT_EQ(frames(run.right, 5, 10), std::vector<int16_t>(5 * SAMPLES_PER_FRAME, -819));  // -64 x 128 / 10
}
