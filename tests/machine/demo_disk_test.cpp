// The demo disk booted by the built-in ROM: rasters on every line from the opened top
// border to the opened bottom border, the scrolling text, the keyboard, the music and,
// on an STE, DMA sound. The expectations come from the Shifter's and the MFP's rules
// and from the demo's design (bars, colours, song), not from its code.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <string>

#include "boot_test_support.h"
#include "bus/hardware_state.h"
#include "bus/memory_map.h"
#include "frontend/run_loop.h"
#include "frontend/scripted_input.h"
#include "media/recorder.h"
#include "sound/dma_sound.h"
#include "support/test_machine.h"

namespace {

// With both borders open the Shifter shows frame lines 34-305.
constexpr int FIRST_LINE = 34;
constexpr int LAST_LINE = 305;
constexpr int NORMAL_FIRST_LINE = 63;  // without the top border trick
constexpr int NORMAL_END_LINE = 263;   // the bottom border starts here when closed
constexpr int BACKGROUND_SLOT = 390;   // in the right border: colour 0 of the line, settled
// The bars: 13 lines, brightness 1-7-1 times a hue, one every 40 lines, on black.
constexpr int BAR_HEIGHT = 13;
constexpr int BAR_SPACING = 40;
const int BAR_LEVELS[BAR_HEIGHT] = {1, 2, 3, 4, 5, 6, 7, 6, 5, 4, 3, 2, 1};
const uint16_t HUES[] = {0x100, 0x010, 0x001, 0x110, 0x101, 0x011, 0x111};
const std::set<uint16_t> RAINBOW = {0x100, 0x110, 0x010, 0x011, 0x001, 0x101};  // the first theme
// Text colours: white to cyan down the info lines, yellow to red down the scroller.
const uint16_t INFO_GRADIENT[8] = {0x777, 0x677, 0x577, 0x477, 0x377, 0x277, 0x177, 0x077};
constexpr int DRUMS_LINE = FIRST_LINE + 126;
constexpr int SCROLLER_LINE = FIRST_LINE + 244;
const uint16_t SCROLLER_GRADIENT[8] = {0x770, 0x760, 0x750, 0x740, 0x730, 0x720, 0x710, 0x701};
const uint16_t LOGO_COLOURS[] = {0x760, 0x750, 0x740, 0x730, 0x720, 0x712, 0x604};

class DemoDisk : public testing::Test {
protected:
    void SetUp() override { scriptedInputClear(); }
    void TearDown() override {
        if (started) stopTestMachine();
        scriptedInputClear();
    }
    // Boots the demo on a fast drive: each command takes a moment, not the motor's and the
    // head's real time (the real-speed boot is in the frame output fingerprints).
    void boot(bool ste = false) {
        startTestMachine({builtRomPath(), builtDiskPath(), ste, 2, true});
        ASSERT_FALSE(HasFatalFailure());
        started = true;
        runTestFrames(60);
    }
    bool started = false;
};

// The hue and brightness whose colour a line shows; hue 0 for black or another colour.
struct BarColour {
    uint16_t hue = 0;
    int level = 0;
};
BarColour decodeBar(uint16_t host) {
    for (uint16_t hue : HUES)
        for (int level = 1; level <= 7; level++)
            if (hostColour(uint16_t(hue * level)) == host) return {hue, level};
    return {};
}

// Checks the background of every shown line: complete bars are 13 lines of one hue at
// brightness 1-7-1, 40 lines apart, black in between. Returns the hues seen.
std::set<uint16_t> checkBars(const Picture& picture) {
    std::set<uint16_t> hues;
    int previousStart = -1, completeBars = 0;
    for (int line = FIRST_LINE; line <= LAST_LINE;) {
        uint16_t colour = picture.at(line, BACKGROUND_SLOT);
        if (colour == hostColour(0)) {
            line++;
            continue;
        }
        int start = line;
        BarColour first = decodeBar(colour);
        EXPECT_NE(first.hue, 0) << "line " << line << " shows neither a bar nor black";
        while (line <= LAST_LINE && picture.at(line, BACKGROUND_SLOT) != hostColour(0)) {
            BarColour bar = decodeBar(picture.at(line, BACKGROUND_SLOT));
            EXPECT_EQ(bar.hue, first.hue) << "line " << line;
            hues.insert(bar.hue);
            line++;
        }
        if (start == FIRST_LINE || line > LAST_LINE) continue;  // cut by the picture's edge
        EXPECT_EQ(line - start, BAR_HEIGHT) << "bar at line " << start;
        for (int i = 0; i < BAR_HEIGHT && start + i < line; i++)
            EXPECT_EQ(decodeBar(picture.at(start + i, BACKGROUND_SLOT)).level, BAR_LEVELS[i]) << "line " << start + i;
        if (previousStart >= 0) {
            EXPECT_EQ(start - previousStart, BAR_SPACING) << "bar at line " << start;
        }
        previousStart = start;
        completeBars++;
    }
    EXPECT_GE(completeBars, 5);
    return hues;
}

int barLines(const Picture& picture, int from, int to) {
    int n = 0;
    for (int line = from; line <= to; line++) n += decodeBar(picture.at(line, BACKGROUND_SLOT)).hue != 0;
    return n;
}

// Pixels of the logo's colours on frame lines [from, to].
int logoPixels(const Picture& picture, int from, int to) {
    int n = 0;
    for (int line = from; line <= to; line++)
        for (int x = 0; x < 320; x++)
            for (uint16_t c : LOGO_COLOURS) n += picture.at(line, FIRST_PIXEL_SLOT + x) == hostColour(c);
    return n;
}

// Pixels of the scroller's lines drawn in its text colours.
std::vector<std::vector<bool>> scrollerPixels(const Picture& picture) {
    std::vector<std::vector<bool>> rows;
    for (int row = 0; row < 14; row++) {  // font rows 0-6, two lines each
        int line = SCROLLER_LINE + row;
        std::vector<bool> set(320);
        for (int x = 0; x < 320; x++)
            set[x] = picture.at(line, FIRST_PIXEL_SLOT + x) == hostColour(SCROLLER_GRADIENT[row / 2]);
        rows.push_back(set);
    }
    return rows;
}

TEST_F(DemoDisk, RastersColourEveryLineFromTheTopBorderToTheBottomBorder) {
    boot();
    Picture picture = capturePicture();
    for (int line = PICTURE_FIRST_LINE; line < FIRST_LINE; line++)
        EXPECT_EQ(picture.at(line, BACKGROUND_SLOT), hostColour(0)) << "above the picture, line " << line;
    for (int line = LAST_LINE + 1; line < PICTURE_FIRST_LINE + PICTURE_LINES; line++)
        EXPECT_EQ(picture.at(line, BACKGROUND_SLOT), hostColour(0)) << "below the picture, line " << line;
    checkBars(picture);
    // 29 lines of the top border and 43 of the bottom border hold at least a piece of a
    // bar, and one whole bar (27 black lines between bars).
    EXPECT_GE(barLines(picture, FIRST_LINE, NORMAL_FIRST_LINE - 1), 2);
    EXPECT_GE(barLines(picture, NORMAL_END_LINE, LAST_LINE), BAR_HEIGHT);

    EXPECT_GT(logoPixels(picture, FIRST_LINE, NORMAL_FIRST_LINE - 1), 100) << "lettering in the top border";

    // Colour 1 changes on every line of a text row: the gradient lands on the right lines.
    TextPlace drums = findText(picture, "Drums: YM2149 tone and noise");
    ASSERT_TRUE(drums.found);
    EXPECT_EQ(drums.line, DRUMS_LINE);
    for (int row = 0; row < 7; row++) EXPECT_EQ(drums.colours[row], hostColour(INFO_GRADIENT[row])) << "row " << row;
}

// The borders stay open in every frame, also while keys are typed: the keyboard's bytes
// arrive at the start of a frame, among other moments, and their interrupt may hold up
// the vertical blank and with it the timers of the borders.
TEST_F(DemoDisk, BothBordersStayOpenInEveryFrameWhileKeysAreTyped) {
    boot();
    std::string error;
    ASSERT_TRUE(scriptTypeText("Pack my box with five dozen liquor jugs. Sphinx of black quartz, judge my vow.",
                               int(framesEmulated), error))
        << error;
    int topClosed = 0, bottomClosed = 0;
    for (int frame = 0; frame < 250; frame++) {
        runTestFrames(1);
        Picture picture = capturePicture();
        topClosed += logoPixels(picture, 50, 50) < 20;  // line 50 shows only with the top border open
        // A closed bottom border is one colour: the rasters stop at line 263.
        std::set<uint16_t> colours;
        for (int line = NORMAL_END_LINE; line <= LAST_LINE; line++) colours.insert(picture.at(line, BACKGROUND_SLOT));
        bottomClosed += colours.size() < 5;
    }
    EXPECT_EQ(topClosed, 0);
    EXPECT_EQ(bottomClosed, 0);
}

// The scroller, in the bottom border, two lines a colour.
TEST_F(DemoDisk, TheTextScrollsFourPixelsAFrame) {
    boot();
    std::vector<std::vector<bool>> before = scrollerPixels(capturePicture());
    runTestFrames(1);
    std::vector<std::vector<bool>> after = scrollerPixels(capturePicture());
    ASSERT_NE(before, after);
    int shift = -1;
    for (int s = 1; s <= 16 && shift < 0; s++) {
        bool matches = true;
        for (size_t row = 0; row < before.size() && matches; row++)
            for (int x = 0; x + s < 320 && matches; x++) matches = after[row][x] == before[row][x + s];
        if (matches) shift = s;
    }
    EXPECT_EQ(shift, 4);
}

TEST_F(DemoDisk, AKeyPressChangesTheBarColours) {
    boot();
    EXPECT_EQ(checkBars(capturePicture()), RAINBOW);
    std::string error;
    ASSERT_TRUE(scriptTypeText("x", int(framesEmulated) + 1, error)) << error;
    runTestFrames(10);
    std::set<uint16_t> after = checkBars(capturePicture());
    EXPECT_NE(after, RAINBOW);
    EXPECT_TRUE(after.count(0x111)) << "the second theme has white bars";
}

// Over four seconds of sound, the strongest tones of the melody's range (200-1100 Hz,
// above the bass, the drums and what the 50 Hz player ticks add) are equal-tempered
// notes (A4 = 440 Hz) of the song's keys, A minor and its E major chord, the tonic A
// among them: the music plays at its pitches. (The chip's clock, 8021248 / 4 Hz, is
// 0.27 % above the 2 MHz the song was tuned for; that is 5 cents.)
TEST_F(DemoDisk, TheMusicPlaysItsNotesAtTheirPitches) {
    boot();
    std::string dir = makeTempDir("demo_music");
    std::string wav = dir + "/music.wav";
    ASSERT_TRUE(recorderStartToFile(false, wav));
    runTestFrames(200);
    recorderStop();
    std::vector<int16_t> samples = readWavSamples(wav);
    std::filesystem::remove_all(dir);
    ASSERT_GE(samples.size(), 150000u);
    double energy = 0;
    for (int16_t s : samples) energy += double(s) * s;
    EXPECT_GT(std::sqrt(energy / double(samples.size())), 500.0) << "the sound is not silent";

    const std::set<int> songPitchClasses = {9, 11, 0, 2, 4, 5, 7, 8};  // A B C D E F G G#
    std::vector<double> peaks = spectralPeaks(samples, 200, 1100, 4, 1.1);
    ASSERT_EQ(peaks.size(), 4u);
    bool tonic = false;
    for (double hz : peaks) {
        double semitones = 69 + 12 * std::log2(hz / 440.0);
        double nearest = std::round(semitones);
        int pitchClass = (int(nearest) % 12 + 12) % 12;
        EXPECT_LT(std::abs(semitones - nearest), 0.25) << hz << " Hz is not a tempered note";
        EXPECT_TRUE(songPitchClasses.count(pitchClass)) << hz << " Hz is not in the song's keys";
        tonic |= pitchClass == 9;
    }
    EXPECT_TRUE(tonic) << "no A among the strongest notes";
}

TEST_F(DemoDisk, OnAnSteTheDrumsAreDmaSoundSamples) {
    boot(true);
    EXPECT_TRUE(findText(capturePicture(), "Drums: STE DMA sound").found);
    int playingFrames = 0;
    for (int i = 0; i < 100; i++) {
        runTestFrames(1);
        if (!(hw.dmaSound[0x01] & 1)) continue;
        playingFrames++;
        ASSERT_GT(dmaSound.frameEnd, dmaSound.frameStart);
        int nonZero = 0;
        for (uint32_t a = dmaSound.frameStart; a < dmaSound.frameEnd; a += 2) nonZero += peekWord(a) != 0;
        EXPECT_GT(nonZero, 100) << "the sample holds sound";
    }
    EXPECT_GT(playingFrames, 10);
    EXPECT_LT(playingFrames, 100) << "each drum plays once";
}

}  // namespace
