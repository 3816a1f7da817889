// The sound device's use of the ring, without an open device: the callback's requests
// stand in for the device playing.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "host/sdl_audio.h"
#include "sound/audio_ring.h"

namespace {
std::vector<int16_t> ramp(int count, int16_t first) {
    std::vector<int16_t> v(count);
    for (int i = 0; i < count; ++i) v[i] = int16_t(first + i);
    return v;
}

// The device asks for `bytes` bytes and gets what the ring holds at the play cursor.
std::vector<int16_t> play(int bytes) {
    std::vector<int16_t> out(bytes / 2);
    audioDeviceFill(reinterpret_cast<uint8_t*>(out.data()), bytes);
    return out;
}
}  // namespace

TEST(AudioDevice, PlaysWhatWasWrittenAcrossTheRingsEnd) {
    audioDeviceRestart();
    EXPECT_EQ(audioDeviceSamplesForFrame(), 0);  // no cursor seen since the restart
    EXPECT_EQ(audioDeviceFreeRoom(), 4096u);

    // Four frames of 881 samples (3524), played in device requests of 512 samples.
    for (int f = 0; f < 4; ++f) audioDeviceWriteFrame(ramp(881, int16_t(881 * f)).data(), 1762, false);
    EXPECT_EQ(audioDeviceFreeRoom(), 4096u - 3524);
    for (int r = 0; r < 6; ++r) {
        std::vector<int16_t> got = play(1024);
        for (int i = 0; i < 512; ++i) ASSERT_EQ(got[i], int16_t(512 * r + i)) << "request " << r << " sample " << i;
    }
    EXPECT_EQ(audioDevicePlayCursor(), 6144u);
    EXPECT_EQ(audioDeviceSamplesForFrame(), 3072);

    // The fifth frame wraps: 572 samples before the end, 309 after it.
    audioDeviceWriteFrame(ramp(881, 3524).data(), 1762, false);
    std::vector<int16_t> got = play(2048);  // cursor 6144 -> 8192 -> 0
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(got[i], int16_t(3072 + i));
    EXPECT_EQ(audioDevicePlayCursor(), 0u);
    got = play(1024);
    for (int i = 0; i < 309; ++i) ASSERT_EQ(got[i], int16_t(3524 + 572 + i));
    // The cursor went round the end: 1536 samples since the last count.
    EXPECT_EQ(audioDeviceSamplesForFrame(), 1536);
}

// The waiting write returns only once the device has played enough, and never lets its
// offset reach the play cursor (an offset on the cursor reads as an empty ring).
TEST(AudioDevice, WaitingWriteWaitsForMoreRoomThanTheFrame) {
    audioDeviceRestart();
    std::vector<int16_t> frame(881);
    for (int f = 0; f < 4; ++f) audioDeviceWriteFrame(frame.data(), 1762, false);
    play(1024);  // room: 4096 - 3524 + 512 = 1084 samples
    audioDeviceWriteFrame(frame.data(), 1762, true);
    ASSERT_EQ(audioDeviceFreeRoom(), 1084u - 881);

    // 203 samples of room: 678 more must be played, and one more beyond them.
    std::atomic<int> played{0};
    std::thread device([&] {
        for (int r = 0; r < 2; ++r) {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            played += 339;
            play(678);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        played += 1;
        play(2);
    });
    audioDeviceWriteFrame(frame.data(), 1762, true);
    int playedWhenWritten = played;
    device.join();
    EXPECT_EQ(playedWhenWritten, 679);
    EXPECT_EQ(audioDeviceFreeRoom(), 1u);
}
