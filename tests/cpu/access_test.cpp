// What access handlers see of the processor: the cycle position of each access within
// its instruction, and interrupts, wait states and bus errors they cause; then the
// machine's own address tables through real instructions.
#include <vector>

#include "bus/hardware_state.h"
#include "cpu_fixture.h"
#include "support/test_machine.h"

namespace {
constexpr uint32_t WATCHED = 0xF00000;
constexpr uint16_t ADDQ_1_D1 = 0x5281;

struct Access {
    uint32_t address;
    int32_t stamp;
    bool write;
    bool operator==(const Access&) const = default;
};
std::vector<Access> accesses;
uint16_t watchedWords[0x100];

uint32_t watchRead(uint32_t a, const ReadRow*, int32_t stamp) {
    accesses.push_back({a, stamp, false});
    return watchedWords[(a >> 1) & 0xFF];
}
void watchWrite(uint32_t a, uint32_t v, const WriteRow*, int32_t stamp) {
    accesses.push_back({a, stamp, true});
    watchedWords[(a >> 1) & 0xFF] = uint16_t(v);
    if (a == WATCHED + 0x10) cpuRequestInterrupt(6, -1);
    if (a == WATCHED + 0x20) cpuRequestBusError();
    if (a == WATCHED + 0x30) cpuAddWaitCycles(8);
}

class AccessTest : public CpuTest {
protected:
    void SetUp() override {
        CpuTest::SetUp();
        addHandlerRow(WATCHED, WATCHED + 0xFFFF, watchRead, watchWrite);
        start();
        cpu.regs[8] = WATCHED;
    }
    std::vector<Access> run(std::initializer_list<uint16_t> program) {
        put(CODE, program);
        cpu.pc = CODE;
        cpu.odometer = 1000;
        usePrefetchCopy = 0;  // each program starts afresh, not after the previous write
        accesses.clear();
        cpuStepInstruction();
        return accesses;
    }
};

// Stamps count the cycles the instruction charged before the access: MOVE and the
// two-operand forms charge ahead of each access, immediate forms and JSR access first,
// MOVEM charges each register before writing it.
TEST_F(AccessTest, HandlersSeeTheCyclePositionOfEachAccess) {
    using V = std::vector<Access>;
    const uint32_t W = WATCHED;
    EXPECT_EQ(run({0x3010}), (V{{W, 1004, false}}));                    // MOVE.W (A0),D0
    EXPECT_EQ(run({0x2080}), (V{{W, 1004, true}, {W + 2, 1008, true}})); // MOVE.L D0,(A0)
    EXPECT_EQ(run({0xD150}), (V{{W, 1008, false}, {W, 1008, true}}));    // ADD.W D0,(A0)
    EXPECT_EQ(run({0x0250, 0x0001}), (V{{W, 1000, false}, {W, 1000, true}}));  // ANDI.W #1,(A0)
    EXPECT_EQ(run({0x48D0, 0x0003}),  // MOVEM.L D0-D1,(A0)
              (V{{W, 1008, true}, {W + 2, 1012, true}, {W + 4, 1016, true}, {W + 6, 1020, true}}));
    cpu.regs[15] = W + 0x100;
    EXPECT_EQ(run({0x4EB9, 0x0000, 0x2000}),  // JSR $2000: the push
              (V{{W + 0xFC, 1000, true}, {W + 0xFE, 1004, true}}));
}

TEST_F(AccessTest, AnInterruptRequestedByAHandlerIsTakenAfterThatInstruction) {
    put(CODE, {0x33C0, 0x00F0, 0x0010, ADDQ_1_D1, ADDQ_1_D1});  // MOVE.W D0,$F00010
    put(handler(30), {0x4E72, 0x2700});
    start(0x2300);
    EXPECT_EQ(cpuRun(1000), RUN_OK);
    EXPECT_EQ(cpu.regs[1], 0u);
    EXPECT_EQ(longAt(STACK - 4), CODE + 6);
    EXPECT_TRUE(cpuStopped());
    EXPECT_EQ(HeldBackCycles, 0);
}

TEST_F(AccessTest, HandlersAddWaitStatesAndRaiseBusErrors) {
    put(CODE, {0x33C0, 0x00F0, 0x0030, 0x33C0, 0x00F0, 0x0020});  // MOVE.W D0,$F00030 / $F00020
    EXPECT_EQ(cpuStepInstruction(), 16 + 8);
    EXPECT_EQ(cpuStepInstruction(), 12 + 56);  // abandoned at the write: its 12 cycles, then the exception
    EXPECT_EQ(cpu.pc, handler(2));
    EXPECT_EQ(longAt(STACK - 12), WATCHED + 0x20);
    EXPECT_EQ(busErrorPending, 0);
}

// The machine's tables: the I/O dispatcher's wait states, split longs and bus errors.
class MachineMapTest : public testing::Test {
protected:
    static constexpr uint32_t CODE = 0x20000, STACK = 0x30000;
    void SetUp() override {
        static bool built = cpuBuildDispatchTable() == 0;
        ASSERT_TRUE(built);
        setUpMemoryMap();
        setScreenWindow(0x3F0000);  // these programs write no screen memory
        stWriteLong(hw.ram, 0, STACK);
        stWriteLong(hw.ram, 4, CODE);
        stWriteLong(hw.ram, 8, 0x24000);  // bus error
        cpu.resetOperation = nullptr;
        ASSERT_EQ(cpuReset(), 0);
    }
    int step(std::initializer_list<uint16_t> program) {
        uint32_t a = cpu.pc;
        for (uint16_t w : program) stWriteWord(hw.ram, a, w), a += 2;
        return cpuStepInstruction();
    }
};

TEST_F(MachineMapTest, IoWaitStatesAreChargedToTheInstruction) {
    EXPECT_EQ(step({0x1039, 0x00FF, 0xFA01}), 16 + 4);  // MOVE.B $FFFA01,D0
    cpu.regs[8] = 0xFF8800;
    EXPECT_EQ(step({0x4890, 0x00FF}), 40 + 8);  // MOVEM.W D0-D7,(A0): eight word writes
    EXPECT_EQ(step({0x48D0, 0x000F}), 40 + 8);  // MOVEM.L D0-D3,(A0)
}

// A read where nothing answers faults like a write to the ROM: the same cost and the
// same group-0 frame (status word, fault address, instruction register, SR, PC).
TEST_F(MachineMapTest, ReadsAndWritesWhereNothingAnswersAreBusErrors) {
    stWriteWord(hw.cartridge, CARTRIDGE_AREA_SIZE - 2, 0x1234);
    stWriteWord(hw.rom, 0, 0x5678);
    EXPECT_EQ(step({0x2039, 0x00FB, 0xFFFE}), 20);  // MOVE.L $FBFFFE,D0: split across rows
    EXPECT_EQ(cpu.regs[0], 0x12345678u);
    EXPECT_EQ(step({0x1039, 0x0010, 0x0000}), 16);  // MOVE.B $100000,D0: RAM area, all ones
    EXPECT_EQ(cpu.regs[0] & 0xFF, 0xFFu);

    struct Fault {
        uint16_t code[3];
        uint32_t address;
    };
    const Fault faults[] = {
        {{0x13C0, 0x00FC, 0x0000}, 0xFC0000},  // MOVE.B D0,$FC0000
        {{0x1039, 0x00F0, 0x0000}, 0xF00000},  // MOVE.B $F00000,D0
        {{0x3039, 0x00FF, 0x8A00}, 0xFF8A00},  // MOVE.W $FF8A00,D0: no blitter on an STFM
    };
    std::vector<int> cycles;
    for (const Fault& f : faults) {
        SetUp();
        uint32_t pc = cpu.pc;
        uint16_t sr = cpu.sr;
        cycles.push_back(step({f.code[0], f.code[1], f.code[2]}));
        EXPECT_EQ(cpu.pc, 0x24000u);
        EXPECT_EQ(cpu.regs[15], STACK - 14);
        EXPECT_EQ(stReadWord(hw.ram, STACK - 14), 0);
        EXPECT_EQ(stReadLong(hw.ram, STACK - 12), f.address);
        EXPECT_EQ(stReadWord(hw.ram, STACK - 8), 0);
        EXPECT_EQ(stReadWord(hw.ram, STACK - 6) & 0xFF00, sr & 0xFF00);
        EXPECT_EQ(stReadLong(hw.ram, STACK - 4), pc + 6);
    }
    EXPECT_EQ(cycles[1], cycles[0]);
    EXPECT_EQ(cycles[2], cycles[0]);
}
}  // namespace
