// A whole program (the benchmark's mix) run two ways: one instruction at a time and in
// one slice. Both must agree on every register and on the cycles used, which holds the
// slice loop, rounding and pairing to the counts of the single instructions.
#include "cpu_fixture.h"
#include "support/test_machine.h"

namespace {
class ProgramTest : public CpuTest {
protected:
    static constexpr uint32_t ORIGIN = 0x20000;
    bool load(const std::string& name) {
        std::vector<uint8_t> program = readFileBytes(m68kProgramPath(name));
        if (program.empty()) return false;
        stCopyFromFileOrder(ram.data() + ORIGIN, program.data(), uint32_t(program.size()));
        putLong(0, 0x30000);
        putLong(4, ORIGIN);
        return cpuReset() == 0;
    }
};

TEST_F(ProgramTest, SteppingAndOneSliceAgree) {
    ASSERT_TRUE(load("cpu_bench"));
    cpu.odometer = 0;
    for (int i = 0; i < 20000; ++i) ASSERT_GT(cpuStepInstruction(), 0);
    CpuState stepped = cpu;
    int32_t cycles = cpu.odometer;

    ASSERT_TRUE(load("cpu_bench"));
    cpu.odometer = 0;
    EXPECT_EQ(cpuRun(cycles), RUN_OK);
    EXPECT_EQ(cpu.odometer, cycles);
    EXPECT_EQ(cpu.pc, stepped.pc);
    EXPECT_EQ(cpu.sr, stepped.sr);
    for (int r = 0; r < 16; ++r) EXPECT_EQ(cpu.regs[r], stepped.regs[r]) << "register " << r;
}
}  // namespace
