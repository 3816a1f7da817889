// The debugger's look at memory and registers: the disassembler, the memory dump and the
// register pane show what a read would give and never change the machine they look at.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bus/memory_map.h"
#include "cpu/cpu.h"
#include "cpu/disassembler.h"
#include "debugger/debug_report.h"
#include "debugger/debugger_view.h"
#include "machine/snapshot.h"
#include "support/test_machine.h"
#include "video/shifter.h"

namespace {

std::vector<uint8_t> machineState() {
    std::vector<uint8_t> bytes;
    saveSnapshotToBuffer(bytes);
    return bytes;
}

size_t firstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    return i;
}

// States in which reading a register changes the chip behind it.
void floppyInterruptPending() {
    writeWordAt(0xFF8606, 0x80, cpu.odometer);  // the controller's status register selected
    writeWordAt(0xFF8604, 0xD0, cpu.odometer);  // force interrupt: INTRQ stays up until the status is read
}
void dmaSoundPlaying() {
    const uint32_t registers[][2] = {{0xFF8903, 0x01}, {0xFF8905, 0x00}, {0xFF8907, 0x00},  // frame start
                                     {0xFF890F, 0x01}, {0xFF8911, 0x80}, {0xFF8913, 0x00},  // frame end
                                     {0xFF8921, 0x81}, {0xFF8901, 0x03}};                   // mono, played in a loop
    for (const auto& r : registers) writeByteMapped(r[0], uint8_t(r[1]), cpu.odometer);
}

struct PeekCase {
    const char* name;
    bool ste;
    void (*prepare)();
};

class DebuggerPeek : public ::testing::TestWithParam<PeekCase> {};

TEST_P(DebuggerPeek, EveryIoAddressLooksAsAReadWouldWithoutChangingTheMachine) {
    TestMachineSetup setup(builtRomPath(), "", GetParam().ste);
    startTestMachine(setup);
    runTestFrames(20);
    GetParam().prepare();
    // A look from later in the frame: a read there would run the DMA sound and the video
    // counter up to it.
    int32_t later = cpu.odometer + 40000;
    std::vector<uint8_t> before = machineState();

    for (uint32_t a = 0xFF8000; a <= 0xFFFFFE; a += 2) peekWordMapped(a, later);
    for (uint32_t a = 0xFF8000; a >= 0xFF8000; a = disassembleOne(a)) {}  // up to the wrap to 0
    char preview[32];
    for (uint32_t a = 0xFF8000; a <= 0xFFFFFF; a += 5) {
        viewReadByte(a);
        formatMemoryPreview(a, preview, sizeof preview);
    }
    videoCounterAddress();
    std::vector<uint8_t> after = machineState();
    ASSERT_EQ(before.size(), after.size());
    EXPECT_EQ(firstDifference(before, after), before.size()) << "the looks changed the machine's state";

    // What each look showed is what the read there gives, and the reads, unlike the
    // looks, do change what a snapshot holds.
    int differing = 0;
    for (uint32_t a = 0xFF8000; a <= 0xFFFFFE; a += 2) {
        uint32_t peeked = peekWordMapped(a, later);
        uint32_t read = readWordAt(a, later);
        if (peeked != read && ++differing <= 8)
            ADD_FAILURE() << std::hex << "$" << a << ": looked " << peeked << ", read " << read;
    }
    EXPECT_TRUE(machineState() != before) << "the reads left the state as it was: the comparison sees nothing";
    stopTestMachine();
}

INSTANTIATE_TEST_SUITE_P(States, DebuggerPeek,
                         ::testing::Values(PeekCase{"FloppyInterruptPending", false, floppyInterruptPending},
                                           PeekCase{"DmaSoundPlaying", true, dmaSoundPlaying}),
                         [](const auto& info) { return std::string(info.param.name); });

// Reading the video counter counts in pieces that round on their own: a look between two
// of the program's reads must not change what the second one sees.
TEST(DebuggerPeek, ALookAtTheVideoCounterLeavesTheProgramsNextReadAsItWas) {
    TestMachineSetup setup(builtRomPath());
    startTestMachine(setup);
    runTestFrames(5);
    // A read before the counted position starts the frame's counting again.
    const int32_t first = 70 * 512 + 37, look = 90 * 512 + 113, second = 140 * 512 + 301;
    ReadVideoCounter(first);
    uint32_t unlooked = ReadVideoCounter(second);
    ReadVideoCounter(first);
    uint32_t looked = peekVideoCounter(look);
    EXPECT_EQ(looked, ReadVideoCounter(look)) << "the look shows what a read there gives";
    ReadVideoCounter(first);
    peekVideoCounter(look);
    EXPECT_EQ(ReadVideoCounter(second), unlooked);
    stopTestMachine();
}

}  // namespace
