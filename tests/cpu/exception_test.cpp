// Exceptions and interrupts: stacked PCs and frames, interrupt acceptance against the
// mask, STOP, trace after RTE, RESET, double faults, and the request interface.
#include "cpu_fixture.h"

namespace {
constexpr uint16_t NOP = 0x4E71, RTE = 0x4E73, STOP = 0x4E72;

using ExceptionTest = CpuTest;

// The group-0 frame: status word, access address, instruction register, then the SR with
// the flags the instruction had already set, then the PC.
TEST_F(ExceptionTest, OddAccessesBuildTheAddressErrorFrame) {
    put(CODE, {0x3080, NOP});  // MOVE.W D0,(A0)
    start(0x2704);
    cpu.regs[0] = 0x1234;
    cpu.regs[8] = 0x3001;
    cpuRun(4);
    EXPECT_EQ(cpu.pc, handler(3));
    EXPECT_EQ(word(STACK - 14), 0);
    EXPECT_EQ(longAt(STACK - 12), 0x3001u);
    EXPECT_EQ(word(STACK - 8), 0);
    EXPECT_EQ(word(STACK - 6), 0x2700);

    SetUp();
    put(CODE, {0x4EF9, 0x0000, 0x2001});  // JMP $2001: the fault is the fetch there
    start();
    cpuRun(4);
    EXPECT_EQ(cpu.pc, handler(3));
    EXPECT_EQ(longAt(STACK - 12), 0x2001u);
}

TEST_F(ExceptionTest, AFaultWhileBuildingTheFrameHaltsForGood) {
    put(CODE, {0x3080});  // MOVE.W D0,(A0) to an odd address, with an odd stack
    start();
    cpu.regs[8] = 0x3001;
    cpu.regs[15] = 0x7001;
    EXPECT_EQ(cpuRun(100), RUN_HALTED);
    EXPECT_TRUE(cpuStopped());
    EXPECT_EQ(cpu.pc & 1, 1u);
    EXPECT_EQ(cpuRequestInterrupt(7, -1), 0);  // requests do not wake a halted processor
    EXPECT_EQ(cpuRun(100), RUN_HALTED);
    EXPECT_EQ(cpuReset(), 0);
    EXPECT_EQ(cpuRun(4), RUN_OK);
}

TEST_F(ExceptionTest, TheHighestLevelAboveTheMaskIsTakenOneAtATime) {
    put(CODE, {NOP, NOP});
    put(handler(30), {RTE});  // level 6
    put(handler(28), {NOP});  // level 4
    start(0x2300);
    EXPECT_EQ(cpuRequestInterrupt(4, -1), 0);
    EXPECT_EQ(cpuRequestInterrupt(6, -1), 0);
    cpuServiceInterrupts();
    EXPECT_EQ(cpu.pc, handler(30));
    EXPECT_EQ(cpuInterruptMask(), 6);
    EXPECT_EQ(cpu.interrupt[0], 1 << 4);
    EXPECT_EQ(cpu.odometer, 56);
    EXPECT_EQ(longAt(STACK - 4), CODE);
    // RTE restores mask 3 and ends the slice; its event check takes level 4.
    EXPECT_EQ(cpuRun(1000), RUN_OK);
    EXPECT_EQ(cpu.pc, handler(28));
    EXPECT_EQ(cpuInterruptMask(), 4);
    EXPECT_EQ(cpu.interrupt[0], 0);
}

TEST_F(ExceptionTest, LevelSevenIsTakenWhateverTheMaskAndLevelSixNotAtMaskSix) {
    put(CODE, {NOP});
    start(0x2600);
    EXPECT_EQ(cpuRequestInterrupt(6, 0x45), 0);
    cpuServiceInterrupts();
    EXPECT_EQ(cpu.pc, CODE);
    start(0x2700);
    EXPECT_EQ(cpuRequestInterrupt(7, -1), 0);
    cpuServiceInterrupts();
    EXPECT_EQ(cpu.pc, handler(31));
    EXPECT_EQ(cpuInterruptMask(), 7);
    EXPECT_EQ(cpu.interrupt[0], 1 << 6);  // level 6 still waits
}

TEST_F(ExceptionTest, RequestsCheckTheirArgumentsAndKeepTheFirstVector) {
    for (auto [level, vector] : {std::pair{0, -1}, {8, -1}, {1, 256}, {1, -3}})
        EXPECT_EQ(cpuRequestInterrupt(level, vector), 2);
    EXPECT_EQ(cpu.interrupt[0], 0);
    EXPECT_EQ(cpuRequestInterrupt(6, 0x46), 0);
    EXPECT_EQ(cpuRequestInterrupt(6, 0x4F), 1);
    EXPECT_EQ(cpu.interrupt[6], 0x46);
    EXPECT_EQ(cpuRequestInterrupt(2, -2), 0);
    EXPECT_EQ(cpu.interrupt[2], 24);  // spurious
    EXPECT_EQ(cpuRequestInterrupt(4, -1), 0);
    EXPECT_EQ(cpu.interrupt[4], 28);  // autovector
}

TEST_F(ExceptionTest, StopWaitsAndAMaskedRequestWakesItWithoutBeingTaken) {
    put(CODE, {STOP, 0x2300, 0x7005});  // STOP #$2300; MOVEQ #5,D0
    start();
    EXPECT_EQ(cpuRun(100), RUN_OK);
    EXPECT_TRUE(cpuStopped());
    EXPECT_EQ(cpu.odometer, 100);  // the rest of the slice passed while stopped
    EXPECT_EQ(cpuRun(100), RUN_OK);
    EXPECT_EQ(cpu.odometer, 200);
    EXPECT_EQ(cpu.pc, CODE + 4);
    EXPECT_EQ(cpuRequestInterrupt(2, -1), 0);
    EXPECT_FALSE(cpuStopped());
    EXPECT_EQ(cpuRun(4), RUN_OK);
    EXPECT_EQ(cpu.regs[0], 5u);
    EXPECT_EQ(cpu.interrupt[0], 1 << 2);
}

TEST_F(ExceptionTest, RteToUserModeWithTraceRunsOneInstructionThenTraces) {
    put(CODE, {RTE});
    put(0x2000, {0x7001, 0x7002});  // MOVEQ #1,D0; MOVEQ #2,D0
    put(handler(9), {STOP, 0x2700});
    start();
    cpu.regs[15] = STACK - 6;
    put(STACK - 6, {0x8000, 0x0000, 0x2000});  // SR: T set, user mode; PC $2000
    cpu.inactiveSp = 0x9000;
    EXPECT_EQ(cpuRun(1000), RUN_OK);
    EXPECT_EQ(cpu.pc, 0x2000u);
    EXPECT_EQ(cpu.odometer, 20);  // the slice ended after RTE
    EXPECT_EQ(cpu.regs[15], 0x9000u);
    EXPECT_EQ(cpuRun(1000), RUN_OK);
    EXPECT_EQ(cpu.regs[0], 1u);
    EXPECT_EQ(longAt(STACK - 4), 0x2002u);  // trace frame on the supervisor stack
    EXPECT_EQ(word(STACK - 6), 0x8000);
    EXPECT_TRUE(cpuStopped());
}

int resets;
// Without a reset operation RESET ends the slice before it; with one, it is called and
// the registers are kept.
TEST_F(ExceptionTest, ResetCallsTheResetOperation) {
    put(CODE, {0x4E70, NOP});
    start();
    EXPECT_EQ(cpuRun(100), CODE);
    EXPECT_EQ(cpu.pc, CODE);

    resets = 0;
    cpu.resetOperation = [] { ++resets; };
    for (int i = 0; i < 15; ++i) cpu.regs[i] = 0x1000 * i;
    EXPECT_EQ(cpuStepInstruction(), 132);
    EXPECT_EQ(resets, 1);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(cpu.regs[i], 0x1000u * i);
}

TEST_F(ExceptionTest, ResetSequenceReadsTheVectorsAndRefusesWithoutMaps) {
    putLong(4, 0x2001);
    EXPECT_EQ(cpuReset(), -1);  // odd initial PC: halted
    EXPECT_EQ(cpuRun(10), RUN_HALTED);
    putLong(4, CODE);
    cpu.odometer = 77;
    cpu.interrupt[0] = 0xFE;
    EXPECT_EQ(cpuReset(), 0);
    EXPECT_EQ(cpu.regs[15], STACK);
    EXPECT_EQ(cpu.pc, CODE);
    EXPECT_EQ(cpu.sr, 0x2700);
    EXPECT_EQ(cpu.interrupt[0], 0);
    EXPECT_EQ(cpu.odometer, 77);
    cpuSetMaps({});
    EXPECT_EQ(cpuReset(), 1);
}
}  // namespace
