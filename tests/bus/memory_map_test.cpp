// The address tables and the I/O dispatch, driven by a small stand-in for the
// processor's side of an access (budget saved around handler calls, the first-access
// mark, bus error requests).
#include <gtest/gtest.h>

#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "bus/memory_map.h"
#include "bus/video_event_log.h"
#include "cpu/cpu.h"
#include "machine/machine_reset.h"
#include "support/test_machine.h"

namespace {

// Counts the wait cycles handlers charge to "the instruction" and the bus errors they ask
// for; ioAccessMark behaves as in the core: null until a handler was called.
struct StandInCore {
    int32_t waitCycles = 0;
    int busErrors = 0;
    int32_t stamp = 1000;

    void beginInstruction() { ioAccessMark = nullptr; }
    uint32_t read(const ReadRow* row, uint32_t a, int extra) {
        RemainingCycles = 100000;
        uint32_t v = row->handler(a, row, stamp + extra);
        after();
        return v;
    }
    void write(const WriteRow* row, uint32_t a, uint32_t v, int extra) {
        RemainingCycles = 100000;
        row->handler(a, v, row, stamp + extra);
        after();
    }
    void after() {
        waitCycles += 100000 - RemainingCycles;
        RemainingCycles = -1;
        if (busErrorPending) ++busErrors;
        busErrorPending = 0;
        ioAccessMark = this;
    }
    void unanswered(uint32_t a) {
        if (readFaults(a)) ++busErrors;
    }
};

class MemoryMap : public ::testing::Test {
protected:
    void SetUp() override {
        setUpMemoryMap();
        hw.machineFlags = 0;
        videoEventLogReset();
        core.beginInstruction();
    }
    StandInCore core;
};

TEST_F(MemoryMap, ReadsAboveTheConfiguredRamSeeAllOnesWhileWritesLand) {
    setRamSize(1);  // 1 MB
    EXPECT_EQ(walkReadWord(ReadWordMap, 0x100000, core), 0xFFFFu);
    EXPECT_EQ(walkReadByte(ReadByteMap, 0x0FFFFF, core), 0u);
    EXPECT_TRUE(walkWriteWord(WriteWordMap, 0x100000, 0x1234, core));
    EXPECT_EQ(peekWord(0x100000), 0x1234);
    setRamSize(2);
    EXPECT_EQ(walkReadWord(ReadWordMap, 0x100000, core), 0x1234u);
}

TEST_F(MemoryMap, RamSizeIndexIsTakenModuloFourAndThreeGivesTwoMegabytes) {
    setRamSize(3);
    EXPECT_EQ(ramSizeBytes(), 0x200000u);
    EXPECT_EQ(ramSizeIndex(), 2);
    EXPECT_EQ(FetchMap[0].end, 0x1FFFFFu);
    setRamSize(4);
    EXPECT_EQ(ramSizeBytes(), 0x80000u);
    EXPECT_EQ(WriteWordMap[1].end, 0x3FFFFFu);  // writes always reach the whole area
}

TEST_F(MemoryMap, TheResetVectorsAreNotWritable) {
    // ST addresses 0-7 hold the reset vectors: outside the RAM write row, and a fault
    // even when the screen window starts at 0 and covers them.
    setScreenWindow(0x78000);
    EXPECT_FALSE(walkWriteWord(WriteWordMap, 0x000004, 0x1111, core));
    stWriteLong(hw.ram, 4, 0x00FC0030);
    setScreenWindow(0);
    for (uint32_t a : {0u, 4u, 7u}) {
        core = StandInCore{};
        walkWriteByte(WriteByteMap, a, 0x55, core);
        EXPECT_EQ(core.busErrors, 1) << a;
    }
    core = StandInCore{};
    walkWriteLong(WriteWordMap, 4, 0x12345678, core);
    EXPECT_EQ(core.busErrors, 2);
    EXPECT_EQ(stReadLong(hw.ram, 4), 0x00FC0030u) << "the vectors are as they were";
    EXPECT_EQ(hw.videoEventWrite - VideoEventLog, 0) << "and nothing was logged as a screen write";
    walkWriteWord(WriteWordMap, 8, 0x1234, core);
    EXPECT_EQ(peekWord(8), 0x1234) << "the screen after them is written";
}

TEST_F(MemoryMap, LongReadAtTheEndOfARowIsSplitAcrossRows) {
    stWriteWord(hw.cartridge, 0x1FFFE, 0xCAFE);
    stWriteWord(hw.rom, 0, 0x602E);
    EXPECT_EQ(walkReadLong(ReadWordMap, 0xFBFFFE, core), 0xCAFE602Eu);
}

// The addresses TOS versions probe to learn what is fitted, and the areas around the
// devices: whether each machine answers a read there (else a bus error). Writes fault
// where reads do, and also on the ROM and cartridge.
TEST_F(MemoryMap, BusErrorsWhereNothingAnswersByMachineType) {
    struct Probe {
        uint32_t address;
        const char* what;
        bool stfm, ste, readOnly;
    };
    const Probe probes[] = {
        {0x0FFFFE, "RAM", true, true, false},
        {0x380000, "RAM area above the installed RAM", true, true, false},
        {0x400000, "beyond the RAM area", false, false, false},
        {0xE00000, "ROM area outside a 192 KB TOS", false, false, false},
        {0xF00000, "below the cartridge (IDE on later machines)", false, false, false},
        {0xFA0000, "cartridge", true, true, true},
        {0xFC0000, "TOS ROM", true, true, true},
        {0xFF0000, "below the I/O area", false, false, false},
        {0xFF8000, "memory configuration", true, true, false},
        {0xFF8260, "Shifter", true, true, false},
        {0xFF8604, "floppy controller", true, true, false},
        {0xFF8800, "YM2149", true, true, false},
        {0xFF8900, "DMA sound", false, true, false},
        {0xFF8922, "Microwire", false, true, false},
        {0xFF8A00, "blitter halftone RAM", false, true, false},
        {0xFF8A3C, "blitter control", false, true, false},
        {0xFF8C80, "SCC (Mega STE, TT)", false, false, false},
        {0xFF8E20, "Mega STE cache control", false, false, false},
        {0xFF9200, "STE joypad ports", false, true, false},
        {0xFFFA00, "MFP", true, true, false},
        {0xFFFA40, "FPU (Mega ST)", false, false, false},
        {0xFFFA80, "second MFP (TT)", false, false, false},
        {0xFFFC00, "keyboard ACIA", true, true, false},
        {0xFFFC20, "real-time clock (Mega ST)", false, false, false},
    };
    setRamSize(1);
    for (uint32_t flags : {0u, MACHINE_STE}) {
        hw.machineFlags = flags;
        for (const Probe& p : probes) {
            bool answers = flags ? p.ste : p.stfm;
            auto faults = [&](auto access) {
                core = StandInCore{};
                access();
                return core.busErrors == 1;
            };
            SCOPED_TRACE(std::string(p.what) + (flags ? " on the STE" : " on the STFM"));
            EXPECT_EQ(faults([&] { walkReadByte(ReadByteMap, p.address + 1, core); }), !answers);
            EXPECT_EQ(faults([&] { walkReadWord(ReadWordMap, p.address, core); }), !answers);
            EXPECT_EQ(faults([&] { walkWriteWord(WriteWordMap, p.address, 0, core) || (++core.busErrors, true); }),
                      !answers || p.readOnly);
        }
    }
    // Host-side reads never fault: nothing there reads all ones.
    hw.machineFlags = 0;
    EXPECT_EQ(peekWordMapped(0xFF8A00, cpu.odometer), 0xFFFFu);
    EXPECT_EQ(peekWordMapped(0xE00000, cpu.odometer), 0xFFFFFFFFu);
    EXPECT_EQ(busErrorPending, 0);
}

// The processor waits 4 cycles on each MFP access and 8 on the keyboard ACIA's data. The
// sound chip costs 4 on the first access of an instruction (not when another handler ran
// before it in the instruction), then 4 more on every fifth word or ninth byte access.
TEST_F(MemoryMap, WaitStatesAreChargedOverTheInstruction) {
    auto waits = [&](int count, auto access) {
        core = StandInCore{};
        core.beginInstruction();
        for (int i = 0; i < count; ++i) access(i);
        return core.waitCycles;
    };
    EXPECT_EQ(waits(1, [&](int) { walkReadByte(ReadByteMap, 0xFFFA01, core); }), 4);
    EXPECT_EQ(waits(1, [&](int) { walkReadLong(ReadWordMap, 0xFFFA00, core); }), 8) << "two word accesses";
    EXPECT_EQ(waits(1, [&](int) { walkReadByte(ReadByteMap, 0xFFFC00, core); }), 0) << "ACIA status";
    EXPECT_EQ(waits(1, [&](int) { walkReadByte(ReadByteMap, 0xFFFC02, core); }), 8) << "ACIA data";
    EXPECT_EQ(waits(8, [&](int i) { walkWriteWord(WriteWordMap, 0xFF8800 + 2 * i, 0, core); }), 8) << "MOVEM.W";
    EXPECT_EQ(waits(4, [&](int i) { walkWriteLong(WriteWordMap, 0xFF8800 + 4 * i, 0, core); }), 8) << "MOVEM.L";
    EXPECT_EQ(waits(9, [&](int) { walkReadByte(ReadByteMap, 0xFF8800, core); }), 8);
    EXPECT_EQ(waits(5, [&](int) { walkReadWord(ReadWordMap, 0xFF8800, core); }), 8);
    core.beginInstruction();  // a later instruction counts afresh
    walkReadByte(ReadByteMap, 0xFF8800, core);
    EXPECT_EQ(core.waitCycles, 12);
    core = StandInCore{};
    core.beginInstruction();
    walkReadByte(ReadByteMap, 0xFFFA01, core);
    walkWriteByte(WriteByteMap, 0xFF8800, 7, core);
    EXPECT_EQ(core.waitCycles, 4) << "the MFP's 4; the sound chip access was not the first";
}

TEST_F(MemoryMap, MemoryConfigurationRegister) {
    walkWriteByte(WriteByteMap, 0xFF8001, 0x0A, core);
    EXPECT_EQ(walkReadByte(ReadByteMap, 0xFF8001, core), 0x0Au);
    EXPECT_EQ(walkReadWord(ReadWordMap, 0xFF8000, core), 0xFF0Au);
    walkWriteWord(WriteWordMap, 0xFF8000, 0x1205, core);
    EXPECT_EQ(walkReadByte(ReadByteMap, 0xFF8001, core), 0x05u);
    EXPECT_EQ(core.busErrors, 0);
}

TEST_F(MemoryMap, ScreenWritesReachRamAndTheVideoLogAtLeastFourCyclesApart) {
    setScreenWindow(0x3F8000);
    core.stamp = 500;
    walkWriteWord(WriteWordMap, 0x3F8010, 0xBEEF, core);
    walkWriteByte(WriteByteMap, 0x3F8013, 0x42, core);  // same stamp
    walkWriteWord(WriteWordMap, 0x3E0000, 0x1111, core);  // outside the window: not logged
    walkWriteWord(WriteWordMap, 0x400010, 0x2222, core);  // past the RAM area, which ends the window
    ASSERT_EQ(hw.videoEventWrite - VideoEventLog, 2);
    EXPECT_EQ(VideoEventLog[0].delta, 500u);
    EXPECT_EQ(VideoEventLog[0].kind, 0xBEEFu << 16 | VIDEO_EVENT_SCREEN_WORD);
    EXPECT_EQ(VideoEventLog[0].value, 0x3F8010u);
    EXPECT_EQ(VideoEventLog[1].delta, 4u);
    EXPECT_EQ(VideoEventLog[1].kind, 0x42u << 16 | VIDEO_EVENT_SCREEN_BYTE);
    EXPECT_EQ(hw.videoEventLastStamp, 504);
    EXPECT_EQ(peekWord(0x3F8010), 0xBEEF);
    EXPECT_EQ(peekWord(0x3F8012), 0x0042);
    EXPECT_EQ(peekWord(0x3E0000), 0x1111);
    EXPECT_EQ(peekWord(0x10), 0) << "not wrapped to the bottom of RAM";
}

TEST_F(MemoryMap, LongWriteAcrossTheScreenWindowEndIsTwoWordWrites) {
    setScreenWindow(0x10000);
    walkWriteLong(WriteWordMap, 0x1FFFE, 0x11223344, core);
    ASSERT_EQ(hw.videoEventWrite - VideoEventLog, 1);  // only the first word is on screen
    EXPECT_EQ(VideoEventLog[0].value, 0x1FFFEu);
    EXPECT_EQ(peekLong(0x1FFFE), 0x11223344u);
}

TEST_F(MemoryMap, RomPlacementFollowsTheBaseAddress) {
    placeRom(0xE00000, 0x40000);
    stWriteWord(hw.rom, 0x3FFFE, 0xABCD);
    EXPECT_EQ(walkReadWord(ReadWordMap, 0xE3FFFE, core), 0xABCDu);
    EXPECT_EQ(walkReadWord(ReadWordMap, 0xE40000, core), 0xFFFFu);
    EXPECT_EQ(walkReadWord(ReadWordMap, 0xFC0000, core), 0xFFFFu);
    EXPECT_EQ(FetchMap[1].start, 0xE00000u);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(intptr_t(0xE00010) + FetchMap[1].hostOffset), hw.rom + 0x10);
}

