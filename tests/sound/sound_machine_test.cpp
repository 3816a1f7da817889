// The sound path in the whole machine: a 68000 program plays a tone on the sound chip and
// a sample through the STE DMA sound, recorded as the headless runner records --wav and
// --ym (the recorder started before the first frame, stopped at the end).
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "sound/recorder.h"
#include "support/test_machine.h"
#include "ym6_reader.h"

namespace {

constexpr int FRAMES = 100, SAMPLES_PER_FRAME = 881;


// Runs sound_tone_dma on an STE for FRAMES frames, recording into path.
void recordProgram(bool ymMode, const std::string& path) {
    TestMachineSetup setup;
    setup.rom = m68kProgramPath("sound_tone_dma");
    setup.ste = true;
    startTestMachine(setup);
    ASSERT_TRUE(recorderStartToFile(ymMode, path));
    runTestFrames(FRAMES);
    recorderStop();
    stopTestMachine();
}

std::vector<int16_t> wavSamples(const std::vector<uint8_t>& file) {
    std::vector<int16_t> samples;
    for (size_t i = 44; i + 1 < file.size(); i += 2) samples.push_back(int16_t(file[i] | file[i + 1] << 8));
    return samples;
}

std::vector<int16_t> framesOf(const std::vector<int16_t>& s, int first, int last) {
    return {s.begin() + first * SAMPLES_PER_FRAME, s.begin() + last * SAMPLES_PER_FRAME};
}

}  // namespace

TEST(SoundMachine, TheWavHoldsTheToneAndTheDmaSample) {
    WorkingDirectory in(makeTempDir("sound_machine_wav"));
    recordProgram(false, "run.wav");
    auto file = readFileBytes("run.wav");
    ASSERT_EQ(file.size(), 44u + 2 * FRAMES * SAMPLES_PER_FRAME);
    auto samples = wavSamples(file);

    // Frames 10-45: the tone, measured by its zero crossings.
    auto tone = framesOf(samples, 10, 45);
    int crossings = 0;
    for (size_t i = 1; i < tone.size(); ++i) crossings += (tone[i] > 0) != (tone[i - 1] > 0);
    double hz = crossings / 2.0 / (double(tone.size()) / 44100);
    EXPECT_NEAR(hz, 440.0, 440.0 * 0.005);

    // Frames 60-95: the chip is silent and the sample plays, each of its values held for
    // about 7 output samples (the low-pass reaches it after 2).
    auto dma = framesOf(samples, 60, 95);
    std::set<int> plateaus;
    for (size_t i = 2; i < dma.size(); ++i)
        if (dma[i] == dma[i - 1] && dma[i] == dma[i - 2]) plateaus.insert(dma[i]);
    std::set<int> expected;
    for (int b : {16, 32, 48, 64, -16, -32, -48, -64}) expected.insert(b * 128);
    EXPECT_EQ(plateaus, expected);
}

TEST(SoundMachine, TheYmRecordingReadsBack) {
    WorkingDirectory in(makeTempDir("sound_machine_ym"));
    recordProgram(true, "run.ym");
    Ym6Song song = readYm6(readFileBytes("run.ym"));
    ASSERT_TRUE(song.valid);
    EXPECT_EQ(song.frames, uint32_t(FRAMES));  // recorded from the first frame: no waiting
    EXPECT_EQ(song.name, "run.ym");
    for (int f : {10, 40}) {
        EXPECT_EQ(song.registers[0][f], 285 & 0xFF) << f;
        EXPECT_EQ(song.registers[1][f], 285 >> 8) << f;
        EXPECT_EQ(song.registers[7][f], 0x3E) << f;
        EXPECT_EQ(song.registers[8][f], 15) << f;
    }
    EXPECT_EQ(song.registers[7][0], 0x7F);  // the chip's reset state before the program writes
    EXPECT_EQ(song.registers[7][FRAMES - 1], 0x3F);
    EXPECT_EQ(std::set<uint8_t>(song.registers[13].begin(), song.registers[13].end()), std::set<uint8_t>{0xFF});
}
