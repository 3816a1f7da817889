// The frame mix: sources, drive sounds, low-pass, clipping, the oscilloscope.
#include <gtest/gtest.h>

#include <vector>

#include "frontend/config.h"
#include "sound/drive_sound_data.h"
#include "sound/drive_sounds.h"
#include "sound/mixer.h"
#include "sound_test.h"

namespace {

class Mixer : public ::testing::Test {
protected:
    Config saved = config;
    void SetUp() override {
        setUpSoundMachine();
        machineSettings.ymSound = machineSettings.diskSound = machineSettings.dacSound = machineSettings.lowPass = 0;
        machineSettings.fastDisk = 0;
    }
    void TearDown() override {
        config = saved;
        startDriveSound(DriveSound::MotorStopping);  // leaves the drive silent for other tests
        std::vector<int32_t> drain(MOTOR_STOPPING_SAMPLES);
        driveSoundsAddToMix(drain.data(), drain.data(), int(drain.size()));
    }
    // A frame whose DMA samples are all v on the left and `right` on the right.
    static void dmaConstant(int32_t v, int32_t right) {
        DmaFrameSamples.count = 4;
        for (int i = 0; i < 4; ++i) DmaFrameSamples.values[i] = {v, right};
    }
    static void dmaConstant(int32_t v) { dmaConstant(v, v); }
    // The left channel of n samples; the right must be the same.
    static std::vector<int16_t> mix(int n) {
        auto [left, right] = mixStereo(n);
        EXPECT_EQ(left, right);
        return left;
    }
    static std::pair<std::vector<int16_t>, std::vector<int16_t>> mixStereo(int n) {
        MixFrame(n);
        std::vector<int16_t> left, right;
        for (int i = 0; i < n; ++i) {
            left.push_back(OutputBuffer[2 * i]);
            right.push_back(OutputBuffer[2 * i + 1]);
        }
        return {left, right};
    }
    // n output samples of the drive alone, frame after frame.
    static std::vector<int16_t> driveOutput(int n) {
        std::vector<int16_t> out;
        while (int(out.size()) < n) {
            int k = std::min(881, n - int(out.size()));
            auto frame = mix(k);
            out.insert(out.end(), frame.begin(), frame.end());
        }
        return out;
    }
};

std::vector<int16_t> samplesOf(const int16_t* s, uint32_t from, uint32_t count) { return {s + from, s + from + count}; }

}  // namespace

TEST_F(Mixer, ClipsEachChannelTo16Bits) {
    machineSettings.dacSound = 1;
    dmaConstant(40000, -40000);
    auto [left, right] = mixStereo(881);
    EXPECT_EQ(left[500], 32767);
    EXPECT_EQ(right[500], -32768);
}

// The YM2149 and the drive are mono: both channels; the DMA sound's stereo pair keeps its
// sides. On the STFM the LMC1992 does not exist: what its settings say is not applied.
TEST_F(Mixer, MonoSourcesGoToBothChannelsAndTheStfmBypassesTheLmc1992) {
    machineSettings.dacSound = machineSettings.diskSound = 1;
    startDriveSound(DriveSound::MotorRunning);
    dmaConstant(1000, -3000);
    auto [left, right] = mixStereo(881);
    for (int i : {0, 440, 880}) {
        EXPECT_EQ(left[i] - 1000, motorRunningSound[i]) << i;
        EXPECT_EQ(right[i] + 3000, motorRunningSound[i]) << i;
    }
    machineSettings.diskSound = 0;
    lmc1992Restore({{2, 0, 12, 20, 0, 20}, {}, -1, 0});  // YM off, tone, master -40 dB, left off
    hw.machineFlags = 0;
    auto [stLeft, stRight] = mixStereo(881);
    EXPECT_EQ(stLeft, std::vector<int16_t>(881, 1000));
    EXPECT_EQ(stRight, std::vector<int16_t>(881, -3000));
}

// Each channel has its own history.
TEST_F(Mixer, LowPassOfAConstantIsTheConstantOnceTheHistoryCatchesUp) {
    machineSettings.dacSound = 1;
    dmaConstant(0);
    mix(881);  // history 0
    machineSettings.lowPass = 1;
    dmaConstant(1000, -1000);
    auto [left, right] = mixStereo(881);
    // (1000 + 2 x 0 + 0) / 4, (1000 + 2 x 1000 + 0) / 4, ...
    EXPECT_EQ(std::vector<int16_t>(left.begin(), left.begin() + 3), (std::vector<int16_t>{250, 750, 1000}));
    EXPECT_EQ(std::vector<int16_t>(right.begin(), right.begin() + 3), (std::vector<int16_t>{-250, -750, -1000}));
    EXPECT_EQ(left[880], 1000);
    EXPECT_EQ(mixStereo(1).second[0], -1000);  // the history carries across frames, also for one sample
    EXPECT_EQ(mixStereo(881).first[0], 1000);
}

