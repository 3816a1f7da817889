// Hard disk images: which layouts are taken and which refused with what reason, and the
// write-back of the ST's changes through the journal, which never leaves an image half
// written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "bus/machine_settings.h"
#include "floppy/hard_disk_image.h"
#include "floppy/hard_disk_journal.h"
#include "floppy/hard_disk_layout.h"
#include "support/hard_disk_builder.h"
#include "support/test_machine.h"

namespace {

constexpr uint32_t SECTORS = 64;

void be32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (24 - 8 * i));
}
void le32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
// An Atari partition entry (12 bytes) or a DOS one (16 bytes) at `at` of sector `sector`.
void atariEntry(Bytes& image, uint32_t sector, uint32_t at, const char* id, uint32_t start, uint32_t size) {
    uint8_t* e = &image[sector * 512 + at];
    e[0] = 1;
    std::copy(id, id + 3, e + 1);
    be32(e + 4, start);
    be32(e + 8, size);
}
void dosEntry(Bytes& image, uint32_t sector, int index, uint8_t type, uint32_t start, uint32_t size) {
    uint8_t* e = &image[sector * 512 + 0x1BE + 16 * index];
    e[4] = type;
    le32(e + 8, start);
    le32(e + 12, size);
    image[sector * 512 + 510] = 0x55, image[sector * 512 + 511] = 0xAA;
}
Bytes blank() { return Bytes(SECTORS * 512, 0); }
Bytes filled() {
    Bytes image = blank();
    for (size_t i = 0; i < image.size(); ++i) image[i] = uint8_t(i * 13 + 7);
    return image;
}

}  // namespace

