// YM6 and WAV recording: file names, waiting for the chip, messages, file contents.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "media/recorder.h"
#include "sound/ym2149.h"
#include "support/test_machine.h"
#include "ym6_reader.h"

namespace fs = std::filesystem;

namespace {

class Recorder : public ::testing::Test {
protected:
    std::string dir = makeTempDir("recorder");
    WorkingDirectory inDir{dir};
    int16_t frame[2 * 881] = {};  // left, right

    void SetUp() override {
        fs::create_directory("sound");
        ymReset(ymChip);
        for (int i = 0; i < 2 * 881; ++i) frame[i] = int16_t(i * 17 - 16000);
    }
    void TearDown() override {
        recorderStop();
        fs::remove_all(dir);
    }
    static void touch(const std::string& path) { std::ofstream(path) << "x"; }
    void record(int frames) {
        for (int f = 0; f < frames; ++f) recorderRecordFrame(frame, 881);
    }
    static void makeChipAudible() {
        ymWriteRegister(ymChip, 0, 0x1C);
        ymWriteRegister(ymChip, 7, 0x3E);
        ymWriteRegister(ymChip, 8, 15);
    }
    static uint32_t little32(const std::vector<uint8_t>& b, size_t at) {
        return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
    }
};

}  // namespace

TEST_F(Recorder, RecordingsAreNumberedPerExtension) {
    touch("sound/song_000.ym");
    touch("sound/song_001.ym");
    touch("sound/song_000.wav");
    ASSERT_TRUE(recorderStart(true, true));
    EXPECT_STREQ(recorderFileName(), "sound/song_002.ym");
    EXPECT_FALSE(recorderStart(false, false));  // one recording at a time
    recorderStop();
    ASSERT_TRUE(recorderStart(false, false));
    EXPECT_STREQ(recorderFileName(), "sound/song_001.wav");
    recorderStop();
    EXPECT_STREQ(recorderLastMessage(), "sound/song_001.wav is saved.");
    EXPECT_FALSE(recorderRunning());
}

TEST_F(Recorder, WaitingForTheChipAndCancelling) {
    ASSERT_TRUE(recorderStart(true, true));
    EXPECT_STREQ(recorderLastMessage(), "Waiting for YM Chip access...");
    record(5);
    ymWriteRegister(ymChip, 7, 0x3E);  // a tone enabled, but every volume still 0
    record(5);
    EXPECT_STREQ(recorderLastMessage(), "Waiting for YM Chip access...");
    recorderStop();
    EXPECT_STREQ(recorderLastMessage(), "Recording canceled.");
    EXPECT_FALSE(fs::exists("sound/song_000.ym"));
}

TEST_F(Recorder, YmRecordingStartsWithTheChipAndMarksEnvelopeRestarts) {
    ASSERT_TRUE(recorderStart(true, true));
    record(2);
    makeChipAudible();
    record(1);
    EXPECT_STREQ(recorderLastMessage(), "Recording YM file. (0:00)");
    ymWriteRegister(ymChip, 13, 0x0A);
    record(1);
    ymWriteRegister(ymChip, 1, 0x13);  // stored masked: coarse tone has 4 bits
    record(1);
    recorderStop();
    EXPECT_STREQ(recorderLastMessage(), "sound/song_000.ym is saved.");

    Ym6Song song = readYm6(readFileBytes("sound/song_000.ym"));
    ASSERT_TRUE(song.valid);
    EXPECT_EQ(song.frames, 3u);
    EXPECT_EQ(song.attributes, 1u);  // interleaved registers
    EXPECT_EQ(song.name, "sound/song_000.ym");
    EXPECT_EQ(song.registers[0], (std::vector<uint8_t>{0x1C, 0x1C, 0x1C}));
    EXPECT_EQ(song.registers[1], (std::vector<uint8_t>{0x00, 0x00, 0x03}));
    EXPECT_EQ(song.registers[7], (std::vector<uint8_t>{0x3E, 0x3E, 0x3E}));
    EXPECT_EQ(song.registers[13], (std::vector<uint8_t>{0xFF, 0x0A, 0xFF}));
}

TEST_F(Recorder, WavRecordingShowsItsTimeAndWritesTheSamples) {
    ASSERT_TRUE(recorderStartToFile(false, dir + "/take.wav"));
    record(500);
    EXPECT_STREQ(recorderLastMessage(), "Recording WAV file. (0:09)");
    recorderStop();
    EXPECT_EQ(std::string(recorderLastMessage()), dir + "/take.wav is saved.");
    auto file = readFileBytes(dir + "/take.wav");
    ASSERT_EQ(file.size(), 44u + 500 * 881 * 4);
    EXPECT_EQ(little32(file, 4), 36u + 500 * 881 * 4);
    EXPECT_EQ(little32(file, 40), 500u * 881 * 4);
    EXPECT_EQ(int16_t(file[44 + 2 * 3] | file[45 + 2 * 3] << 8), frame[3]);  // the second sample's right
    EXPECT_EQ(int16_t(file.back() << 8 | file[file.size() - 2]), frame[2 * 881 - 1]);
}

TEST_F(Recorder, AnEmptyWavRecordingIsAHeaderAlone) {
    ASSERT_TRUE(recorderStart(false, true));  // WAV mode never waits
    recorderStop();
    auto file = readFileBytes("sound/song_000.wav");
    ASSERT_EQ(file.size(), 44u);
    const uint8_t expected[44] = {'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                  16, 0, 0, 0, 1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 0x02, 0,
                                  4, 0, 16, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};  // stereo, 176400 bytes a second
    EXPECT_EQ(file, std::vector<uint8_t>(expected, expected + 44));
}

TEST_F(Recorder, FilesThatCannotBeWrittenAreReportedByName) {
    EXPECT_FALSE(recorderStartToFile(false, dir + "/missing/take.wav"));
    EXPECT_FALSE(recorderRunning());
    EXPECT_EQ(std::string(recorderLastMessage()), "ERROR: Unable to create " + dir + "/missing/take.wav !");
    ASSERT_TRUE(recorderStartToFile(true, dir + "/missing/take.ym"));
    record(3);  // no waiting: recorded even while the chip is silent
    recorderStop();
    EXPECT_EQ(std::string(recorderLastMessage()), "ERROR: Unable to write " + dir + "/missing/take.ym !");
}
