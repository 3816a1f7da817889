// The sound device's use of the ring, without an open device: the callback's requests
// stand in for the device playing. The ring holds 16-bit stereo samples, left first.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "host/sdl_audio.h"
#include "sound/audio_ring.h"
#include "sound/mixer.h"
#include "support/test_machine.h"

namespace {
// A frame of `count` stereo samples: the ramp from `first` on the left, its negation on
// the right.
std::vector<int16_t> ramp(int count, int16_t first) {
    std::vector<int16_t> v;
    for (int i = 0; i < count; ++i) v.insert(v.end(), {int16_t(first + i), int16_t(-first - i)});
    return v;
}
void write(const std::vector<int16_t>& frame, bool wait) {
    audioDeviceWriteFrame(frame.data(), int(frame.size() * 2), wait);
}

// The device asks for `samples` stereo samples and gets what the ring holds at the play
// cursor.
std::vector<int16_t> play(int samples) {
    std::vector<int16_t> out(2 * samples);
    audioDeviceFill(reinterpret_cast<uint8_t*>(out.data()), samples * SOUND_SAMPLE_BYTES);
    return out;
}
void expectRamp(const std::vector<int16_t>& got, int count, int first, const char* what) {
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(got[2 * i], int16_t(first + i)) << what << " left " << i;
        ASSERT_EQ(got[2 * i + 1], int16_t(-first - i)) << what << " right " << i;
    }
}
}  // namespace

TEST(AudioDevice, PlaysWhatWasWrittenAcrossTheRingsEnd) {
    audioDeviceRestart();
    EXPECT_EQ(audioDeviceSamplesForFrame(), 0);  // no cursor seen since the restart
    EXPECT_EQ(audioDeviceFreeRoom(), 4096u);

    // Four frames of 881 samples (3524), played in device requests of 512 samples.
    for (int f = 0; f < 4; ++f) write(ramp(881, int16_t(881 * f)), false);
    EXPECT_EQ(audioDeviceFreeRoom(), 4096u - 3524);
    for (int r = 0; r < 6; ++r) expectRamp(play(512), 512, 512 * r, "request");
    EXPECT_EQ(audioDevicePlayCursor(), 6u * 512 * SOUND_SAMPLE_BYTES);
    EXPECT_EQ(audioDeviceSamplesForFrame(), 3072);

    // The fifth frame wraps: 572 samples before the end, 309 after it.
    write(ramp(881, 3524), false);
    expectRamp(play(1024), 1024, 3072, "to the end");  // the cursor goes round to 0
    EXPECT_EQ(audioDevicePlayCursor(), 0u);
    expectRamp(play(512), 309, 3524 + 572, "after the end");
    // The cursor went round the end: 1536 samples since the last count.
    EXPECT_EQ(audioDeviceSamplesForFrame(), 1536);
}

// The waiting write returns only once the device has played enough, and never lets its
// offset reach the play cursor (an offset on the cursor reads as an empty ring).
TEST(AudioDevice, WaitingWriteWaitsForMoreRoomThanTheFrame) {
    audioDeviceRestart();
    std::vector<int16_t> frame(2 * 881);
    for (int f = 0; f < 4; ++f) write(frame, false);
    play(512);  // room: 4096 - 3524 + 512 = 1084 samples
    write(frame, true);
    ASSERT_EQ(audioDeviceFreeRoom(), 1084u - 881);

    // 203 samples of room: 678 more must be played, and one more beyond them.
    std::atomic<int> played{0};
    std::thread device([&] {
        for (int r = 0; r < 2; ++r) {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            played += 339;
            play(339);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        played += 1;
        play(1);
    });
    write(frame, true);
    int playedWhenWritten = played;
    device.join();
    EXPECT_EQ(playedWhenWritten, 679);
    EXPECT_EQ(audioDeviceFreeRoom(), 1u);
}

// The machine's frames as the window hands them to its device: an STE playing a stereo
// DMA sample whose pairs hold 48 on the left and -64 on the right (turned down 20 dB
// through the microwire) is heard with each side on its own channel.
TEST(AudioDevice, AStereoDmaSampleReachesTheDeviceSideBySide) {
    WorkingDirectory in(makeTempDir("audio_device_stereo"));
    TestMachineSetup setup;
    setup.rom = m68kProgramPath("sound_dma_stereo");
    setup.ste = true;
    startTestMachine(setup);
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    audioDeviceRestart();
    std::vector<int16_t> heard;
    for (int f = 0; f < 8; ++f) {
        runTestFrames(1);
        audioDeviceWriteFrame(OutputBuffer, SOUND_SAMPLE_BYTES * lastSampleCount, false);
        std::vector<int16_t> got = play(lastSampleCount);
        if (f >= 4) heard.insert(heard.end(), got.begin(), got.end());
    }
    stopTestMachine();
    std::vector<int16_t> expected;
    for (int i = 0; i < 4 * 881; ++i) expected.insert(expected.end(), {48 * 128, -819});
    EXPECT_EQ(heard, expected);
}
