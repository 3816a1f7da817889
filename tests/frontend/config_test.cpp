// The settings store: defaults, round trips, the ROM list hand-off, malformed files and
// saves that cannot destroy the previous file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>

#include <fstream>
#include <sstream>

#include "bus/hardware_state.h"
#include "frontend/config.h"
#include "frontend/ini_file.h"
#include "frontend/rom_list.h"
#include "support/test_machine.h"

namespace {

void writeText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

std::string writeTosImage(const std::string& dir, const std::string& name) {
    std::string path = dir + "/" + name;
    std::vector<uint8_t> image(64, 0);
    image[0] = 0x60;
    image[1] = 0x2E;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<char*>(image.data()), image.size());
    return path;
}

class ConfigStore : public ::testing::Test {
protected:
    void SetUp() override {
        dir = makeTempDir("config");
        path = dir + "/quarv.ini";
        config = Config{};
        romListClear();
        hw.machineFlags = 0;
    }
    void TearDown() override { romListClear(); }
    std::string dir, path;
};

// Settings changed before a load without a file go back to what the store gives.
TEST_F(ConfigStore, AnEmptyStoreResetsWhatWasChanged) {
    machineSettings.ramSize = 0;
    config.currentSlot = 4;
    loadConfig(path);  // no file
    EXPECT_EQ(machineSettings.ramSize, 2u);
    EXPECT_EQ(config.currentSlot, -1);
    EXPECT_EQ(romListCount(), 0);
    ASSERT_TRUE(saveConfig(path));
    EXPECT_NE(readFileText(path).find("nCurrentSlot=-1\n"), std::string::npos) << "no slot";
}

TEST_F(ConfigStore, RoundTripOfEveryKindOfValue) {
    config.forceVblSync = 1;
    config.frameSkip = 7;
    config.fullscreen = true;
    config.askFullscreen = false;
    machineSettings.ramSize = 1;
    machineSettings.machine = 1;
    machineSettings.dacSound = 0;
    config.useTexture = true;
    machineSettings.softwareMode = 3;
    config.driveA = "/disks/game disk.st";
    config.directory = "/disks/";
    machineSettings.floppyAProtected = 1;
    config.folderDrive = "/st/hard disk";
    config.folderDriveLetter = 4;
    config.folderDriveProtected = 1;
    config.currentSlot = 4;
    config.windowWidth = 1280;
    config.windowMaximized = true;
    config.integerScaling = true;
    config.acsiImage[1] = "/disks/hard disk.img";
    machineSettings.acsiWriteBack = 1;
    ASSERT_TRUE(saveConfig(path));

    config = Config{};
    loadConfig(path);
    EXPECT_EQ(config.forceVblSync, 1u);
    EXPECT_EQ(config.frameSkip, 7u);
    EXPECT_TRUE(config.fullscreen);
    EXPECT_FALSE(config.askFullscreen);
    EXPECT_EQ(machineSettings.ramSize, 1u);
    EXPECT_EQ(machineSettings.machine, 1u);
    EXPECT_TRUE(isSte());
    EXPECT_EQ(machineSettings.dacSound, 0u);
    EXPECT_TRUE(config.useTexture);
    EXPECT_EQ(machineSettings.softwareMode, 3u);
    EXPECT_EQ(config.driveA, "/disks/game disk.st");
    EXPECT_EQ(config.directory, "/disks/");
    EXPECT_EQ(machineSettings.floppyAProtected, 1u);
    EXPECT_EQ(config.windowWidth, 1280u);
    EXPECT_EQ(config.windowHeight, 600u);
    EXPECT_TRUE(config.windowMaximized);
    EXPECT_TRUE(config.integerScaling);
    EXPECT_EQ(config.folderDrive, "/st/hard disk");
    EXPECT_EQ(config.folderDriveLetter, 4u);
    EXPECT_EQ(config.folderDriveProtected, 1u);
    EXPECT_EQ(config.acsiImage[0], "");
    EXPECT_EQ(config.acsiImage[1], "/disks/hard disk.img");
    EXPECT_EQ(machineSettings.acsiWriteBack, 1u);
    EXPECT_EQ(config.currentSlot, -1);  // the slot is written but never applied
    EXPECT_NE(readFileText(path).find("nCurrentSlot=4"), std::string::npos);
}

