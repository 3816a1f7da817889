// Start-up with a disk named on the command line that cannot be used: the loader's
// reason is reported; a headless run ends with a failure, the window goes on with the
// drive empty.
#include <gtest/gtest.h>

#include "floppy/disk_image.h"
#include "frontend/config.h"
#include "frontend/headless_runner.h"
#include "frontend/program_files.h"
#include "frontend/rom_list.h"
#include "frontend/startup.h"
#include <filesystem>

#include "support/disk_builders.h"
#include "support/test_machine.h"
#include "support/zip_writer.h"

TEST(Startup, ADiskThatCannotBeUsedIsReportedWithTheLoadersReason) {
    std::string dir = makeTempDir("startup_disk");
    WorkingDirectory working(dir);
    Bytes msa = msaImage(rawImage(80, 2, 9), 80, 2, 9, {});
    msa.resize(20000);
    writeBytes("truncated.msa", msa);
    writeBytes("junk.st", Bytes(1000, 0x55));
    writeBytes("games.zip", buildZip({{"disk1.st", rawImage(80, 2, 9)}}));
    std::filesystem::create_directory("folder.st");
    const struct {
        const char* disk;
        const char* reason;
    } cases[] = {
        {"truncated.msa", "MSA image is truncated."},
        {"junk.st", "Unknown image format."},
        {"missing.st", "Cannot open missing.st: No such file or directory."},
        {"folder.st", "folder.st is a folder."},
        {"games.zip/disk2.st", "games.zip holds no readable member disk2.st."},
    };
    for (const auto& c : cases) {
        ProgramOptions options;
        options.headless = true;
        options.romPath = m68kProgramPath("host_screen");
        options.diskPath = c.disk;
        options.configPath = dir + "/quarv.ini";
        options.frames = 1;
        std::string message = std::string("Cannot use the disk image ") + c.disk + ": " + c.reason;

        testing::internal::CaptureStderr();
        int status = runHeadless(options);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "quarv: " + message + "\n");
        EXPECT_NE(status, 0) << c.disk;

        StartupSettings window;
        window.readConfig = window.defaultSnapshot = window.badDiskRefuses = false;
        config = Config{};
        ASSERT_EQ(programStartup(options, headlessPlatform, window), StartupResult::Ready) << startupError;
        EXPECT_EQ(startupDiskError, message);
        EXPECT_FALSE(driveA.loaded);
        EXPECT_EQ(config.driveA, "");
        programShutdown(false, false);
    }
}

// A default snapshot with the demo disk in the drive exists: a start without a disk on
// the command line resumes it; `--disk` (or `--rom`) wins: the named disk is in the drive.
TEST(Startup, ADiskOrTosOnTheCommandLineIsNotReplacedByTheDefaultSnapshot) {
    std::string dir = makeTempDir("startup_snapshot");
    WorkingDirectory working(dir);
    writeBytes("blank.st", rawImageWithBootSector(80, 2, 9));
    std::string demo = builtDiskPath();
    StartupSettings settings;
    settings.readConfig = false;
    auto start = [&](const std::string& disk, const std::string& rom) {
        ProgramOptions options;
        options.headless = true;
        options.diskPath = disk;
        options.romPath = rom;
        options.dataDir = dir;
        options.configPath = dir + "/quarv.ini";
        config = Config{};
        EXPECT_EQ(programStartup(options, headlessPlatform, settings), StartupResult::Ready) << startupError;
    };
    start(demo, m68kProgramPath("host_screen"));
    ASSERT_TRUE(programShutdown(true, false));

    const struct {
        const char* disk;
        bool rom;
        std::string inDrive;
    } cases[] = {{"", false, demo}, {"blank.st", false, "blank.st"}, {"", true, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.disk) + (c.rom ? " --rom" : ""));
        start(c.disk, c.rom ? m68kProgramPath("host_screen") : "");
        EXPECT_EQ(std::string(insertedDiskPath()), c.inDrive);
        programShutdown(false, false);
    }
}

// A program started from the command line runs on the TOS this start loads, unless that
// is the built-in ROM, which cannot load programs: then on the bundled EmuTOS for the
// machine type.
TEST(Startup, ProgramsRunOnTheBundledEmuTosInsteadOfTheBuiltInRom) {
    WorkingDirectory in(std::string(QUARV_BINARY_DIR) + "/run");  // the build's built-in files
    romListClear();
    const struct {
        const char* rom;
        uint32_t machine;
        std::string tos;
    } cases[] = {{"", 0, EMUTOS_192}, {"", 1, EMUTOS_256}, {"tos206.img", 1, "tos206.img"}};
    for (const auto& c : cases) {
        ProgramOptions options;
        options.romPath = c.rom;
        machineSettings.machine = c.machine;
        EXPECT_EQ(tosForPrograms(options), c.tos) << c.rom << " " << c.machine;
    }
    machineSettings = MachineSettings{};
}
