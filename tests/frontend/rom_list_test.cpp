// The ROM list: recognition by header, activation rules, loading and placement.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "bus/hardware_state.h"
#include "bus/memory_map.h"
#include "cpu/cpu.h"
#include "frontend/rom_list.h"
#include "machine/rom_images.h"
#include "support/test_machine.h"

namespace {

// A ROM file whose header the test chooses: first long, base address, configuration word.
std::string writeRom(const std::string& path, size_t size, uint32_t first, uint32_t base, uint16_t configuration = 1) {
    std::vector<uint8_t> image(std::max<size_t>(size, 64));
    for (size_t i = 0; i < image.size(); ++i) image[i] = uint8_t(i * 7 + 3);
    auto putLong = [&](size_t at, uint32_t v) {
        for (int b = 0; b < 4; ++b) image[at + b] = uint8_t(v >> (24 - 8 * b));
    };
    putLong(0, first);
    putLong(4, base + 0x30);  // reset PC
    putLong(8, base);
    image[28] = uint8_t(configuration >> 8);
    image[29] = uint8_t(configuration);
    image.resize(size);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<char*>(image.data()), image.size());
    return path;
}

class Roms : public ::testing::Test {
protected:
    void SetUp() override {
        setUpMemoryMap();
        romListClear();
        dir = makeTempDir("roms");
    }
    void TearDown() override { romListClear(); }
    std::string dir;
};

TEST_F(Roms, FilesAreRecognisedByTheirHeader) {
    int32_t tos = romListAdd(writeRom(dir + "/tos.img", 64, 0x602E0100, 0xFC0000).c_str());
    int32_t tos2 = romListAdd(writeRom(dir + "/tos2.img", 64, 0x601E0104, 0xFC0000).c_str());
    int32_t diag = romListAdd(writeRom(dir + "/diag.img", 64, 0xFA52235F, 0).c_str());
    int32_t app = romListAdd(writeRom(dir + "/app.img", 64, 0xABCDEF42, 0).c_str());
    EXPECT_EQ(romListAdd(writeRom(dir + "/junk.img", 64, 0x12345678, 0).c_str()), -1);
    EXPECT_EQ(romListAdd((dir + "/missing.img").c_str()), -1);
    EXPECT_EQ(romListKind(uint32_t(tos)), ROM_KIND_TOS);
    EXPECT_EQ(romListKind(uint32_t(tos2)), ROM_KIND_TOS);
    EXPECT_EQ(romListKind(uint32_t(diag)), ROM_KIND_DIAGNOSTIC);
    EXPECT_EQ(romListKind(uint32_t(app)), ROM_KIND_APPLICATION);
    EXPECT_EQ(romListKind(999), -1);
    EXPECT_STREQ(romKindName(ROM_KIND_APPLICATION), "Application");
    // Newest first.
    EXPECT_EQ(romListIdAt(0), app);
    EXPECT_EQ(romListIdAt(3), tos);
    EXPECT_EQ(romListIdAt(4), -1);
}

TEST_F(Roms, TheSamePathInAnotherCaseIsRefused) {
    std::string path = writeRom(dir + "/Tos.img", 64, 0x602E0100, 0xFC0000);
    EXPECT_GE(romListAdd(path.c_str()), 0);
    std::string upper = dir + "/TOS.IMG";
    EXPECT_EQ(romListAdd(upper.c_str()), -1);
    EXPECT_EQ(romListCount(), 1);
}

TEST_F(Roms, IdsAreNeverReused) {
    int32_t a = romListAdd(writeRom(dir + "/a", 64, 0x602E0100, 0xFC0000).c_str());
    int32_t b = romListAdd(writeRom(dir + "/b", 64, 0x602E0100, 0xFC0000).c_str());
    romListRemove(uint32_t(a));
    romListRemove(1234);  // unknown: ignored
    int32_t c = romListAdd(writeRom(dir + "/c", 64, 0x602E0100, 0xFC0000).c_str());
    EXPECT_EQ(b, a + 1);
    EXPECT_EQ(c, b + 1);
    EXPECT_STREQ(romListName(uint32_t(b)), (dir + "/b").c_str());
}

