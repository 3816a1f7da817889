// The STE blitter through the I/O dispatch: steps, logic operations, BUSY and the
// machine-type check.
#include <gtest/gtest.h>

#include "cpu/cpu.h"
#include "machine/hardware_state.h"
#include "machine/io_dispatch.h"
#include "machine/memory_map.h"
#include "peripherals/blitter.h"
#include "support/test_machine.h"

class BlitterTest : public ::testing::Test {
protected:
    void SetUp() override {
        setUpMemoryMap();
        hw.machineFlags = MACHINE_STE;
        busErrorPending = 0;
        for (uint32_t a = 0; a < 0x100; a += 2) ioWriteWord(0xFF8A00 + a, 0, nullptr, 0);
    }
    void TearDown() override { hw.machineFlags = 0; }

    static void reg(int offset, uint16_t v) { ioWriteWord(0xFF8A00 + offset, v, nullptr, 0); }
    static uint16_t ramWord(uint32_t a) { return peekWord(a); }
    static void setRamWord(uint32_t a, uint16_t v) { stWriteWord(hw.ram, a, v); }

    // Source and destination with their steps in bytes, the counts, OP; then BUSY.
    static void blit(uint32_t s, int16_t sx, int16_t sy, uint32_t d, int16_t dx, int16_t dy, uint16_t xCount,
                     uint16_t yCount, int op) {
        uint16_t words[] = {uint16_t(sx), uint16_t(sy), uint16_t(s >> 16), uint16_t(s)};
        for (int i = 0; i < 4; ++i) reg(BLIT_SOURCE_X_INCREMENT + 2 * i, words[i]);
        uint16_t more[] = {uint16_t(dx), uint16_t(dy), uint16_t(d >> 16), uint16_t(d), xCount, yCount, uint16_t(op)};
        for (int i = 0; i < 7; ++i) reg(BLIT_DEST_X_INCREMENT + 2 * i, more[i]);
        ioWriteByte(0xFF8A3C, BLIT_BUSY, nullptr, 0);
    }
};

TEST_F(BlitterTest, XStepsInsideALineOnlyTheYStepAfterItAndNegativeSteps) {
    for (uint32_t i = 0; i < 32; ++i) setRamWord(0x10000 + 2 * i, uint16_t(0x100 + i));
    blit(0xFF010000, 2, 10, 0x20000, 2, 2, 3, 2, 3);  // top byte of the address ignored
    // Line one reads S, S+2, S+4; line two starts at S+4+10.
    uint16_t expected[] = {0x100, 0x101, 0x102, 0x107, 0x108, 0x109};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(ramWord(0x20000 + 2 * i), expected[i]) << i;
    EXPECT_EQ(ramWord(0x2000C), 0);

    blit(0x10004, -2, 0, 0x30000, 2, 0, 3, 1, 3);  // $FFFE walks back one word
    EXPECT_TRUE(ramWord(0x30000) == 0x102 && ramWord(0x30002) == 0x101 && ramWord(0x30004) == 0x100);
}

// With s = $CCCC and d = $AAAA each nibble holds the four (s, d) pairs, so the result
// spells the OP's truth table: OP bit 0 for s=1 d=1, bit 1 for 1 0, bit 2 for 0 1,
// bit 3 for 0 0.
TEST_F(BlitterTest, SixteenLogicOperations) {
    for (int op = 0; op < 16; ++op) {
        setRamWord(0x10000, 0xCCCC);
        setRamWord(0x20000, 0xAAAA);
        blit(0x10000, 2, 2, 0x20000, 2, 2, 1, 1, op);
        int nibble = (op & 1) << 3 | (op & 2) << 1 | (op & 4) >> 1 | (op & 8) >> 3;
        EXPECT_EQ(ramWord(0x20000), nibble * 0x1111) << "OP " << op;
    }
}

TEST_F(BlitterTest, BusyStartsTheBlitAndIsClearedAfterIt) {
    setRamWord(0x10000, 0x1234);
    blit(0x10000, 2, 2, 0x20000, 2, 2, 1, 1, 3);
    EXPECT_EQ(ramWord(0x20000), 0x1234);

    setRamWord(0x10000, 0x5678);
    ioWriteByte(0xFF8A3C, 0x00, nullptr, 0);
    EXPECT_EQ(ramWord(0x20000), 0x1234) << "writing 0 does nothing";
    ioWriteByte(0xFF8A3C, 0x8F, nullptr, 0);
    EXPECT_EQ(ramWord(0x20000), 0x5678);
    EXPECT_EQ(hw.blitter[BLIT_CONTROL], 0x0F) << "other bits kept, BUSY clear";

    setRamWord(0x10000, 0x9ABC);
    ioWriteWord(0xFF8A3C, 0xC000, nullptr, 0);  // BUSY with HOG
    EXPECT_EQ(ramWord(0x20000), 0x9ABC);
    EXPECT_EQ(ioReadByte(0xFF8A3C, nullptr, 0), 0xFFu) << "the page reads all ones";
    EXPECT_EQ(ioReadWord(0xFF8A20, nullptr, 0), 0xFFFFu);
}

TEST_F(BlitterTest, CountZeroIsFullSizeAndAddressesWrapInsideTheRamArea) {
    blit(0, 0, 0, 0x100000, 2, 2, 0, 1, 15);
    EXPECT_EQ(ramWord(0x100000 + 2 * 65535), 0xFFFF);
    EXPECT_EQ(ramWord(0x100000 + 2 * 65536), 0);
    blit(0, 0, 0, 0x3FFFFE, 2, 2, 2, 1, 15);
    EXPECT_EQ(ramWord(0x000000), 0xFFFF);
    blit(0, 0, 0, 0xC00010, 2, 2, 1, 1, 15);  // beyond 4 MB: the same RAM modulo 4 MB
    EXPECT_EQ(ramWord(0x000010), 0xFFFF);
}

TEST_F(BlitterTest, NotAnSteBusErrorAndNoBlit) {
    setRamWord(0x10000, 0x1234);
    hw.machineFlags = 0;
    blit(0x10000, 2, 2, 0x20000, 2, 2, 1, 1, 3);
    EXPECT_TRUE(busErrorPending);
    EXPECT_EQ(ramWord(0x20000), 0);
    EXPECT_EQ(hw.blitter[BLIT_CONTROL], 0);
}
