// The built-in ROM and demo disk as files: the TOS header, what a FAT12 reader makes of
// the disk, and that building them again gives the same bytes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "boot_test_support.h"
#include "support/test_machine.h"
#include "support/zip_writer.h"

namespace {

uint32_t be16(const std::vector<uint8_t>& b, size_t at) { return b[at] << 8 | b[at + 1]; }
uint32_t be32(const std::vector<uint8_t>& b, size_t at) { return be16(b, at) << 16 | be16(b, at + 2); }
uint32_t le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }
bool isBcd(uint8_t v) { return (v >> 4) < 10 && (v & 15) < 10; }
int fromBcd(uint8_t v) { return (v >> 4) * 10 + (v & 15); }

std::string diskBuilder() { return std::string(QUARV_BINARY_DIR) + "/tools/make_st_disk"; }

int runBuilder(const std::string& boot, const std::string& program, const std::string& output) {
    std::string command =
        diskBuilder() + " " + boot + " " + program + " 0x10000 DEMO.BIN \"QUARV DEMO\" " + output + " 2>/dev/null";
    return std::system(command.c_str());
}

TEST(BuiltRom, IsA192KbPalTosImageForFc0000WithABcdDate) {
    std::vector<uint8_t> rom = readFileBytes(builtRomPath());
    ASSERT_EQ(rom.size(), 192u * 1024);
    EXPECT_EQ(be16(rom, 0), 0x602Eu);
    EXPECT_EQ(be16(rom, 2), 0x0100u) << "version 1.0";
    EXPECT_EQ(be32(rom, 4), 0xFC0030u) << "the reset PC is where the branch at 0 goes";
    EXPECT_EQ(be32(rom, 8), 0xFC0000u);
    for (int i = 24; i < 28; i++) EXPECT_TRUE(isBcd(rom[i])) << "date byte " << i;
    EXPECT_TRUE(fromBcd(rom[24]) >= 1 && fromBcd(rom[24]) <= 12) << "month";
    EXPECT_TRUE(fromBcd(rom[25]) >= 1 && fromBcd(rom[25]) <= 31) << "day";
    EXPECT_EQ(be16(rom, 28) & 1, 1u) << "PAL";
}

// Reads the disk as a FAT12 reader would: the parameter block, the root directory, the
// cluster chain; the file must be the demo, and the boot sector must load exactly it.
TEST(BuiltDisk, IsABootableFat12DiskWhoseBootSectorLoadsTheDemoFile) {
    std::vector<uint8_t> disk = readFileBytes(builtDiskPath());
    ASSERT_EQ(disk.size(), 737280u);
    uint32_t sum = 0;
    for (int i = 0; i < 512; i += 2) sum += be16(disk, i);
    EXPECT_EQ(sum & 0xFFFF, 0x1234u) << "executable boot sector";
    EXPECT_EQ(disk[0], 0x60) << "BRA.S";

    uint32_t bytesPerSector = le16(disk, 11), perCluster = disk[13], reserved = le16(disk, 14), fats = disk[16];
    uint32_t rootEntries = le16(disk, 17), sectors = le16(disk, 19), perFat = le16(disk, 22);
    EXPECT_EQ(bytesPerSector, 512u);
    EXPECT_EQ(sectors, 1440u);
    EXPECT_EQ(disk[21], 0xF9);
    EXPECT_EQ(le16(disk, 24), 9u);
    EXPECT_EQ(le16(disk, 26), 2u);
    ASSERT_GE(fats, 1u);
    ASSERT_GE(perCluster, 1u);

    size_t fat = reserved * 512, root = (reserved + fats * perFat) * 512;
    uint32_t dataSector = reserved + fats * perFat + rootEntries * 32 / 512;
    for (uint32_t copy = 1; copy < fats; copy++)
        EXPECT_TRUE(
            std::equal(disk.begin() + fat, disk.begin() + fat + perFat * 512, disk.begin() + fat + copy * perFat * 512))
            << "FAT copy " << copy;

    const uint8_t* file = nullptr;
    for (uint32_t e = 0; e < rootEntries && disk[root + e * 32] != 0; e++)
        if (!(disk[root + e * 32 + 11] & 0x18)) file = &disk[root + e * 32];  // not a label or folder
    ASSERT_NE(file, nullptr);
    uint32_t size = file[28] | file[29] << 8 | file[30] << 16 | uint32_t(file[31]) << 24;
    uint32_t firstCluster = file[26] | file[27] << 8;

    std::vector<uint8_t> content;
    for (uint32_t cluster = firstCluster; cluster >= 2 && cluster < 0xFF8;) {
        size_t at = (dataSector + (cluster - 2) * perCluster) * 512;
        content.insert(content.end(), disk.begin() + at, disk.begin() + at + perCluster * 512);
        size_t entry = fat + cluster * 3 / 2;
        uint32_t pair = disk[entry] | disk[entry + 1] << 8;
        cluster = cluster & 1 ? pair >> 4 : pair & 0xFFF;
        ASSERT_LT(content.size(), disk.size()) << "the cluster chain loops";
    }
    ASSERT_GE(content.size(), size);
    content.resize(size);
    EXPECT_EQ(content, readFileBytes(m68kProgramPath("quarv_demo"))) << "the file holds the demo";

    // What the boot code loads: the file's sectors, at the demo's link address.
    EXPECT_EQ(be32(disk, 30), 0x10000u);
    EXPECT_EQ(be16(disk, 34), dataSector + (firstCluster - 2) * perCluster);
    EXPECT_EQ(be16(disk, 36), (size + 511) / 512);
    EXPECT_EQ(disk[1] + 2, 38) << "the boot code starts after the load parameters";
}