TEST(HardDiskLayout, TablesAreReadAsDriversReadThemAndMustFitTheImage) {
    struct Case {
        const char* what;
        std::function<Bytes()> make;
        HardDiskLayout layout;
        uint64_t needed;
        const char* problem;  // part of the reason, or "" when usable
    };
    const Case cases[] = {
        {"AHDI partitions", [] { Bytes b = blank(); atariEntry(b, 0, 0x1C6, "GEM", 2, 30); atariEntry(b, 0, 0x1D2, "BGM", 32, 32); return b; },
         HardDiskLayout::Atari, 64, ""},
        {"an AHDI partition past the end",
         [] { Bytes b = blank(); atariEntry(b, 0, 0x1C6, "GEM", 2, 63); return b; }, HardDiskLayout::Atari, 65,
         "smaller than its partition table says (64 sectors; the partition table needs 65)"},
        {"ICD's further entries", [] { Bytes b = blank(); atariEntry(b, 0, 0x1C6, "GEM", 2, 20); atariEntry(b, 0, 0x156, "BGM", 22, 50); return b; },
         HardDiskLayout::Atari, 72, "needs 72"},
        {"an XGM chain", [] {
             Bytes b = blank();
             atariEntry(b, 0, 0x1C6, "XGM", 10, 54);
             atariEntry(b, 10, 0x1C6, "GEM", 1, 9);   // sectors 11-19
             atariEntry(b, 10, 0x1D2, "XGM", 20, 0);  // the next link at 10 + 20
             atariEntry(b, 30, 0x1C6, "GEM", 1, 40);  // sectors 31-70
             return b; },
         HardDiskLayout::Atari, 71, "needs 71"},
        {"an XGM chain that loops", [] {
             Bytes b = blank();
             atariEntry(b, 0, 0x1C6, "XGM", 10, 54);
             atariEntry(b, 10, 0x1C6, "GEM", 1, 9);
             atariEntry(b, 10, 0x1D2, "XGM", 0, 0);  // back to itself
             return b; },
         HardDiskLayout::Atari, 20, ""},
        {"a DOS partition", [] { Bytes b = blank(); dosEntry(b, 0, 0, 0x06, 2, 62); return b; }, HardDiskLayout::Dos, 64, ""},
        {"a DOS extended partition", [] {
             Bytes b = blank();
             dosEntry(b, 0, 0, 0x05, 8, 56);
             dosEntry(b, 8, 0, 0x06, 1, 20);   // sectors 9-28
             dosEntry(b, 8, 1, 0x05, 30, 26);  // the next record at 8 + 30
             dosEntry(b, 38, 0, 0x06, 1, 40);  // sectors 39-78
             return b; },
         HardDiskLayout::Dos, 79, "needs 79"},
        {"a bare FAT16 partition", [] { return hardDiskImage(PartitionTable::None, 8400, {}); }, HardDiskLayout::BarePartition, 8400, ""},
        {"a bare FAT16 partition cut short", [] { Bytes b = hardDiskImage(PartitionTable::None, 8400, {}); b.resize(8000 * 512); return b; },
         HardDiskLayout::BarePartition, 8400, "smaller than its FAT boot sector says (8000 sectors; the FAT boot sector needs 8400)"},
        {"a FAT boot sector without its mark", [] { Bytes b = hardDiskImage(PartitionTable::None, 8400, {}); b[510] = 0; return b; },
         HardDiskLayout::Unknown, 0, "lacks the $55AA mark"},
        {"a blank disk", blank, HardDiskLayout::Blank, 0, ""},
        {"garbage", filled, HardDiskLayout::Unknown, 0, "neither an Atari (AHDI or ICD) or DOS partition table nor a FAT boot sector"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes image = c.make();
        HardDiskLayoutCheck check = checkHardDiskLayout(image.data(), image.size() / 512);
        EXPECT_EQ(check.layout, c.layout);
        if (c.layout != HardDiskLayout::Unknown) {
            EXPECT_EQ(check.sectorsNeeded, c.needed);
        }
        if (*c.problem) {
            EXPECT_NE(check.problem.find(c.problem), std::string::npos) << check.problem;
        } else {
            EXPECT_EQ(check.problem, "");
        }
    }
}

namespace {

class HardDiskFiles : public ::testing::Test {
protected:
    std::string dir = makeTempDir("hard_disk");
    std::string image = dir + "/hd.img";
    Bytes original = hardDiskImage(PartitionTable::Atari, 8400, {{"READ.TXT", Bytes(3000, 'r')}});

    void SetUp() override { writeBytes(image, original); }
    void TearDown() override {
        for (uint32_t id = 0; id < HARD_DISKS; ++id) hardDiskDetach(id);
        machineSettings = MachineSettings{};
    }
    // The ST writes `value` over a sector.
    static void stWrites(uint32_t lba, uint8_t value) {
        std::fill(hardDiskSector(0, lba), hardDiskSector(0, lba) + 512, value);
        hardDiskMarkChanged(0, lba, 1);
    }
    Bytes expected(std::initializer_list<std::pair<uint32_t, uint8_t>> sectors) const {
        Bytes b = original;
        for (auto [lba, value] : sectors) std::fill(b.begin() + lba * 512, b.begin() + (lba + 1) * 512, value);
        return b;
    }
};

}  // namespace

TEST_F(HardDiskFiles, ImagesThatCannotBeUsedAreRefusedWithTheirReason) {
    std::filesystem::create_directory(dir + "/folder");
    writeBytes(dir + "/empty.img", {});
    writeBytes(dir + "/odd.img", Bytes(1000, 0));
    writeBytes(dir + "/garbage.img", filled());
    Bytes cut = original;
    cut.resize(4000 * 512);
    writeBytes(dir + "/cut.img", cut);
    const std::pair<const char*, const char*> cases[] = {
        {"missing.img", "it cannot be opened (No such file or directory)."},
        {"folder", "it is not a regular file."},
        {"empty.img", "it is empty."},
        {"odd.img", "its size is not a whole number of 512-byte sectors."},
        {"garbage.img", "it holds neither an Atari (AHDI or ICD) or DOS partition table nor a FAT boot sector."},
        {"cut.img", "it is smaller than its partition table says (4000 sectors; the partition table needs 8402)."},
        {"hd.img", "it is already attached as ACSI device 0."},
    };
    ASSERT_TRUE(hardDiskAttach(0, image)) << hardDiskError;
    for (auto [name, reason] : cases) {
        std::string path = dir + "/" + name;
        EXPECT_FALSE(hardDiskAttach(1, path)) << name;
        EXPECT_EQ(hardDiskError, "Cannot use the hard disk image " + path + ": " + reason);
        EXPECT_FALSE(hardDiskAttached(1));
    }
    EXPECT_TRUE(hardDiskAttached(0));
}

// Changes stay in memory until write-back is on; then only the changed sectors reach the
// file, and the journal is gone afterwards.
TEST_F(HardDiskFiles, WriteBackWritesTheChangedSectorsOnlyWhenOn) {
    ASSERT_TRUE(hardDiskAttach(0, image)) << hardDiskError;
    stWrites(5, 0xAA);
    stWrites(900, 0xBB);
    EXPECT_TRUE(hardDiskWriteBack(0));
    EXPECT_EQ(readFileBytes(image), original);
    EXPECT_EQ(hardDiskChangedSectors(0), (std::vector<uint32_t>{5, 900}));

    machineSettings.acsiWriteBack = 1;
    EXPECT_TRUE(hardDiskWriteBack(0)) << hardDiskError;
    EXPECT_EQ(readFileBytes(image), expected({{5, 0xAA}, {900, 0xBB}}));
    EXPECT_TRUE(hardDiskChangedSectors(0).empty());
    EXPECT_FALSE(std::filesystem::exists(journalPath(image)));

    hardDiskDetach(0);  // unwritten changes are dropped
    ASSERT_TRUE(hardDiskAttach(0, image));
    stWrites(6, 0xCC);
    hardDiskDetach(0);
    EXPECT_EQ(readFileBytes(image), expected({{5, 0xAA}, {900, 0xBB}}));
}

// A host write that fails while the journal is written leaves the image as it was and
// the changes in memory; one that fails while the image is written leaves the journal,
// which completes the write-back when the image is attached again. A damaged journal is
// refused rather than applied.
TEST_F(HardDiskFiles, AFailedWriteBackNeverLeavesTheImageHalfWritten) {
    machineSettings.acsiWriteBack = 1;
    ASSERT_TRUE(hardDiskAttach(0, image));
    stWrites(3, 0x11);
    stWrites(8000, 0x22);
    {
        FileSizeLimit limit(600);  // less than the journal of two sectors
        EXPECT_FALSE(hardDiskWriteBack(0));
    }
    EXPECT_NE(hardDiskError.find("Cannot write back the hard disk image " + image + ": "), std::string::npos);
    EXPECT_EQ(readFileBytes(image), original);
    EXPECT_FALSE(std::filesystem::exists(journalPath(image)));
    EXPECT_EQ(hardDiskChangedSectors(0).size(), 2u);
    {
        FileSizeLimit limit(100000);  // room for the journal, not for sector 8000 of the image
        EXPECT_FALSE(hardDiskWriteBack(0));
    }
    EXPECT_NE(hardDiskError.find("completes it when the image is next attached"), std::string::npos) << hardDiskError;
    EXPECT_TRUE(std::filesystem::exists(journalPath(image)));
    Bytes journal = readFileBytes(journalPath(image));

    ASSERT_TRUE(hardDiskAttach(0, image)) << hardDiskError;
    EXPECT_EQ(readFileBytes(image), expected({{3, 0x11}, {8000, 0x22}}));
    EXPECT_FALSE(std::filesystem::exists(journalPath(image)));
    EXPECT_TRUE(hardDiskChangedSectors(0).empty());
    hardDiskDetach(0);

    journal.pop_back();
    writeBytes(journalPath(image), journal);
    EXPECT_FALSE(hardDiskAttach(0, image));
    EXPECT_EQ(hardDiskError, "Cannot use the hard disk image " + image + ": its write-back journal " +
                                 journalPath(image) + " is damaged; remove it to use the image as it stands.");

    // A FIFO at the journal's name would wait for a writer for good: it is refused at once.
    std::filesystem::remove(journalPath(image));
    ASSERT_EQ(::mkfifo(journalPath(image).c_str(), 0600), 0);
    EXPECT_FALSE(hardDiskAttach(0, image));
    EXPECT_NE(hardDiskError.find("is damaged"), std::string::npos) << hardDiskError;
}
