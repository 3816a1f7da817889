// The floppy path in the whole machine: a 68000 program reads sectors as TOS does and
// times what it sees in horizontal blanks (512 cycles).
#include <gtest/gtest.h>

#include "bus/hardware_state.h"
#include "bus/memory_map.h"
#include "bus/st_memory.h"
#include "support/disk_builders.h"
#include "support/test_machine.h"

namespace {

constexpr uint32_t RESULTS = 0x10000;
constexpr uint32_t IRQS = RESULTS + 0x04;
constexpr uint32_t IRQ_LINES = RESULTS + 0x10;
constexpr uint32_t START_LINES = RESULTS + 0x20;
constexpr uint32_t DMA_LINES = RESULTS + 0x30;
constexpr uint32_t DMA_VALUES = RESULTS + 0x40;
constexpr uint32_t DMA_MOVES = RESULTS + 0x50;
constexpr uint32_t STATUSES = RESULTS + 0x60;
constexpr uint32_t TRACK_AFTER = RESULTS + 0x66;
constexpr uint32_t SECTOR_AFTER = RESULTS + 0x68;
constexpr uint32_t DONE = RESULTS + 0x100;
constexpr uint32_t BUFFER = 0x30000;


// Lines between two recorded counts, against a time in cycles: the counts are taken by
// polling loops and interrupt handlers, so they may be a line or two late.
void expectLines(uint32_t from, uint32_t to, double cycles, const char* what) {
    double lines = double(to) - double(from);
    EXPECT_GE(lines, cycles / 512 - 1) << what;
    EXPECT_LE(lines, cycles / 512 + 2) << what;
}

// The machine creates its folders in the working directory.

void runReadProgram(bool fastDisk) {
    std::string dir = makeTempDir("floppy_machine"), disk = dir + "/disk.st";
    WorkingDirectory inTemp(dir);
    writeBytes(disk, rawImageWithBootSector(80, 2, 9));
    TestMachineSetup setup;
    setup.rom = m68kProgramPath("floppy_read");
    setup.disk = disk;
    setup.fastDisk = fastDisk;
    startTestMachine(setup);
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    runTestFrames(fastDisk ? 20 : 130);
    ASSERT_EQ(peekLong(DONE), 0x444F4E45u) << "the program did not finish";

    // One interrupt per command: the three sectors share one.
    EXPECT_EQ(peekLong(IRQS), 3u);
    ASSERT_EQ(peekLong(DMA_MOVES), 3u);
    for (uint32_t k = 0; k < 3; ++k) EXPECT_EQ(peekLong(DMA_VALUES + 4 * k), BUFFER + 512 * (k + 1)) << k;
    for (int n = 0; n < 3; ++n)
        for (int i = 0; i < 512; ++i)
            ASSERT_EQ(stReadByte(hw.ram, BUFFER + 512 * n + i), sectorByte(2, 0, 4 + n, i)) << n << " " << i;
    EXPECT_EQ(peekWord(STATUSES), 0x80);
    EXPECT_EQ(peekWord(SECTOR_AFTER), 7);
    EXPECT_EQ(peekWord(STATUSES + 2), 0xA4);
    EXPECT_EQ(peekWord(TRACK_AFTER), 0);
    EXPECT_EQ(peekWord(STATUSES + 4), 0x90);

    // The first sector after the spin-up (or at once with "FastDisk"), the next ones a
    // sector time apart; the interrupt comes with the last.
    expectLines(peekLong(START_LINES), peekLong(DMA_LINES), fastDisk ? 1024 : 9600000 + 160000, "first sector");
    expectLines(peekLong(DMA_LINES), peekLong(DMA_LINES + 4), 160000, "second sector");
    expectLines(peekLong(DMA_LINES + 4), peekLong(DMA_LINES + 8), 160000, "third sector");
    expectLines(peekLong(DMA_LINES + 8), peekLong(IRQ_LINES), 0, "interrupt");
    expectLines(peekLong(START_LINES + 4), peekLong(IRQ_LINES + 4), fastDisk ? 1024 : 40 * 24000 + 120000, "restore");
    expectLines(peekLong(START_LINES + 8), peekLong(IRQ_LINES + 8), fastDisk ? 1024 : 6400000, "record not found");
    stopTestMachine();
}

}  // namespace

TEST(FloppyMachine, ReadsSectorsAsTosDoes) {
    runReadProgram(false);
}

TEST(FloppyMachine, FastDiskCompletesCommandsAtOnce) {
    runReadProgram(true);
}