TEST_F(MemoryMap, HostSideAccesses) {
    stWriteWord(hw.ram, 0x466, 0x0001);
    stWriteWord(hw.ram, 0x468, 0x0203);
    EXPECT_EQ(peekLong(0x466), 0x00010203u);
    EXPECT_EQ(peekWordMapped(0x466, cpu.odometer), 0x0001u);
    writeByteMapped(0x467, 0x77, cpu.odometer);
    EXPECT_EQ(peekWord(0x466), 0x0077);
    writeByteMapped(0xFC0000, 0x77, cpu.odometer);  // no row: ignored
    writeByteMapped(0xFF9001, 0x77, cpu.odometer);  // nothing decodes it: no processor to take the bus error
    EXPECT_EQ(busErrorPending, 0);
}

// A copy of the vectors at ST address 0 that something overwrote does not outlive a reset.
TEST(MachineReset, EveryResetTakesItsVectorsFromTheRom) {
    setUpMemoryMap();
    stWriteLong(hw.rom, 0, 0x00001000);
    stWriteLong(hw.rom, 4, 0x00FC0030);
    for (bool cold : {false, true}) {
        stWriteLong(hw.ram, 4, 0xDEAD0000);
        machineReset(cold);
        EXPECT_EQ(cpu.pc, 0xFC0030u);
        EXPECT_EQ(cpu.regs[15], 0x1000u);
        EXPECT_EQ(peekLong(4), 0x00FC0030u);
    }
}
}  // namespace