// The date in the ROM header and the file dates on the disk are fixed: neither the ROM's
// assembly nor the disk builder takes anything from the clock. The builder runs twice,
// more than the directory's two-second time step apart.
TEST(BuiltImages, AreTheSameBytesWhenBuiltAgain) {
    std::string dir = makeTempDir("boot_rebuild");
    std::string boot = m68kProgramPath("quarv_demo_boot"), demo = m68kProgramPath("quarv_demo");
    ASSERT_EQ(runBuilder(boot, demo, dir + "/first.st"), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    ASSERT_EQ(runBuilder(boot, demo, dir + "/second.st"), 0);
    std::vector<uint8_t> built = readFileBytes(builtDiskPath());
    EXPECT_EQ(readFileBytes(dir + "/first.st"), built);
    EXPECT_EQ(readFileBytes(dir + "/second.st"), built);
    EXPECT_FALSE(std::filesystem::exists(dir + "/second.st.tmp"));

    std::string source = std::string(QUARV_SOURCE_DIR) + "/roms";
    std::string assemble = "m68k-linux-gnu-as -m68000 --register-prefix-optional -I " + source + "/boot -I " + source +
                           "/include -o " + dir + "/rom.o " + source + "/boot/quarv_rom.s && " +
                           "m68k-linux-gnu-ld -Ttext=0xFC0000 -e 0xFC0000 --oformat binary -o " + dir + "/rom.bin " +
                           dir + "/rom.o";
    ASSERT_EQ(std::system(assemble.c_str()), 0);
    EXPECT_EQ(readFileBytes(dir + "/rom.bin"), readFileBytes(builtRomPath()));
    std::filesystem::remove_all(dir);
}

TEST(DiskBuilder, RefusesWhatItCannotPutOnABootableDisk) {
    std::string dir = makeTempDir("boot_builder");
    std::vector<uint8_t> goodBoot = readFileBytes(m68kProgramPath("quarv_demo_boot"));
    std::string program = m68kProgramPath("quarv_demo");

    std::vector<uint8_t> noBranch = goodBoot;
    noBranch[0] = 0x4E;  // not a BRA.S: nothing would skip the parameter block
    std::vector<uint8_t> usesParameterBlock = goodBoot;
    usesParameterBlock[20] = 0x12;
    std::vector<uint8_t> tooLong = goodBoot;
    tooLong.resize(511, 0x4E);
    for (const auto& [name, bytes] : {std::pair{"no_branch", noBranch}, std::pair{"parameters", usesParameterBlock},
                                      std::pair{"too_long", tooLong}}) {
        writeBytes(dir + "/boot.bin", bytes);
        EXPECT_NE(runBuilder(dir + "/boot.bin", program, dir + "/out.st"), 0) << name;
        EXPECT_FALSE(std::filesystem::exists(dir + "/out.st")) << name;
    }

    writeBytes(dir + "/big.bin", std::vector<uint8_t>(720 * 1024, 1));
    EXPECT_NE(runBuilder(m68kProgramPath("quarv_demo_boot"), dir + "/big.bin", dir + "/out.st"), 0);
    EXPECT_FALSE(std::filesystem::exists(dir + "/out.st"));
    std::filesystem::remove_all(dir);
}

}  // namespace
