// Scripted typing, keys and mouse, through the keyboard processor's scan as real input.
#include "support/fake_input.h"
#include "frontend/scripted_input.h"

using Bytes = std::vector<uint8_t>;

class ScriptedInputTest : public KeyboardTest {
protected:
    void SetUp() override {
        KeyboardTest::SetUp();
        scriptedInputClear();
    }
    void TearDown() override {
        scriptedInputClear();
        KeyboardTest::TearDown();
    }
    // Frames as the machine runs them: the script step, then 16 scans.
    static Bytes run(int fromFrame, int toFrame) {
        for (int f = fromFrame; f <= toFrame; ++f) {
            scriptedInputFrame(f);
            pollInputDevices();
            for (int scan = 0; scan < 16; ++scan) IkbdScan();
        }
        return drainQueue();
    }
};

TEST_F(ScriptedInputTest, TypedTextArrivesInOrderWithShiftFirst) {
    std::string error;
    ASSERT_TRUE(scriptTypeText("Hii!\\n", 10, error)) << error;
    EXPECT_EQ(scriptedInputLastFrame(), 10 + 5 * TYPE_FRAMES_PER_CHARACTER - 1);
    EXPECT_TRUE(run(0, 9).empty());
    EXPECT_EQ(run(10, 30), (Bytes{0x2A, 0x23, 0xA3, 0xAA,    // H
                                  0x17, 0x97, 0x17, 0x97,    // i i
                                  0x2A, 0x02, 0x82, 0xAA,    // !
                                  0x1C, 0x9C}));             // Return
}

TEST_F(ScriptedInputTest, KeyScriptWithHoldsTapsAndMouse) {
    std::string error;
    ASSERT_TRUE(scriptParseKeys("5:+lshift 6:a;7:-LSHIFT  9:#57 12:move(200,-3) 14:LMB 20:help", error)) << error;
    EXPECT_EQ(run(0, 11), (Bytes{0x2A, 0x1E, 0xAA, 0x9E, 0x39, 0xB9}));
    EXPECT_EQ(run(12, 13), (Bytes{0xF8, 0x7F, 0xFD, 0xF8, 0x49, 0x00}));
    EXPECT_EQ(run(14, 16), (Bytes{0xFA, 0x00, 0x00, 0xF8, 0x00, 0x00}));
    EXPECT_EQ(run(17, 30), (Bytes{0x62, 0xE2}));
}

TEST_F(ScriptedInputTest, BadScriptsScheduleNothing) {
    std::string error;
    for (const char* bad : {"x:A", "5:NOPE", "5:move(1)", "-3:A", "5:", "5:+", "7:#300", "5:A 6:@", "2147483647:A"}) {
        EXPECT_FALSE(scriptParseKeys(bad, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_FALSE(scriptTypeText("caf\xc3\xa9", 0, error));
    EXPECT_FALSE(scriptTypeText("\\q", 0, error));
    EXPECT_FALSE(scriptTypeText("ab", 2147483640, error)) << "its frames would overflow";
    EXPECT_EQ(scriptedInputLastFrame(), -1);
}