TEST_F(Mixer, CountsAboveTheMixBufferHoldTheLastSample) {
    machineSettings.dacSound = 1;
    DmaFrameSamples.count = 2;
    DmaFrameSamples.values[0] = {10, -10};
    DmaFrameSamples.values[1] = {20, -20};
    auto [left, right] = mixStereo(3000);
    EXPECT_EQ(left[0], 10);
    EXPECT_EQ(left[2047], 20);
    EXPECT_EQ(left[2999], 20);
    EXPECT_EQ(right[2999], -20);
    EXPECT_EQ(lastSampleCount, 3000);
}

TEST_F(Mixer, AStepReplacesTheMotorLoopWhichThenResumesFromItsStart) {
    machineSettings.diskSound = 1;
    startDriveSound(DriveSound::MotorStarting);
    auto start = driveOutput(MOTOR_STARTING_SAMPLES + 1000);
    EXPECT_EQ(samplesOf(start.data(), 0, MOTOR_STARTING_SAMPLES), samplesOf(motorStartingSound, 0, MOTOR_STARTING_SAMPLES));
    EXPECT_EQ(samplesOf(start.data(), MOTOR_STARTING_SAMPLES, 1000), samplesOf(motorRunningSound, 0, 1000));
    startSeekSound(-3);
    auto step = driveOutput(SHORT_STEP_SAMPLES + 500);
    EXPECT_EQ(samplesOf(step.data(), 0, SHORT_STEP_SAMPLES), samplesOf(shortStepSound, 0, SHORT_STEP_SAMPLES));
    EXPECT_EQ(samplesOf(step.data(), SHORT_STEP_SAMPLES, 500), samplesOf(motorRunningSound, 0, 500));
    startSeekSound(6);
    EXPECT_EQ(driveOutput(100), samplesOf(longSeekSound, 0, 100));
    startSeekSound(0);  // no movement: the seek goes on
    EXPECT_EQ(driveOutput(100), samplesOf(longSeekSound, 100, 100));
}

TEST_F(Mixer, TheMotorStoppingEndsInSilenceAndFastDiskMutesTheDrive) {
    machineSettings.diskSound = 1;
    machineSettings.fastDisk = 1;
    startDriveSound(DriveSound::MotorStarting);
    EXPECT_EQ(driveOutput(881), std::vector<int16_t>(881, 0));
    machineSettings.fastDisk = 0;
    startDriveSound(DriveSound::MotorStopping);
    auto out = driveOutput(MOTOR_STOPPING_SAMPLES + 2000);
    EXPECT_EQ(samplesOf(out.data(), 0, MOTOR_STOPPING_SAMPLES), samplesOf(motorStoppingSound, 0, MOTOR_STOPPING_SAMPLES));
    EXPECT_EQ(samplesOf(out.data(), MOTOR_STOPPING_SAMPLES, 2000), std::vector<int16_t>(2000, 0));
}

TEST(DriveSoundData, TheMotorLoopJoinsWithoutAClick) {
    // The jump from the loop's end to its start is no larger than the loop's own
    // sample-to-sample movement.
    int largestStep = 0;
    for (uint32_t i = 1; i < MOTOR_RUNNING_SAMPLES; ++i)
        largestStep = std::max(largestStep, std::abs(motorRunningSound[i] - motorRunningSound[i - 1]));
    EXPECT_LE(std::abs(motorRunningSound[0] - motorRunningSound[MOTOR_RUNNING_SAMPLES - 1]), largestStep);
    // Sounds that hand over to the loop end on its last samples.
    const int16_t* loopEnd = motorRunningSound + MOTOR_RUNNING_SAMPLES;
    for (const int16_t* end : {motorStartingSound + MOTOR_STARTING_SAMPLES, shortStepSound + SHORT_STEP_SAMPLES,
                               longSeekSound + LONG_SEEK_SAMPLES})
        EXPECT_EQ(samplesOf(end - 50, 0, 50), samplesOf(loopEnd - 50, 0, 50));
    EXPECT_EQ(motorStoppingSound[MOTOR_STOPPING_SAMPLES - 1], 0);
}

TEST_F(Mixer, OscilloscopeDrawsTheTraceBetweenNeighbouringSamples) {
    constexpr int PITCH = 1600;
    std::vector<uint8_t> picture(PITCH * 600, 0);
    auto pixel = [&](int row, int column) {
        return reinterpret_cast<uint16_t*>(picture.data() + (44 + 2 * row) * PITCH)[2 * column];
    };
    for (int i = 0; i < 881; ++i) OutputBuffer[2 * i] = OutputBuffer[2 * i + 1] = int16_t(i < 440 ? 0 : -32768);
    drawSoundOutput(picture.data(), PITCH, 7);  // too few samples: nothing
    EXPECT_EQ(pixel(127, 0), 0);
    drawSoundOutput(picture.data(), PITCH, 881);
    EXPECT_EQ(pixel(127, 0), 0xFFFF);   // trace over the centre mark
    EXPECT_EQ(pixel(127, 300), 0xFF00);  // centre mark alone where the trace is low
    EXPECT_EQ(pixel(255, 300), 0xFFFF);
    int edge = 440 * 400 / 881;  // the column where the signal falls
    for (int row = 127; row <= 255; ++row) EXPECT_EQ(pixel(row, edge - 1) | pixel(row, edge), 0xFFFF) << row;
}