TEST_F(ConfigStore, ValueNamesAreMatchedWithoutRegardToCase) {
    machineSettings.dacSound = 0;
    ASSERT_TRUE(saveConfig(path));
    EXPECT_NE(readFileText(path).find("bDACSound=0"), std::string::npos);
    machineSettings.dacSound = 1;
    loadConfig(path);  // read back under the name "bDacSound"
    EXPECT_EQ(machineSettings.dacSound, 0u);

    writeText(path, "[machine]\nramsize=1\nYMSOUND=0\n");
    loadConfig(path);
    EXPECT_EQ(machineSettings.ramSize, 1u);
    EXPECT_EQ(machineSettings.ymSound, 0u);
}

TEST_F(ConfigStore, RamSizeIsReducedToItsLowTwoBitsAndADriveLetterToOneThereIs) {
    writeText(path, "[Machine]\nRAMSize=6\n[Disks]\nFolderDriveLetter=26\n");
    loadConfig(path);
    EXPECT_EQ(machineSettings.ramSize, 2u);
    EXPECT_EQ(config.folderDriveLetter, 2u) << "C:";
}

TEST_F(ConfigStore, ANumberStoredAsTextYieldsTheDefault) {
    writeText(path, "[Machine]\nYMSound=on\nFastDisk=1x\nMachine=1\n[Graphics]\nbAskFullscreen=\n");
    loadConfig(path);
    EXPECT_EQ(machineSettings.ymSound, 1u);
    EXPECT_EQ(machineSettings.fastDisk, 0u);
    EXPECT_EQ(machineSettings.machine, 1u);
    EXPECT_TRUE(config.askFullscreen);
}

TEST_F(ConfigStore, TheRomListRoundTripsInOrderWithoutStaleEntries) {
    std::string a = writeTosImage(dir, "a.img"), b = writeTosImage(dir, "b.img"), c = writeTosImage(dir, "c.img");
    int32_t idA = romListAdd(a.c_str());
    romListAdd(b.c_str());
    int32_t idC = romListAdd(c.c_str());
    romListSetActive(uint32_t(idA));
    ASSERT_TRUE(saveConfig(path));
    romListRemove(uint32_t(idC));
    ASSERT_TRUE(saveConfig(path));

    std::string text = readFileText(path);
    EXPECT_NE(text.find("Count=2"), std::string::npos);
    EXPECT_EQ(text.find("ROM2"), std::string::npos);
    EXPECT_EQ(text.find("c.img"), std::string::npos);

    romListClear();
    loadConfig(path);
    ASSERT_EQ(romListCount(), 2);
    EXPECT_STREQ(romListName(uint32_t(romListIdAt(0))), b.c_str());
    EXPECT_STREQ(romListName(uint32_t(romListIdAt(1))), a.c_str());
    EXPECT_EQ(romListIsActive(uint32_t(romListIdAt(1))), 1u);
    EXPECT_EQ(romListFindActive(false), romListIdAt(1));
}

TEST_F(ConfigStore, UnknownValuesSurviveASave) {
    writeText(path, "[Machine]\nMyOwnSetting=12\n[Extra]\nkept=yes\n");
    ASSERT_TRUE(saveConfig(path));
    std::string text = readFileText(path);
    EXPECT_NE(text.find("MyOwnSetting=12"), std::string::npos);
    EXPECT_NE(text.find("kept=yes"), std::string::npos);
}

