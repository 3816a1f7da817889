// Slices and the ST's cycle accounting: budgets, rounding to the 4-cycle grid, the
// pairing credit, the prefetch copy, and a PC that leaves its fetch row.
#include "cpu_fixture.h"

namespace {
constexpr uint16_t NOP = 0x4E71;
constexpr uint16_t MOVEQ_1_D1 = 0x7201, MOVEQ_2_D1 = 0x7202, MOVEQ_0_D0 = 0x7000;
constexpr uint16_t CMP_W_PREDEC_A1_D1 = 0xB261, ADD_W_PREDEC_A1_D1 = 0xD261;
constexpr uint16_t MOVE_W_PREDEC_A0_D0 = 0x3020, MOVE_W_D1_D2 = 0x3401;
constexpr uint16_t BEQ_S_2 = 0x6702, BRA_S_2 = 0x6002;
constexpr uint16_t ADD_L_IMM_D0 = 0xD0BC;

using SliceTest = CpuTest;

TEST_F(SliceTest, BudgetOfFourRunsOneShortInstructionAndBudgetOfOneRunsAnyWithItsOvershoot) {
    put(CODE, {NOP, NOP, ADD_L_IMM_D0, 0, 1, NOP});
    start();
    EXPECT_EQ(cpuRun(4), RUN_OK);
    EXPECT_EQ(cpu.pc, CODE + 2);
    EXPECT_EQ(cpu.odometer, 4);
    EXPECT_EQ(cpuRun(1), RUN_OK);  // NOP: 4 cycles for a budget of 1
    EXPECT_EQ(cpu.pc, CODE + 4);
    EXPECT_EQ(cpu.odometer, 8);
    EXPECT_EQ(cpuRun(1), RUN_OK);  // ADD.L #1,D0: 16 cycles
    EXPECT_EQ(cpu.pc, CODE + 10);
    EXPECT_EQ(cpu.odometer, 24);
    EXPECT_EQ(cpu.regs[0], 1u);
    EXPECT_EQ(SliceBudget, 0);
    EXPECT_EQ(RemainingCycles, -1);
}

TEST_F(SliceTest, ACompareTwoAboveTheGridHandsFourCyclesToAMoveFromPredecrement) {
    put(CODE, {CMP_W_PREDEC_A1_D1, MOVE_W_PREDEC_A0_D0, MOVE_W_D1_D2, MOVE_W_PREDEC_A0_D0});
    start();
    cpu.regs[8] = 0x2010;
    cpu.regs[9] = 0x3010;
    EXPECT_EQ(cpuRun(20), RUN_OK);  // 12 + 12 - 4 for the pair
    EXPECT_EQ(cpu.pc, CODE + 4);
    EXPECT_EQ(cpu.odometer, 20);
    EXPECT_EQ(cpuStepInstruction(), 4);   // MOVE.W D1,D2 clears the credit
    EXPECT_EQ(cpuStepInstruction(), 12);  // so the MOVE pays in full
}

TEST_F(SliceTest, ShortBranchesGiveBackWhatTheInstructionBeforeLostToRounding) {
    put(CODE, {ADD_W_PREDEC_A1_D1, BEQ_S_2, 0, MOVEQ_0_D0, BEQ_S_2, 0, ADD_W_PREDEC_A1_D1, BRA_S_2});
    start();
    cpu.regs[9] = 0x3010;  // the word below is 0 and D1 is 0: Z set
    EXPECT_EQ(cpuStepInstruction(), 12);  // ADD.W -(A1),D1: 10
    EXPECT_EQ(cpuStepInstruction(), 8);   // BEQ.S taken after 10 cycles
    EXPECT_EQ(cpu.pc, CODE + 6);
    EXPECT_EQ(cpuStepInstruction(), 4);   // MOVEQ #0,D0
    EXPECT_EQ(cpuStepInstruction(), 12);  // BEQ.S taken after 4 cycles
    EXPECT_EQ(cpuStepInstruction(), 12);
    EXPECT_EQ(cpuStepInstruction(), 12);  // BRA.S always 12
    EXPECT_EQ(cpu.pc, CODE + 18);
}

// A read-modify-write instruction and a register MOVE to (An) write after the 68000 has
// prefetched the next opcode: changing it takes effect one pass later. Other writes
// (CLR, MOVE of an immediate) are seen at once.
TEST_F(SliceTest, WritesOverTheNextOpcodeFollowThePrefetch) {
    struct Case {
        std::initializer_list<uint16_t> writer;
        uint32_t d0;
        int32_t budget;
        uint32_t d1;  // 1: the old MOVEQ ran; 2: the rewritten one
    };
    const Case cases[] = {
        {{0xD150}, 1, 16, 1},            // ADD.W D0,(A0)
        {{0x3080}, MOVEQ_2_D1, 12, 1},   // MOVE.W D0,(A0)
        {{0x30BC, MOVEQ_2_D1}, 0, 16, 2},  // MOVE.W #$7202,(A0)
    };
    for (const Case& c : cases) {
        SetUp();
        uint32_t next = CODE + 2 * uint32_t(c.writer.size());
        put(CODE, c.writer);
        put(next, {MOVEQ_1_D1, NOP});
        start();
        cpu.regs[0] = c.d0;
        cpu.regs[8] = next;
        EXPECT_EQ(cpuRun(c.budget), RUN_OK);
        EXPECT_EQ(cpu.regs[1], c.d1);
        EXPECT_EQ(word(next), MOVEQ_2_D1);
        EXPECT_EQ(cpu.pc, next + 2);
    }
    // CLR.W (A0): the next opcode becomes ORI.B #$4E71,D0 and runs at once.
    SetUp();
    put(CODE, {0x4250, MOVEQ_1_D1, NOP});
    start();
    cpu.regs[8] = CODE + 2;
    cpuRun(12 + 8);
    EXPECT_EQ(cpu.regs[1], 0u);
    EXPECT_EQ(cpu.regs[0], 0x71u);
}

TEST_F(SliceTest, TheReadModifyWritePrefetchOutlivesASliceEndButTheMoveOneDoesNot) {
    put(CODE, {0xD150, MOVEQ_1_D1, 0x3080, MOVEQ_1_D1});  // ADD.W D0,(A0); ...; MOVE.W D0,(A0)
    start();
    cpu.regs[0] = 1;
    cpu.regs[8] = CODE + 2;
    cpuRun(12);  // the ADD alone
    cpuRun(4);
    EXPECT_EQ(cpu.regs[1], 1u);  // the opcode prefetched before the write
    cpu.regs[0] = MOVEQ_2_D1;
    cpu.regs[8] = CODE + 6;
    cpuRun(8);  // the MOVE alone
    cpuRun(4);
    EXPECT_EQ(cpu.regs[1], 2u);  // after a slice end the next opcode comes from memory
}

// Running off the row, branching below address 0 or jumping to an address no row holds:
// the opcode fetch there is a bus error whose frame holds that address as fault address
// and as PC.
TEST_F(SliceTest, FetchingWhereNoMemoryAnswersIsABusError) {
    struct Case {
        uint32_t pc;
        std::vector<uint16_t> code;
        uint32_t fault;
    };
    const Case cases[] = {
        {RAM_SIZE - 4, {NOP, NOP}, RAM_SIZE},
        {CODE, {0x6000, 0xE000}, (CODE + 2 - 0x2000) & ADDRESS_MASK},  // BRA.W back below 0
        {CODE, {0x4EF9, 0x00E0, 0x0000}, 0xE00000},                    // JMP $E00000
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        SetUp();
        for (size_t i = 0; i < c.code.size(); ++i) put(c.pc + 2 * uint32_t(i), {c.code[i]});
        put(handler(2), {0x4E72, 0x2700});  // STOP #$2700
        start(0x2700, c.pc);
        EXPECT_EQ(cpuRun(200), RUN_OK);
        EXPECT_TRUE(cpuStopped());
        EXPECT_EQ(cpu.pc, handler(2) + 4);
        EXPECT_EQ(longAt(STACK - 12), c.fault);
        EXPECT_EQ(longAt(STACK - 4), c.fault);
    }
}
}  // namespace
