// EmuTOS boots from a hard disk image on the ACSI bus with its own driver: it finds the
// partition, runs the program in its AUTO folder, and that program reads a file and
// writes one. The image's file changes only with write-back on.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "floppy/hard_disk_image.h"
#include "frontend/run_loop.h"
#include "support/hard_disk_builder.h"
#include "support/test_machine.h"

namespace {

const std::string EMUTOS = std::string(QUARV_SHARED_DIR) + "/emutos/";
const std::string READ_TEXT = "Read from the hard disk by EmuTOS.\r\n";

struct Case {
    const char* rom;
    bool ste;
    PartitionTable table;
    bool writeBack;
};

std::optional<Bytes> writtenFile(const uint8_t* image, size_t size, PartitionTable table) {
    return readHardDiskFile(image, size, table, "WRITTEN.TXT");
}

// The 192 KB EmuTOS on the STFM and the 256 KB one on the STE, with an Atari root
// sector, a DOS partition table and a bare partition.
TEST(EmuTosHardDisk, BootsFromTheImageReadsAndWritesItsFiles) {
    const Case cases[] = {
        {"etos192uk.img", false, PartitionTable::Atari, false},
        {"etos256uk.img", true, PartitionTable::Dos, true},
        {"etos192uk.img", false, PartitionTable::None, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rom);
        SKIP_WITHOUT_SHARED_DATA(std::filesystem::exists(EMUTOS + c.rom), "EmuTOS at " + EMUTOS + c.rom);
        WorkingDirectory in(makeTempDir("emutos_hd"));
        Bytes image = hardDiskImage(c.table, 16384,
                                    {{"READ.TXT", Bytes(READ_TEXT.begin(), READ_TEXT.end())},
                                     {"AUTO\\HDTEST.PRG", readFileBytes(m68kProgramPath("hard_disk_auto"))}});
        writeBytes("hd.img", image);
        TestMachineSetup setup;
        setup.rom = EMUTOS + c.rom;
        setup.ste = c.ste;
        setup.noDisk = true;
        setup.acsi = {"hd.img"};
        setup.acsiWritable = c.writeBack;
        startTestMachine(setup);
        ASSERT_FALSE(testing::Test::HasFatalFailure());
        std::optional<Bytes> written;
        for (int frames = 0; frames < 3000 && !written; frames += 50) {
            runTestFrames(50);
            written = writtenFile(hardDisks[0].data, size_t(hardDisks[0].sectors) * 512, c.table);
        }
        ASSERT_TRUE(written) << "no WRITTEN.TXT after " << framesEmulated << " frames";
        EXPECT_EQ(std::string(written->begin(), written->end()), "ACSI:" + READ_TEXT);
        EXPECT_EQ(readFileBytes("hd.img"), image) << "the file changes only at the write-back";
        stopTestMachine();
        Bytes after = readFileBytes("hd.img");
        EXPECT_EQ(writtenFile(after.data(), after.size(), c.table).has_value(), c.writeBack);
        EXPECT_EQ(after == image, !c.writeBack);
    }
}

}  // namespace