TEST_F(ConfigStore, AMalformedFileGivesTheDefaultsAndOneWarning) {
    writeText(path, "[Machine]\nRAMSize=0\nthis line is not a setting\n");
    testing::internal::CaptureStderr();
    loadConfig(path);
    std::string warning = testing::internal::GetCapturedStderr();
    EXPECT_EQ(machineSettings.ramSize, 2u);
    EXPECT_NE(warning.find("line 3"), std::string::npos);
    EXPECT_EQ(std::count(warning.begin(), warning.end(), '\n'), 1);
    EXPECT_NE(readFileText(path).find("this line"), std::string::npos);  // left alone

    // Not written over at exit either: the settings go beside it.
    testing::internal::CaptureStderr();
    EXPECT_TRUE(saveConfig(path));
    EXPECT_NE(testing::internal::GetCapturedStderr().find(path + ".new"), std::string::npos);
    EXPECT_NE(readFileText(path).find("this line"), std::string::npos);
    EXPECT_NE(readFileText(path + ".new").find("RAMSize=2"), std::string::npos);
}

TEST_F(ConfigStore, ARomCountBeyondTheEntriesReadsOnlyTheEntries) {
    std::string rom = writeTosImage(dir, "tos.img");
    writeText(path, "[ROMS]\nCount=2000000000\nROM0=" + rom + "\nActive0=1\n");
    loadConfig(path);
    EXPECT_EQ(romListCount(), 1);
}

// 100,000 entries (here one image under as many spellings of its path) load and save
// in linear time: some 0.7 s to load and 0.3 s to save here, where comparing each entry
// with every one before it took half a minute. The bound is on the processor time the
// process spent, which other work on the host does not stretch, and leaves room for a
// sanitizer build, three times as slow.
TEST_F(ConfigStore, ALongRomListLoadsAndSavesAtOnce) {
    writeTosImage(dir, "tos.img");
    const int count = 100000;
    std::string text = "[ROMS]\nCount=" + std::to_string(count) + "\n";
    for (int i = 0; i < count; ++i) {
        std::string spelling = dir + "/";
        for (int bit = 0; bit < 17; ++bit) spelling += (i >> bit & 1) ? "./" : ".//";
        text += "ROM" + std::to_string(i) + "=" + spelling + "tos.img\nActive" + std::to_string(i) + "=" +
                (i == 500 ? "1" : "0") + "\n";
    }
    writeText(path, text);
    std::clock_t start = std::clock();
    loadConfig(path);
    ASSERT_TRUE(saveConfig(path));
    double seconds = double(std::clock() - start) / CLOCKS_PER_SEC;
    EXPECT_EQ(romListCount(), count);
    EXPECT_EQ(romListFindActive(false), romListIdAt(500));
    EXPECT_LT(seconds, 10.0);
}

TEST_F(ConfigStore, AFailedSaveLeavesThePreviousFileIntact) {
    config.frameSkip = 3;
    ASSERT_TRUE(saveConfig(path));
    std::string before = readFileText(path);
    config.frameSkip = 9;
    {
        FileSizeLimit full(16);
        EXPECT_FALSE(saveConfig(path));
    }
    EXPECT_EQ(readFileText(path), before);
    ASSERT_TRUE(saveConfig(path));
    EXPECT_NE(readFileText(path).find("FrameSkip=9"), std::string::npos);
}

TEST(IniFile, NumbersAreDecimalAndMayBeNegative) {
    IniFile ini;
    iniWriteString(ini, "S", "a", "42");
    iniWriteString(ini, "S", "b", "-1");
    iniWriteString(ini, "S", "c", "0x10");
    iniWriteString(ini, "S", "d", "99999999999");
    EXPECT_EQ(iniReadNumber(ini, "s", "A", 7), 42u);
    EXPECT_EQ(iniReadNumber(ini, "S", "b", 7), 0xFFFFFFFFu);
    EXPECT_EQ(iniReadNumber(ini, "S", "c", 7), 7u);
    EXPECT_EQ(iniReadNumber(ini, "S", "d", 7), 7u);
    EXPECT_EQ(iniReadNumber(ini, "S", "missing", 7), 7u);
}

}  // namespace
