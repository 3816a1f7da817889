// Detection, loading and sector access of ST, MSA and DIM images, plain and zipped.
#include <gtest/gtest.h>

#include "bus/hardware_state.h"
#include "bus/st_memory.h"
#include "floppy/disk_image.h"
#include "support/disk_builders.h"
#include "support/test_machine.h"

namespace {

class DiskImageTest : public ::testing::Test {
protected:
    std::string dir = makeTempDir("disk");
    void TearDown() override { EjectDisk(); }
    std::string write(const std::string& name, const Bytes& bytes) const {
        writeBytes(dir + "/" + name, bytes);
        return dir + "/" + name;
    }
    // Format, sides, tracks and sectors per track as detected.
    static std::vector<int> geometry(const std::string& path) {
        DiskImageInfo info{};
        if (!DetectDiskImage(path.c_str(), &info)) return {};
        return {int(info.format), info.sides, info.tracks, info.sectorsPerTrack};
    }
    // A sector as it reads back (in file order) matches the test pattern.
    static bool readsBack(int t, int s, int n) {
        if (!ReadSector(t, s, uint32_t(n)) || driveA.lastSectorSize != 512) return false;
        for (int i = 0; i < 512; ++i)
            if (driveA.sectorBuffer[i ^ 1] != sectorByte(t, s, n, i)) return false;
        return true;
    }
};

}  // namespace

TEST_F(DiskImageTest, RawImagesAreSizedByBootSectorOrLength) {
    EXPECT_EQ(geometry(write("a.st", Bytes(737280, 0))), (std::vector<int>{0, 2, 72, 10}));
    EXPECT_EQ(geometry(write("b.st", Bytes(373248, 0))), (std::vector<int>{0, 1, 81, 9}));
    EXPECT_EQ(geometry(write("c.st", Bytes(368640, 0))), (std::vector<int>{0, 1, 72, 10}));
    EXPECT_EQ(geometry(write("d.st", rawImageWithBootSector(80, 2, 9))), (std::vector<int>{0, 2, 80, 9}));
    for (size_t size : {737281, 1827 * 512, 511, 7 * 512}) EXPECT_TRUE(geometry(write("x.st", Bytes(size, 0))).empty()) << size;

    std::string path = write("g.st", rawImageWithBootSector(80, 2, 9));
    DiskImageInfo info{};
    ASSERT_TRUE(DetectDiskImage(path.c_str(), &info));
    EXPECT_TRUE(info.plainFile);
    EXPECT_FLOAT_EQ(info.percentPresent, 100.0f);
    ASSERT_TRUE(InsertDisk(path.c_str()));
    EXPECT_STREQ(insertedDiskPath(), path.c_str());
    EXPECT_TRUE(readsBack(79, 1, 9));
    EXPECT_TRUE(readsBack(40, 0, 2));
    EXPECT_EQ(driveA.sectorBuffer[0], driveA.data[40 * 2 * 9 * 512 + 512 + 1]);  // ST memory order
    for (auto [t, s, n] : {std::tuple{0, 0, 0}, {0, 0, 10}, {80, 0, 1}, {-1, 0, 1}, {0, 2, 1}, {0, -1, 1}})
        EXPECT_FALSE(ReadSector(t, s, uint32_t(n))) << t << " " << s << " " << n;
    EjectDisk();
    EXPECT_FALSE(ReadSector(0, 0, 1));
    EXPECT_STREQ(insertedDiskPath(), "");
}

TEST_F(DiskImageTest, MsaStoredAndRunLengthTracks) {
    Bytes raw = rawImage(3, 2, 9);
    std::fill(raw.begin() + 2 * 9 * 512, raw.begin() + 2 * 9 * 512 + 3000, 0x00);
    raw[2 * 9 * 512 + 3000] = 0xE5;  // a literal $E5 among the runs
    std::string path = write("m.msa", msaImage(raw, 3, 2, 9, {2, 3}));
    EXPECT_EQ(geometry(path), (std::vector<int>{1, 2, 3, 9}));
    ASSERT_TRUE(InsertDisk(path.c_str()));
    EXPECT_EQ(driveA.data, raw);

    // A run of three, then a run reaching past the end of the track: cut there.
    Bytes msa = msaImage(Bytes(512, 0), 1, 1, 1, {});
    msa.resize(10);
    msa.insert(msa.end(), {0, 10, 'A', 'B', 0xE5, 'v', 0x00, 0x03, 0xE5, 'w', 0x10, 0x00});
    msa.resize(512, 0);
    ASSERT_TRUE(InsertDisk(write("r.msa", msa).c_str()));
    ASSERT_EQ(driveA.data.size(), 512u);
    EXPECT_EQ(Bytes(driveA.data.begin(), driveA.data.begin() + 6), (Bytes{'A', 'B', 'v', 'v', 'v', 'w'}));
    EXPECT_EQ(driveA.data[511], 'w');
}

