// The sound device ring's arithmetic.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sound/audio_ring.h"

TEST(AudioRing, SamplesForThisFrameFollowThePlayCursor) {
    static AudioRing ring;
    audioRingRestart(ring);
    EXPECT_EQ(audioRingSamplesForFrame(ring, 1000), 0u);  // no cursor seen yet
    EXPECT_EQ(audioRingSamplesForFrame(ring, 1000 + 1762), 881u);
    EXPECT_EQ(audioRingSamplesForFrame(ring, 8000), (8000u - 2762) / 2);
    EXPECT_EQ(audioRingSamplesForFrame(ring, 400), (400u + 8192 - 8000) / 2);  // wrapped
    audioRingRestart(ring);
    EXPECT_EQ(audioRingSamplesForFrame(ring, 2000), 0u);
}

TEST(AudioRing, FreeRoomIsTheDistanceToThePlayCursor) {
    static AudioRing ring;
    audioRingRestart(ring);
    ring.writeOffset = 1000;
    EXPECT_EQ(audioRingFreeRoom(ring, 3000), 1000u);
    ring.writeOffset = 3000;
    EXPECT_EQ(audioRingFreeRoom(ring, 1000), (1000u + 8192 - 3000) / 2);
    EXPECT_EQ(audioRingFreeRoom(ring, 3000), 4096u);
}

TEST(AudioRing, WritesWrapRoundTheEnd) {
    static AudioRing ring;
    audioRingRestart(ring);
    std::vector<uint8_t> frame(1762);
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = uint8_t(i * 7 + 1);
    for (int k = 0; k < 4; ++k) audioRingWrite(ring, frame.data(), 1762);
    EXPECT_EQ(ring.writeOffset, 4u * 1762);
    audioRingWrite(ring, frame.data(), 1762);
    EXPECT_EQ(ring.writeOffset, 5u * 1762 - 8192);
    EXPECT_EQ(std::memcmp(ring.bytes + 4 * 1762, frame.data(), 8192 - 4 * 1762), 0);
    EXPECT_EQ(std::memcmp(ring.bytes, frame.data() + (8192 - 4 * 1762), ring.writeOffset), 0);
    EXPECT_EQ(ring.bytes[ring.writeOffset], frame[ring.writeOffset]);  // the first frame's bytes beyond
}