TEST_F(Roms, ActivationRules) {
    int32_t tosA = romListAdd(writeRom(dir + "/a", 64, 0x602E0100, 0xFC0000).c_str());
    int32_t tosB = romListAdd(writeRom(dir + "/b", 64, 0x602E0100, 0xFC0000).c_str());
    int32_t cart = romListAdd(writeRom(dir + "/c", 64, 0xABCDEF42, 0).c_str());
    romListSetActive(uint32_t(tosA));
    romListSetActive(uint32_t(cart));
    romListSetActive(uint32_t(tosB));  // a second TOS deactivates the first, not the cartridge
    EXPECT_EQ(romListIsActive(uint32_t(tosA)), 0u);
    EXPECT_EQ(romListIsActive(uint32_t(tosB)), 1u);
    EXPECT_EQ(romListFindActive(true), cart);
    romListSetActive(uint32_t(tosB));  // a TOS stays active
    EXPECT_EQ(romListFindActive(false), tosB);
    romListSetActive(uint32_t(cart));  // an active cartridge toggles off
    EXPECT_EQ(romListFindActive(true), -1);
    EXPECT_EQ(romListFindActive(false), tosB);
}

TEST_F(Roms, CountryAndVideoStandardFromTheConfigurationWord) {
    uint8_t header[64] = {};
    header[29] = 0x03;
    EXPECT_EQ(romCountryText(header), "Germany (PAL)");
    header[29] = 0x00;
    EXPECT_EQ(romCountryText(header), "USA (NTSC)");
    header[29] = 0x21;  // country 16
    EXPECT_EQ(romCountryText(header), "Hungary (PAL)");
    header[29] = 0x22;  // no such country
    EXPECT_EQ(romCountryText(header), "? (NTSC)");
}

TEST_F(Roms, A192KImageIsMappedAtFC0000WithItsVectorsInRam) {
    std::string path = writeRom(dir + "/tos100.img", 192 * 1024, 0x602E0100, 0xFC0000);
    ASSERT_TRUE(loadTosRom(path.c_str()));
    EXPECT_TRUE(romLoaded);
    EXPECT_STREQ(currentRomName, path.c_str());
    EXPECT_EQ(ReadWordMap[1].start, 0xFC0000u);
    EXPECT_EQ(ReadWordMap[1].end, 0xFEFFFFu);
    EXPECT_EQ(peekWordMapped(0xFC0000, cpu.odometer), 0x602Eu);
    EXPECT_EQ(peekWordMapped(0xFC0008, cpu.odometer), 0x00FCu);
    EXPECT_EQ(peekLong(0), 0x602E0100u);
    EXPECT_EQ(peekLong(4), 0xFC0030u);
}

TEST_F(Roms, A256KImageIsMappedAtE00000) {
    std::string path = writeRom(dir + "/tos206.img", 256 * 1024, 0x602E0206, 0xE00000);
    ASSERT_TRUE(loadTosRom(path.c_str()));
    EXPECT_EQ(FetchMap[1].start, 0xE00000u);
    EXPECT_EQ(FetchMap[1].end, 0xE3FFFFu);
    EXPECT_EQ(peekWordMapped(0xE3FFFE, cpu.odometer), uint32_t((0x3FFFE * 7 + 3) & 0xFF) << 8 | ((0x3FFFF * 7 + 3) & 0xFF));
    EXPECT_EQ(peekWordMapped(0xFC0000, cpu.odometer), 0xFFFFFFFFu);
    EXPECT_EQ(peekLong(4), 0xE00030u);
}

TEST_F(Roms, ImagesLongerThanTheirAreaAreRefused) {
    std::string good = writeRom(dir + "/good.img", 192 * 1024, 0x602E0100, 0xFC0000);
    ASSERT_TRUE(loadTosRom(good.c_str()));
    std::string big = writeRom(dir + "/big.img", 256 * 1024 + 2, 0x602E0100, 0xFC0000);
    EXPECT_FALSE(loadTosRom(big.c_str()));
    EXPECT_FALSE(romLoaded);
    EXPECT_NE(romLoadError.find("longer than 256 KB"), std::string::npos);
    EXPECT_EQ(ReadWordMap[1].end, 0xFEFFFFu);  // the rows stay as they were
    EXPECT_EQ(peekWordMapped(0xFC0000, cpu.odometer), 0x602Eu);

    std::string cart = writeRom(dir + "/cart.img", 128 * 1024 + 1, 0xABCDEF42, 0);
    clearCartridge();
    EXPECT_FALSE(loadCartridge(cart.c_str()));
    EXPECT_EQ(peekWordMapped(0xFA0000, cpu.odometer), 0xFFFFu);
    std::string smallCart = writeRom(dir + "/small.img", 3, 0xABCDEF42, 0);
    ASSERT_TRUE(loadCartridge(smallCart.c_str()));
    // An odd length leaves the last pair's other byte as it was.
    EXPECT_EQ(peekWordMapped(0xFA0000, cpu.odometer), 0xABCDu);
    EXPECT_EQ(peekWordMapped(0xFA0002, cpu.odometer), 0xEFFFu);
}

