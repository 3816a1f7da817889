// On-screen message slots, their drawing, blinking and time-outs; the profile timers.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "machine/profile_timer.h"
#include "media/message_font.h"
#include "media/messages.h"

namespace {

int64_t fakeNow;
int64_t fakeClock() { return fakeNow; }

constexpr int WIDTH = 800;
constexpr uint16_t BACKGROUND = 0x1234;

class MessagesTest : public ::testing::Test {
protected:
    std::vector<uint16_t> picture = std::vector<uint16_t>(WIDTH * 600, BACKGROUND);

    void SetUp() override {
        setMessageClock(fakeClock);
        fakeNow = 1000;
        for (int n = 0; n < MESSAGE_SLOTS; ++n) removeMessage(n);
    }
    void TearDown() override {
        for (int n = 0; n < MESSAGE_SLOTS; ++n) removeMessage(n);
        setMessageClock(nullptr);
    }
    void draw() {
        std::fill(picture.begin(), picture.end(), BACKGROUND);
        DrawMessages(picture.data(), WIDTH);
    }
    // Character k of slot n's text: rows 16n to 16n + 7 from x = 16 + 16k, each glyph
    // bit two white pixels, clear bits leaving the picture.
    bool shows(int slot, int k, char c) const {
        const uint8_t* glyph = messageGlyph(c);
        for (int row = 0; row < 8; ++row)
            for (int x = 0; x < 16; ++x) {
                bool set = glyph[row] & (0x80 >> (x / 2));
                if (picture[(16 * slot + row) * WIDTH + 16 + 16 * k + x] != (set ? 0xFFFF : BACKGROUND)) return false;
            }
        return true;
    }
    bool blank(int slot) const {
        for (int i = 16 * slot * WIDTH; i < (16 * slot + 16) * WIDTH; ++i)
            if (picture[i] != BACKGROUND) return false;
        return true;
    }
};

TEST_F(MessagesTest, SlotsAreTakenInOrderAndSlotZeroWhenFull) {
    EXPECT_EQ(ShowMessage("zero", -1, 0), 0);
    EXPECT_EQ(ShowMessage("one", -1, 0), 1);
    EXPECT_EQ(ShowMessage("Ag~", -1, 0), 2);
    removeMessage(1);
    EXPECT_EQ(ShowMessage("again", -1, 0), 1);
    for (int n = 3; n < MESSAGE_SLOTS; ++n) EXPECT_EQ(ShowMessage("x", -1, 0), n);
    EXPECT_EQ(ShowMessage("Z", -1, 0), 0) << "all busy: slot 0 is overwritten";
    removeMessage(3);
    setMessageText(3, "ignored");  // inactive
    setMessageText(-1, "ignored");
    setMessageText(MESSAGE_SLOTS, "ignored");
    setMessageText(4, "T");
    draw();
    EXPECT_TRUE(shows(0, 0, 'Z'));
    EXPECT_TRUE(shows(1, 0, 'a'));
    EXPECT_TRUE(shows(2, 0, 'A') && shows(2, 1, 'g') && shows(2, 2, '~'));
    EXPECT_TRUE(blank(3));
    EXPECT_TRUE(shows(4, 0, 'T'));
}

TEST_F(MessagesTest, FiftyCharactersShowFortyNine) {
    std::string text(200, 'M');  // also longer than a slot holds
    text[48] = 'W';
    ShowMessage(text.c_str(), -1, 0);
    draw();
    EXPECT_TRUE(shows(0, 48, 'W'));
    for (int row = 1; row < 9; ++row)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(picture[row * WIDTH + x], BACKGROUND) << "no wrap into the next row";
}

TEST_F(MessagesTest, BlinkingAndExpiry) {
    ShowMessage("B", -1, 1);
    ShowMessage("S", 300, 0);
    int shown = 0;
    for (fakeNow = 1024; fakeNow < 1024 + 256; ++fakeNow) {
        draw();
        shown += shows(0, 0, 'B');
        ASSERT_TRUE(shows(1, 0, 'S'));
    }
    EXPECT_EQ(shown, 128) << "visible for 128 ms out of every 256";
    fakeNow = 1299;
    draw();
    EXPECT_TRUE(shows(1, 0, 'S'));
    fakeNow = 1300;
    draw();
    EXPECT_TRUE(shows(1, 0, 'S')) << "drawn once more, then freed";
    draw();
    EXPECT_TRUE(blank(1));
    EXPECT_EQ(ShowMessage("N", 10, 0), 1);
    fakeNow = 1024000;  // a visible phase of the blink
    draw();
    EXPECT_TRUE(shows(0, 0, 'B')) << "permanent";
}

TEST_F(MessagesTest, FontCoversPrintableAscii) {
    std::set<std::vector<uint8_t>> shapes;
    for (int c = 32; c < 127; ++c) {
        const uint8_t* g = messageGlyph(char(c));
        shapes.insert(std::vector<uint8_t>(g, g + 8));
    }
    EXPECT_EQ(shapes.size(), 95u) << "every glyph differs from the others, the space included";
    EXPECT_EQ(shapes.count(std::vector<uint8_t>(8, 0)), 1u) << "only the space is blank";
    const uint8_t* unknown = messageGlyph('\x7F');
    EXPECT_EQ(unknown, messageGlyph('\xE9'));
    EXPECT_EQ(shapes.count(std::vector<uint8_t>(unknown, unknown + 8)), 0u);
}

TEST(ProfileTimerTest, AveragesFiftyFramesInMilliseconds) {
    ProfileTimer t{};
    for (int i = 0; i < 49; ++i) {
        profileStart(t);
        profileStop(t);
    }
    EXPECT_EQ(t.average, 0.0f) << "no complete group yet";
    profileStart(t);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    profileStop(t);
    EXPECT_EQ(t.count, 0);
    EXPECT_GE(t.average, 60.0f / 50);
    EXPECT_LT(t.average, 1000.0f) << "milliseconds, not ticks";
}

}  // namespace