TEST_F(DiskImageTest, TruncatedEmptyOrOversizedMsaIsRefused) {
    Bytes msa = msaImage(rawImage(2, 1, 9), 2, 1, 9, {1});
    for (size_t cut : {size_t(20), size_t(1)}) {
        EXPECT_FALSE(InsertDisk(write("cut.msa", Bytes(msa.begin(), msa.end() - cut)).c_str()));
        EXPECT_STREQ(driveA.errorMessage, "MSA image is truncated.");
    }
    Bytes empty = msa;
    empty[2] = empty[3] = 0;  // no sectors per track
    EXPECT_FALSE(InsertDisk(write("empty.msa", empty).c_str()));
    EXPECT_STREQ(driveA.errorMessage, "MSA image has no sectors.");
    msa[2] = msa[3] = msa[8] = msa[9] = 0xFF;  // 65536 tracks of 65535 sectors
    msa.resize(300000, 0);
    EXPECT_FALSE(InsertDisk(write("huge.msa", msa).c_str()));
    EXPECT_STREQ(driveA.errorMessage, "MSA image geometry is too large.");
    EXPECT_FALSE(driveA.loaded);
}

TEST_F(DiskImageTest, DimDropsItsHeaderAndHonoursItsSides) {
    Bytes raw = rawImage(80, 2, 9), dim = dimHeader(79, 2, 9);
    dim.insert(dim.end(), raw.begin(), raw.end());
    std::string path = write("d.dim", dim);
    EXPECT_EQ(geometry(path), (std::vector<int>{2, 2, 80, 9}));
    ASSERT_TRUE(InsertDisk(path.c_str()));
    EXPECT_TRUE(readsBack(79, 1, 9));
    dim[14] = 0;  // zero sides: nothing to read
    ASSERT_TRUE(InsertDisk(write("z.dim", dim).c_str()));
    EXPECT_FALSE(ReadSector(0, 0, 1));
    dim[12] = 83;  // more tracks declared than the file holds
    dim[14] = 2;
    DiskImageInfo info{};
    ASSERT_TRUE(DetectDiskImage(write("s.dim", dim).c_str(), &info));
    EXPECT_LT(info.percentPresent, 100.0f);
    ASSERT_TRUE(InsertDisk((dir + "/s.dim").c_str()));
    EXPECT_TRUE(readsBack(79, 1, 9));
    EXPECT_FALSE(ReadSector(80, 0, 1));
}

TEST_F(DiskImageTest, WrittenSectorsReadBackUntilEjectAndTheFileStaysUnchanged) {
    setUpMemoryMap();
    Bytes raw = rawImageWithBootSector(80, 2, 9);
    std::string path = write("w.st", raw);
    ASSERT_TRUE(InsertDisk(path.c_str()));
    for (int i = 0; i < 512; ++i) stWriteByte(hw.ram, 0x10000 + i, uint8_t(i * 3 + 1));
    ASSERT_TRUE(WriteSector(5, 1, 3, 0xC10000));  // the address is taken modulo 4 MB
    EXPECT_TRUE(driveA.modified);
    ASSERT_TRUE(ReadSector(5, 1, 3));
    EXPECT_EQ(driveA.sectorBuffer[0], 4);
    EXPECT_EQ(driveA.sectorBuffer[511 ^ 1], uint8_t(511 * 3 + 1));
    EXPECT_TRUE(readsBack(5, 1, 4));
    for (auto [t, n] : {std::pair{5, 0}, {5, 10}, {80, 1}}) EXPECT_FALSE(WriteSector(t, 0, uint32_t(n), 0x10000));
    EXPECT_EQ(readFileBytes(path), raw);
    ASSERT_TRUE(InsertDisk(insertedDiskPath()));
    EXPECT_FALSE(driveA.modified);
    EXPECT_TRUE(readsBack(5, 1, 3));
}

TEST_F(DiskImageTest, ImagesLoadFromZipMembers) {
    Bytes raw = rawImageWithBootSector(80, 2, 9);
    Bytes msa = msaImage(rawImage(10, 2, 9), 10, 2, 9, {0, 5});
    write("set.zip", buildZip({{"notes.txt", Bytes(600, 'x')}, {"GAME.ST", raw}, {"game.msa", msa, false}}));
    std::string stPath = dir + "/set.zip/game.st";
    EXPECT_EQ(geometry(stPath), (std::vector<int>{0, 2, 80, 9}));
    DiskImageInfo info{};
    DetectDiskImage(stPath.c_str(), &info);
    EXPECT_FALSE(info.plainFile);
    ASSERT_TRUE(InsertDisk(stPath.c_str()));
    EXPECT_STREQ(insertedDiskPath(), stPath.c_str());
    EXPECT_EQ(driveA.data, raw);
    ASSERT_TRUE(InsertDisk((dir + "/set.zip/GAME.MSA").c_str()));
    EXPECT_TRUE(readsBack(9, 1, 9));

    // A damaged member is refused, not loaded with wrong sectors.
    write("bad.zip", buildZip({{"game.st", raw, true, 0x80000000}}));
    EXPECT_FALSE(InsertDisk((dir + "/bad.zip/game.st").c_str()));
    EXPECT_FALSE(driveA.loaded);
    EXPECT_STREQ(insertedDiskPath(), "");
    EXPECT_FALSE(InsertDisk((dir + "/set.zip/other.st").c_str()));
    EXPECT_FALSE(InsertDisk("a"));
}
