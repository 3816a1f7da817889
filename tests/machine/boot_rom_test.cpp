// The built-in ROM in the whole machine: its title screen, the boot from drive A, the
// XBIOS it offers boot programs, and its crash screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "boot_test_support.h"
#include "bus/hardware_state.h"
#include "bus/memory_map.h"
#include "floppy/disk_image.h"
#include "frontend/run_loop.h"
#include "frontend/scripted_input.h"
#include "support/test_machine.h"

namespace {

const uint16_t WHITE = 0x777;

class BootRom : public testing::Test {
protected:
    void SetUp() override {
        dir = makeTempDir("boot_rom");
        scriptedInputClear();
    }
    void TearDown() override {
        if (started) stopTestMachine();
        scriptedInputClear();
        std::filesystem::remove_all(dir);
    }
    // Starts the ROM with the given disk (empty: none); the drive is fast, so that a look
    // at drive A takes a moment, not the seconds of spin-up and search.
    void start(const std::string& disk, bool ste = false, int ramIndex = 2) {
        startTestMachine({builtRomPath(), disk, ste, ramIndex, true});
        ASSERT_FALSE(HasFatalFailure());
        started = true;
        if (disk.empty()) EjectDisk();  // the start-up falls back to a default disk
    }
    void startWithBootSector(const std::vector<uint8_t>& code, bool executable) {
        writeTestDisk(dir + "/boot.st", code, executable);
        start(dir + "/boot.st");
    }
    std::string dir;
    bool started = false;
};

std::vector<uint8_t> bootCodeOf(const std::vector<uint8_t>& instructions) {
    std::vector<uint8_t> code(0x26 + instructions.size(), 0);
    code[0] = 0x60;  // BRA.S $26, over the parameter block
    code[1] = 0x24;
    std::copy(instructions.begin(), instructions.end(), code.begin() + 0x26);
    return code;
}

TEST_F(BootRom, TitleAsksForABootableDiskAndNamesTheMachine) {
    struct Machine {
        bool ste;
        int ramIndex;
        const char* footer;
    };
    for (Machine m : {Machine{false, 0, "Built-in ROM 1.0 - Atari ST - 512 KB"},
                      Machine{true, 1, "Built-in ROM 1.0 - Atari STE - 1024 KB"}}) {
        start("", m.ste, m.ramIndex);
        runTestFrames(30);
        Picture picture = capturePicture();
        TextPlace message = findText(picture, "Insert a bootable disk");
        ASSERT_TRUE(message.found) << m.footer;
        for (int row = 0; row < 7; row++) EXPECT_EQ(message.colours[row], hostColour(WHITE)) << "row " << row;
        EXPECT_TRUE(findText(picture, "No readable disk in drive A").found) << m.footer;
        EXPECT_FALSE(findText(picture, "Other disks need a TOS. To use EmuTOS:").found) << "only under a disk";
        EXPECT_TRUE(findText(picture, m.footer).found) << m.footer;
        stopTestMachine();
        started = false;
    }
}

// A disk whose boot sector is not executable is named as such; a bootable disk put in
// later is found at the next look and booted.
TEST_F(BootRom, NamesANonBootableDiskAndBootsOneInsertedLater) {
    startWithBootSector(bootCodeOf({0x4E, 0x75}), false);
    runTestFrames(30);
    Picture picture = capturePicture();
    EXPECT_TRUE(findText(picture, "Insert a bootable disk").found);
    EXPECT_TRUE(findText(picture, "The disk in drive A is not bootable").found);
    for (const char* advice : {"Other disks need a TOS. To use EmuTOS:", "press F12, choose Options, select an",
                               "EmuTOS image in the ROM list, Set Active"})
        EXPECT_TRUE(findText(picture, advice).found) << advice;

    ASSERT_TRUE(InsertDisk(builtDiskPath().c_str()));
    runTestFrames(120);
    EXPECT_TRUE(findText(capturePicture(), "Drums: YM2149 tone and noise").found) << "the demo runs";
}

TEST_F(BootRom, ABootProgramThatReturnsIsNotRunAgain) {
    // ADDQ.W #1,$30000; RTS
    startWithBootSector(bootCodeOf({0x52, 0x79, 0x00, 0x03, 0x00, 0x00, 0x4E, 0x75}), true);
    runTestFrames(250);  // several looks at drive A
    EXPECT_EQ(peekWord(0x30000), 1);
    EXPECT_TRUE(findText(capturePicture(), "The boot program of this disk has ended").found);
}

TEST_F(BootRom, XbiosServesABootProgramFromSupervisorAndUserMode) {
    startWithBootSector(readFileBytes(m68kProgramPath("boot_xbios_probe")), true);
    runTestFrames(40);
    const uint32_t r = 0x7000;
    ASSERT_EQ(peekLong(r + 64), 0x444F4E45u) << "the probe did not finish";
    EXPECT_EQ(peekLong(r + 0), 0x1F8000u) << "Physbase: the ROM's screen, the top 32 KB of 2 MB";
    EXPECT_EQ(peekLong(r + 4), 0x1F8000u) << "Logbase";
    EXPECT_EQ(peekLong(r + 8), 0u) << "Getrez: low resolution";
    EXPECT_EQ(peekLong(r + 12), 0x555u) << "Setcolor: colour 5 as Setpalette set it";
    EXPECT_EQ(peekLong(r + 16), 0x123u) << "Setcolor: the colour just set";
    EXPECT_EQ(hw.shifter[0x40 + 2 * 14] << 8 | hw.shifter[0x40 + 2 * 14 + 1], 0x123) << "Setpalette entry 14";
    EXPECT_EQ(peekLong(r + 20), 0x38000u) << "Setscreen's physical base";
    EXPECT_EQ(peekLong(r + 24), 0x39000u) << "Setscreen's logical base";
    EXPECT_EQ(peekLong(r + 28), 0u) << "Floprd";
    for (int i = 0; i < 1024; i++)
        ASSERT_EQ(peekWord(0x6000 + (i & ~1)) >> (i & 1 ? 0 : 8) & 0xFF, sectorPattern(2 + i / 512, i % 512))
            << "Floprd byte " << i;
    EXPECT_EQ(int32_t(peekLong(r + 32)), -15) << "Floprd of drive B: unknown device";
    EXPECT_EQ(int32_t(peekLong(r + 36)), -8) << "Floprd of a missing sector";
    EXPECT_EQ(int32_t(peekLong(r + 40)), -32) << "an unknown function";
    EXPECT_NE(peekLong(r + 44) & 0x2000, 0u) << "Supexec runs in supervisor mode";
    EXPECT_GE(peekLong(r + 48), 2u) << "two Vsyncs, even at interrupt mask 7";
    EXPECT_EQ(peekLong(r + 56), 0u) << "Getrez from user mode";
    EXPECT_NE(peekLong(r + 60) & 0x2000, 0u) << "Supexec from user mode";
    const uint32_t marks[] = {3, 4, 5, 6, 7, 0x33, 0x44, 0x55, 0x66};  // D3-D7, A3-A6
    for (int i = 0; i < 9; i++) {
        EXPECT_EQ(peekLong(r + 0x80 + 4 * i), marks[i]) << "register mark " << i << " before";
        EXPECT_EQ(peekLong(r + 0xC0 + 4 * i), marks[i]) << "D3-D7 and A3-A6 kept, register " << i;
    }
}

TEST_F(BootRom, AnExceptionShowsTheCrashScreenAndAKeyRestarts) {
    startWithBootSector(bootCodeOf({0x4A, 0xFC}), true);  // ILLEGAL, at $1026 in the disk buffer
    runTestFrames(30);
    Picture picture = capturePicture();
    EXPECT_TRUE(findText(picture, "Illegal instruction").found);
    EXPECT_TRUE(findText(picture, "PC 00001026").found);
    EXPECT_TRUE(findText(picture, "Press a key to restart.").found);

    EjectDisk();
    std::string error;
    ASSERT_TRUE(scriptTypeText("x", int(framesEmulated) + 2, error)) << error;
    runTestFrames(30);
    EXPECT_TRUE(findText(capturePicture(), "Insert a bootable disk").found);
}

}  // namespace
