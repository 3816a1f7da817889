// The MFP's registers as the processor sees them through the I/O dispatch, and the
// timer schedule that their writes produce.
#include <gtest/gtest.h>

#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "cpu/cpu.h"
#include "peripherals/mfp.h"
#include "support/test_machine.h"

namespace {

constexpr uint32_t MFP_BASE = 0xFFFA00;

void writeByte(int reg, uint8_t value, int32_t stamp = 0) { ioWriteByte(MFP_BASE + reg, value, nullptr, stamp); }
uint32_t readByte(int reg, int32_t stamp = 0) { return ioReadByte(MFP_BASE + reg, nullptr, stamp); }

class MfpRegisters : public ::testing::Test {
protected:
    void SetUp() override {
        setUpMemoryMap();
        for (int a = 1; a < 256; a += 2) hw.mfp[a] = 0;
        hw.timerA = hw.timerB = hw.timerC = hw.timerD = MfpTimerSchedule{};
        mfpReset();
    }
};

TEST_F(MfpRegisters, WordAccessesUseTheOddByteAndGpipBit7ReadsSet) {
    EXPECT_EQ(ioReadWord(MFP_BASE, nullptr, 0), 0xFF80u);
    ioWriteWord(MFP_BASE, 0x1215, nullptr, 0);
    EXPECT_EQ(readByte(MFP_GPIP), 0x95u);
    ioWriteWord(MFP_BASE + MFP_UCR - 1, 0x00A5, nullptr, 0);  // UCR and TSR take words,
    ioWriteWord(MFP_BASE + MFP_SCR - 1, 0x00A5, nullptr, 0);  // SCR, RSR and UDR do not
    EXPECT_EQ(readByte(MFP_UCR), 0xA5u);
    EXPECT_EQ(readByte(MFP_SCR), 0u);
}

TEST_F(MfpRegisters, PendingAndInServiceRegistersOnlyClear) {
    hw.mfp[MFP_IPRA] = 0xF0;
    writeByte(MFP_IPRA, 0xDF);
    EXPECT_EQ(readByte(MFP_IPRA), 0xD0u);
    hw.mfp[MFP_ISRA] = 0x20;
    hw.mfp[MFP_ISRB] = 0x40;
    writeByte(MFP_VR, 0x48);
    EXPECT_EQ(hw.mfp[MFP_ISRA] | hw.mfp[MFP_ISRB], 0x60);
    writeByte(MFP_VR, 0x40);  // leaving software end-of-interrupt ends every service
    EXPECT_EQ(hw.mfp[MFP_ISRA] | hw.mfp[MFP_ISRB], 0);
}

TEST_F(MfpRegisters, TimerAControlRewriteKeepsTheDuePosition) {
    writeByte(MFP_TACR, 0x01, 100);  // prescale 4, data 0: 256 ticks
    EXPECT_EQ(hw.timerA.period, 3342);
    EXPECT_EQ(hw.timerA.due, 100 + 3342);
    writeByte(MFP_TACR, 0x01, 500);
    EXPECT_EQ(hw.timerA.due, 100 + 3342);
    writeByte(MFP_TACR, 0x00, 600);
    EXPECT_EQ(hw.timerA.period, 0);
    writeByte(MFP_TACR, 0x01, 700);
    EXPECT_EQ(hw.timerA.due, 700 + 3342);
    writeByte(MFP_TADR, 100, 800);  // scaled whole: 65277.08 cycles, not 100 x 652
    writeByte(MFP_TACR, 0x07, 800);
    EXPECT_EQ(hw.timerA.period, 65277);
    EXPECT_EQ(hw.timerA.cyclesPerTick, 652);
}

TEST_F(MfpRegisters, TimersCAndDCountTruncatedTicksEachOnItsNibble) {
    writeByte(MFP_TDDR, 1);
    writeByte(MFP_TCDCR, 0x01, 10);
    EXPECT_EQ(hw.timerD.period, 13);
    writeByte(MFP_TCDCR, 0x71, 50);  // C starts, D keeps its due position
    EXPECT_EQ(hw.timerC.period, 652 * 256);
    EXPECT_EQ(hw.timerD.due, 23);
    writeByte(MFP_TCDCR, 0x72, 90);
    EXPECT_EQ(hw.timerC.due, 50 + 652 * 256);
    EXPECT_EQ(hw.timerD.due, 90 + 32);
}

TEST_F(MfpRegisters, EnableRegistersStartAndStopTheTimers) {
    hw.mfp[MFP_IPRA] = 0x21;
    writeByte(MFP_IERA, 0xDF);  // timer A off: its pending request goes
    EXPECT_EQ(hw.mfp[MFP_IPRA], 0x01);
    writeByte(MFP_TACR, 0x01, 0);
    EXPECT_EQ(hw.timerA.period, 0);
    writeByte(MFP_IERA, 0xFF, 200);  // on again: started from TACR
    EXPECT_EQ(hw.timerA.due, 200 + 3342);

    writeByte(MFP_TCDCR, 0x10, 0);
    hw.mfp[MFP_IPRB] = 0x20;
    writeByte(MFP_IERB, 0xDF, 300);  // timer C off: stopped, its pending bit stays
    EXPECT_EQ(hw.mfp[MFP_IPRB], 0x20);
    EXPECT_EQ(hw.timerC.period, 0);
    writeByte(MFP_IERB, 0xFF, 400);
    EXPECT_EQ(hw.timerC.due, 400 + 256 * 13);
}

TEST_F(MfpRegisters, TimerCDataWriteKeepsThePrescalerPhase) {
    writeByte(MFP_TCDR, 10);
    writeByte(MFP_TCDCR, 0x50, 0);  // 208 cycles a tick: due 2080
    writeByte(MFP_TCDR, 20, 100);   // (2080 - 100) mod 208 = 108: restarted from -8
    EXPECT_EQ(hw.timerC.due, -8 + 20 * 208);
}

TEST_F(MfpRegisters, RunningDataRegistersShowTheTicksLeft) {
    writeByte(MFP_TADR, 100);
    writeByte(MFP_TACR, 0x01, 0);  // period 1305, 13 cycles a tick
    EXPECT_EQ(readByte(MFP_TADR, 650), 50u);
    // Read by the instruction that crossed the expiry, before the scheduler moved the
    // due position on: the counter has reloaded.
    EXPECT_EQ(readByte(MFP_TADR, 1305 + 4), 100u);

    writeByte(MFP_TCDCR, 0x01, 0);  // 256 ticks of 13
    EXPECT_EQ(readByte(MFP_TDDR, 13 * 56), 200u);
    writeByte(MFP_IERB, 0xEF);  // disabled: the stored value
    EXPECT_EQ(readByte(MFP_TDDR, 13 * 56), 0u);

    writeByte(MFP_TBDR, 3);
    writeByte(MFP_TBCR, 0x08);  // event count: the lines left
    hw.timerBInput.counter = 2;
    EXPECT_EQ(readByte(MFP_TBDR), 2u);
}

TEST_F(MfpRegisters, TimerAndEnableWritesEndTheSlice) {
    const struct {
        int reg;
        uint8_t value;
        bool ends;
    } cases[] = {
        {MFP_IERA, 0xFE, true},  {MFP_IERB, 0xFE, true}, {MFP_IPRA, 0xFF, true}, {MFP_TACR, 0x03, true},
        {MFP_TBCR, 0x03, true},  {MFP_TCDCR, 0x11, true}, {MFP_TADR, 0x20, true}, {MFP_IMRA, 0xFF, false},
        {MFP_VR, 0x40, false},   {MFP_TBDR, 0x20, false}, {MFP_TCDR, 0x20, false},
    };
    for (const auto& c : cases) {
        SliceBudget = 100;
        RemainingCycles = 60;
        writeByte(c.reg, c.value, 40);
        EXPECT_EQ(SliceBudget == 0, c.ends) << "register $" << std::hex << c.reg;
    }
    SliceBudget = 0;
    RemainingCycles = -1;
}

}  // namespace