TEST_F(Roms, FilesThatAreNoTosImageAreRefusedWithTheirReason) {
    struct Bad {
        std::string name;
        uint32_t size, first, base;
        const char* reason;
    };
    const Bad bad[] = {
        {"none", 0, 0, 0, "none: No such file or directory."},
        {"empty", 0, 0, 0, "is empty"},
        {"folder", 0, 0, 0, "folder is a folder."},
        {"text.img", 192 * 1024, 0x48656C6C, 0xFC0000, "does not start with a TOS header"},
        {"low.img", 192 * 1024, 0x602E0100, 0x000000, "names the base address $0,"},
        {"long.img", 256 * 1024, 0x602E0100, 0xFC0000, "longer than 192 KB for $FC0000"},
        {"short.img", 12, 0x602E0100, 0xFC0000, "is shorter than its header."},
        {"header.img", 0x30, 0x602E0100, 0xFC0000, "starts at $FC0030, outside the code after its header."},
    };
    std::ofstream(dir + "/empty");
    std::filesystem::create_directory(dir + "/folder");
    for (const Bad& b : bad) {
        std::string path = dir + "/" + b.name;
        if (b.size) writeRom(path, b.size, b.first, b.base);
        EXPECT_FALSE(loadTosRom(path.c_str())) << b.name;
        EXPECT_FALSE(romLoaded);
        EXPECT_NE(romLoadError.find(b.reason), std::string::npos) << romLoadError;
    }
}

}  // namespace

// The ROM list page's columns: the header's facts for a TOS image, only kind and base
// for a cartridge. A year's second BCD byte keeps its leading zero.
TEST_F(Roms, RowTextsOfTheListPage) {
    std::string tos = writeRom(dir + "/tos.img", 256, 0x602E0104, 0xFC0000, 0x0003);
    std::vector<uint8_t> bytes = readFileBytes(tos);
    bytes[24] = 0x11, bytes[25] = 0x20, bytes[26] = 0x19, bytes[27] = 0x85;
    std::ofstream(tos, std::ios::binary).write(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    int32_t id = romListAdd(tos.c_str());
    ASSERT_GE(id, 0);
    RomRowTexts row = romRowTexts(uint32_t(id));
    EXPECT_EQ(row.fileName, "tos.img");
    EXPECT_EQ(row.type, "TOS ROM");
    EXPECT_EQ(row.base, "$FC0000");
    EXPECT_EQ(row.version, "1.4");
    EXPECT_EQ(row.date, "20/11/1985");
    EXPECT_EQ(row.country, "Germany (PAL)");
    EXPECT_EQ(row.active, "");
    romListSetActive(uint32_t(id));
    EXPECT_EQ(romRowTexts(uint32_t(id)).active, "Yes");

    bytes[24] = 0x01, bytes[25] = 0x02, bytes[26] = 0x20, bytes[27] = 0x05;
    std::string emutos = dir + "/emutos.img";
    std::ofstream(emutos, std::ios::binary).write(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    EXPECT_EQ(romRowTexts(uint32_t(romListAdd(emutos.c_str()))).date, "2/1/2005");

    RomRowTexts cartridge = romRowTexts(uint32_t(romListAdd(writeRom(dir + "/c.img", 128, 0xABCDEF42, 0).c_str())));
    EXPECT_EQ(cartridge.type, "Application");
    EXPECT_EQ(cartridge.base, "$FA0000");
    EXPECT_EQ(cartridge.version + cartridge.date + cartridge.country, "");
}
