// The sound path in the whole machine: a 68000 program plays a tone on the sound chip and
// a sample through the STE DMA sound, recorded as the headless runner records --wav (the
// recorder started before the first frame, stopped at the end).
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "sound/recorder.h"
#include "support/test_machine.h"

TEST(SoundMachine, TheWavHoldsTheToneAndTheDmaSample) {
    constexpr int FRAMES = 100, SAMPLES_PER_FRAME = 881;
    WorkingDirectory in(makeTempDir("sound_machine_wav"));
    TestMachineSetup setup;
    setup.rom = m68kProgramPath("sound_tone_dma");
    setup.ste = true;
    startTestMachine(setup);
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    ASSERT_TRUE(recorderStartToFile(false, "run.wav"));
    runTestFrames(FRAMES);
    recorderStop();
    stopTestMachine();
    auto file = readFileBytes("run.wav");
    ASSERT_EQ(file.size(), 44u + 2 * FRAMES * SAMPLES_PER_FRAME);
    // The samples of frames [first, last).
    auto frames = [&](int first, int last) {
        std::vector<int16_t> s;
        for (size_t i = 44 + 2u * first * SAMPLES_PER_FRAME; i < 44 + 2u * last * SAMPLES_PER_FRAME; i += 2)
            s.push_back(int16_t(file[i] | file[i + 1] << 8));
        return s;
    };

    // Frames 10-45: the tone, measured by its zero crossings.
    auto tone = frames(10, 45);
    int crossings = 0;
    for (size_t i = 1; i < tone.size(); ++i) crossings += (tone[i] > 0) != (tone[i - 1] > 0);
    double hz = crossings / 2.0 / (double(tone.size()) / 44100);
    EXPECT_NEAR(hz, 440.0, 440.0 * 0.005);

    // Frames 60-95: the chip is silent and the sample plays, each of its values held for
    // about 7 output samples (the low-pass reaches it after 2).
    auto dma = frames(60, 95);
    std::set<int> plateaus;
    for (size_t i = 2; i < dma.size(); ++i)
        if (dma[i] == dma[i - 1] && dma[i] == dma[i - 2]) plateaus.insert(dma[i]);
    std::set<int> expected;
    for (int b : {16, 32, 48, 64, -16, -32, -48, -64}) expected.insert(b * 128);
    EXPECT_EQ(plateaus, expected);
}
