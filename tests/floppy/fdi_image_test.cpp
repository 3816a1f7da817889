// FDI images: standard tracks, command-stream tracks with the ID/data matching rules,
// and every reason a file is refused.
#include <gtest/gtest.h>

#include "support/disk_builders.h"
#include "floppy/disk_image.h"
#include "support/test_machine.h"

namespace {

Bytes standardTrackData(int track, int side, int sectors) {
    Bytes out;
    for (int n = 1; n <= sectors; ++n)
        for (int i = 0; i < 512; ++i) out.push_back(sectorByte(track, side, n, i));
    return out;
}

// A command-stream track: the MFM byte, the commands, the end command.
Bytes commandTrack(std::initializer_list<Bytes> pieces) {
    Bytes out = {0};
    for (const Bytes& p : pieces) out.insert(out.end(), p.begin(), p.end());
    out.push_back(0xFF);
    return out;
}

Bytes cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class FdiImageTest : public ::testing::Test {
protected:
    std::string dir = makeTempDir("fdi");
    void TearDown() override { EjectDisk(); }
    bool insert(const Bytes& image) {
        writeBytes(dir + "/t.fdi", image);
        return InsertDisk((dir + "/t.fdi").c_str());
    }
    void expectRefused(const Bytes& image, const char* message) {
        EXPECT_FALSE(insert(image)) << message;
        EXPECT_STREQ(driveA.errorMessage, message);
        EXPECT_FALSE(driveA.loaded);
    }
    static Bytes sectorRead(int t, int s, int n) {
        if (!ReadSector(t, s, uint32_t(n))) return {};
        Bytes out(driveA.lastSectorSize);
        for (size_t i = 0; i < out.size(); ++i) out[i] = driveA.sectorBuffer[i ^ 1];
        return out;
    }
};

}  // namespace

TEST_F(FdiImageTest, StandardTracksHoldNineOrTenSectors) {
    Bytes image = fdiImage(2, 2, {{3, standardTrackData(0, 0, 9)}, {4, standardTrackData(0, 1, 10)},
                                  {3, standardTrackData(1, 0, 9)}, {4, standardTrackData(1, 1, 10)}});
    writeBytes(dir + "/s.fdi", image);
    DiskImageInfo info{};
    ASSERT_TRUE(DetectDiskImage((dir + "/s.fdi").c_str(), &info));
    EXPECT_EQ(info.format, uint32_t(DISK_FORMAT_FDI));
    EXPECT_EQ(info.sides, 2);
    EXPECT_EQ(info.tracks, 2);
    ASSERT_TRUE(insert(image));
    EXPECT_EQ(driveA.layout, uint32_t(DISK_LAYOUT_FDI_TRACKS));
    Bytes lastTrack = standardTrackData(1, 1, 10);
    EXPECT_EQ(sectorRead(1, 1, 10), Bytes(lastTrack.end() - 512, lastTrack.end()));
    EXPECT_EQ(sectorRead(0, 0, 1), standardTrackData(0, 0, 1));
    EXPECT_EQ(driveA.lastSectorSize, 512u);
    EXPECT_FALSE(ReadSector(0, 0, 10));
    EXPECT_FALSE(ReadSector(2, 0, 1));
    EXPECT_FALSE(ReadSector(0, 2, 1));
}

