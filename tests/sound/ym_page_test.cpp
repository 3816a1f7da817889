// The sound chip page as the processor sees it, and the log its writes leave.
#include <gtest/gtest.h>

#include "sound_test.h"

class YmPage : public ::testing::Test {
protected:
    void SetUp() override { setUpSoundMachine(); }
};

TEST_F(YmPage, SelectAndDataWritesAreStoredAndLoggedWithTheirCycleDistance) {
    busWriteByte(0xFF8800, 7, 100);
    busWriteByte(0xFF8802, 0x38, 120);
    busWriteByte(0xFF8800, 14, 400);
    busWriteByte(0xFF8802, 0x05, 1000);  // the floppy's port: stored and logged like the rest
    EXPECT_EQ(hw.ymRegisterImage[7], 0x38);
    EXPECT_EQ(hw.ymRegisterImage[14], 0x05);
    ASSERT_EQ(hw.ymLogWrite, YmWriteLog + 2);
    EXPECT_EQ(YmWriteLog[0].delta, 120u);
    EXPECT_EQ(YmWriteLog[0].kind, 7u);
    EXPECT_EQ(YmWriteLog[0].value, 0x38u);
    EXPECT_EQ(YmWriteLog[1].delta, 880u);
    EXPECT_EQ(YmWriteLog[1].kind, 14u);
    EXPECT_EQ(hw.ymLogLastStamp, 1000);
}

TEST_F(YmPage, ThePageRepeatsEveryFourBytes) {
    busWriteByte(0xFF88F4, 9, 0);        // select, mirrored
    busWriteByte(0xFF887E, 0x0C, 8);     // data, mirrored
    EXPECT_EQ(hw.ymSelectedRegister, 9);
    EXPECT_EQ(hw.ymRegisterImage[9], 0x0C);
    EXPECT_EQ(busReadByte(0xFF8840, 16), 0x0Cu);  // the selected register's value
    EXPECT_EQ(busReadByte(0xFF88A2, 16), 9u);     // the select register itself
    EXPECT_EQ(busReadByte(0xFF8801, 16), 0xFFu);
    EXPECT_EQ(busReadByte(0xFF88F3, 16), 0xFFu);
    busWriteByte(0xFF8803, 0x77, 20);  // odd bytes are not connected
    EXPECT_EQ(hw.ymRegisterImage[9], 0x0C);
    EXPECT_EQ(hw.ymLogWrite, YmWriteLog + 1);
}

TEST_F(YmPage, WordAccessesUseTheHighByte) {
    busWriteWord(0xFF8800, 0x0255, 0);  // selects register 2
    busWriteWord(0xFF8802, 0xA1FF, 8);  // writes $A1
    EXPECT_EQ(hw.ymSelectedRegister, 2);
    EXPECT_EQ(hw.ymRegisterImage[2], 0xA1);
    EXPECT_EQ(YmWriteLog[0].value & 0xFF, 0xA1u);
    EXPECT_EQ(busReadWord(0xFF8800, 16), 0xA1FFu);
    EXPECT_EQ(busReadWord(0xFF8806, 16), 0x02FFu);
}

TEST_F(YmPage, RegistersAbove15IgnoreDataAndReadAllOnes) {
    busWriteByte(0xFF8800, 0x23, 0);
    busWriteByte(0xFF8802, 0x11, 8);
    EXPECT_EQ(hw.ymSelectedRegister, 0x23);  // kept as written
    EXPECT_EQ(hw.ymLogWrite, YmWriteLog);
    EXPECT_EQ(busReadByte(0xFF8800, 16), 0xFFu);
    EXPECT_EQ(busReadWord(0xFF8800, 16), 0xFFFFu);
    EXPECT_EQ(busReadByte(0xFF8802, 16), 0x23u);
}
