// Start-up with a disk named on the command line that cannot be used: the loader's
// reason is reported; a headless run ends with a failure, the window goes on with the
// drive empty.
#include <gtest/gtest.h>

#include "floppy/disk_image.h"
#include "frontend/config.h"
#include "frontend/headless_runner.h"
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