TEST_F(FdiImageTest, ASectorIsItsIdFollowedByItsData) {
    Bytes a = fdiSector512(0x10), b = fdiSector512(0x20), c = fdiSector512(0x30), d = fdiSector512(0x40);
    Bytes small(256);
    for (int i = 0; i < 256; ++i) small[i] = uint8_t(0x80 + i);
    Bytes side0 = commandTrack({
        {0x00, 0x05, 0x08, 0x12, 0x34},  // no-operand commands and a 2-byte skip
        {0x0A, 0x00, 0x10, 0xAA, 0xBB},  // 16 raw bits: two bytes skipped
        cat({21, 1, 25}, a),             // ID then data: sector 1
        cat({21, 2, 21, 3, 25}, b),      // a second ID cancels the first: only sector 3 is found
        cat({19, 7, 0, 4, 2, 25}, c),    // an ID for another track: sector 4 is not on track 0
        cat({29, 5}, d),                 // sector 5, ID and data in one command
        cat(cat({21, 6, 27, 2}, a), {0xCC, 0xDD}),  // data with its two CRC bytes
    });
    Bytes side1 = commandTrack({
        cat({19, 0, 3, 1, 1, 26, 1}, small),  // side 3 in the ID is side 1; 256 bytes
        cat({28, 0, 1, 2, 2}, b),             // ID and data of sector 2 in one command
    });
    ASSERT_TRUE(insert(fdiImage(1, 2, {{0xE2, side0}, {0xE2, side1}})));
    EXPECT_EQ(sectorRead(0, 0, 1), a);
    EXPECT_FALSE(ReadSector(0, 0, 2));
    EXPECT_EQ(sectorRead(0, 0, 3), b);
    EXPECT_FALSE(ReadSector(0, 0, 4));
    EXPECT_EQ(sectorRead(0, 0, 5), d);
    EXPECT_EQ(sectorRead(0, 0, 6), a);
    EXPECT_EQ(sectorRead(0, 1, 1), small);
    EXPECT_EQ(driveA.lastSectorSize, 256u);
    EXPECT_EQ(sectorRead(0, 1, 2), b);
    EXPECT_FALSE(ReadSector(0, 0, 7));
}

TEST_F(FdiImageTest, WritesReportSuccessAndChangeNothing) {
    ASSERT_TRUE(insert(fdiImage(1, 1, {{3, standardTrackData(0, 0, 9)}})));
    Bytes before = driveA.data;
    EXPECT_TRUE(WriteSector(0, 0, 1, 0x1000));
    EXPECT_TRUE(WriteSector(0, 0, 12, 0x1000));
    EXPECT_FALSE(WriteSector(1, 0, 1, 0x1000));
    EXPECT_EQ(driveA.data, before);
}

TEST_F(FdiImageTest, BrokenFilesAreRefusedWithTheirReason) {
    const char* endNotFound = "ERROR: End track command (FF) not found in FDI file";
    expectRefused(fdiImage(1, 1, {{0xE2, {1, 21, 1, 0xFF}}}), "Only MFM Track encoding supported.");
    expectRefused(fdiImage(1, 1, {{0xE2, {0, 21, 1}}}), endNotFound);        // zero padding runs to the end
    expectRefused(fdiImage(1, 1, {{0xE2, {0, 0xFF}}}), endNotFound);         // nothing emitted
    expectRefused(fdiImage(1, 1, {{0xE2, {0, 21, 1}, 0}}), endNotFound);     // an empty track
    Bytes filled(256, 0);
    filled[254] = 8;  // two operand bytes wanted, one left in the track
    expectRefused(fdiImage(1, 1, {{0xE2, filled}}), endNotFound);
    expectRefused(fdiImage(1, 1, {{0xE2, {0, 21, 1, 23, 0xFF}}}), "CRC error in sector !");
    expectRefused(fdiImage(1, 1, {{0xE2, {0, 0x40, 0xFF}}}), "ERROR: Unknown command byte in FDI file !");
    expectRefused(fdiImage(1, 1, {{5, standardTrackData(0, 0, 9)}}), "Unsupported FDI Track type.");
    expectRefused(fdiImage(1, 0, {}), "FDI image declares no sides.");  // the sides byte $FF
    expectRefused(fdiImage(1, 3, {}), "FDI image declares more than two sides.");

    const char* tooLarge = "FDI sector size above 1024 bytes (size code 3) is not supported.";
    expectRefused(fdiImage(1, 1, {{0xE2, {0, 19, 0, 0, 1, 4, 0xFF}}}), tooLarge);
    expectRefused(fdiImage(1, 1, {{0xE2, {0, 21, 1, 26, 31, 0xFF}}}), tooLarge);
    expectRefused(fdiImage(1, 1, {{0xE2, {0, 28, 0, 0, 1, 5, 0xFF}}}), tooLarge);

    Bytes cut = fdiImage(1, 1, {{3, standardTrackData(0, 0, 9)}});
    cut.resize(cut.size() - 1);
    expectRefused(cut, "FDI image is truncated.");
    Bytes cutStream = fdiImage(1, 1, {{0xE2, cat({0, 21, 1, 25}, fdiSector512(0))}});
    cutStream.resize(512 + 100);
    expectRefused(cutStream, "FDI image is truncated.");
    expectRefused(fdiImage(91, 2, {}), "FDI image has more than 180 tracks.");
}
