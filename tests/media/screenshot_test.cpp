// The capture of the frame buffer, its palette and the TGA, GIF and PNG files, read
// back with an independent decoder; and the hardware log file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bus/hardware_write_log.h"
#include "debugger/hardware_log.h"
#include "media/picture_encoders.h"
#include "media/screenshot.h"
#include "support/test_machine.h"
#include "video/picture.h"

#include <stb/stb_image.h>

namespace fs = std::filesystem;

namespace {

// 12-bit 0RGB to the R5G6B5 host pixel the renderer would draw for it.
uint16_t hostPixel(uint32_t c) { return uint16_t((c >> 8) << 12 | ((c >> 4) & 15) << 7 | (c & 15) << 1); }

// Runs a test inside a fresh folder with a "shot" directory.
class InTempDir : public ::testing::Test {
protected:
    WorkingDirectory inTemp{makeTempDir(::testing::UnitTest::GetInstance()->current_test_info()->name())};
    void SetUp() override { fs::create_directory("shot"); }
};

class ScreenshotTest : public InTempDir {
protected:
    // Paints the frame so that capture pixel (x, y) gets colour(x, y); the pixels the
    // capture skips get a colour of their own.
    template <class Colour>
    static void paint(Colour colour) {
        uint16_t* picture = framePictureForDrawing();
        for (int y = 0; y < FRAME_HEIGHT; ++y)
            for (int x = 0; x < FRAME_WIDTH; ++x)
                picture[y * FRAME_WIDTH + x] = (x | y) & 1 ? uint16_t(0x1234) : hostPixel(colour(x / 2, y / 2));
    }
    // n distinct colours (n <= 4095), black first unless withoutBlack.
    static void paintColours(int n, bool withoutBlack) {
        paint([=](int x, int y) { return uint32_t((y * 400 + x) % n + withoutBlack); });
    }
    struct Decoded {
        int width = 0, height = 0;
        std::vector<uint8_t> rgb;
    };
    static Decoded decode(const std::string& path) {
        std::vector<uint8_t> bytes = readFileBytes(path);
        Decoded d;
        int channels;
        uint8_t* p = stbi_load_from_memory(bytes.data(), int(bytes.size()), &d.width, &d.height, &channels, 3);
        if (p) d.rgb.assign(p, p + d.width * d.height * 3);
        stbi_image_free(p);
        return d;
    }
    // Colour c shown by a colour-mapped file: each component 16c + 15, black stays black.
    static void expectMappedColours(const Decoded& d) {
        ASSERT_EQ(d.width, CAPTURE_WIDTH);
        ASSERT_EQ(d.height, CAPTURE_HEIGHT);
        for (int i = 0; i < CAPTURE_WIDTH * CAPTURE_HEIGHT; ++i) {
            uint32_t c = capturedPicture[i];
            for (int k = 0; k < 3; ++k) {
                uint32_t component = (c >> (8 - 4 * k)) & 15;
                ASSERT_EQ(d.rgb[3 * i + k], c ? 16 * component + 15 : 0) << "pixel " << i;
            }
        }
    }
};

TEST_F(ScreenshotTest, CaptureSamplesEverySecondPixelOfEverySecondRow) {
    paint([](int x, int y) { return uint32_t(x * 7 + y * 13) & 0xFFF; });
    CaptureScreenshot();
    for (int y = 0; y < CAPTURE_HEIGHT; ++y)
        for (int x = 0; x < CAPTURE_WIDTH; ++x)
            ASSERT_EQ(capturedPicture[y * CAPTURE_WIDTH + x], (x * 7 + y * 13) & 0xFFF) << x << "," << y;
    // Full-intensity host components keep their top four bits; black counts as a
    // colour even when the picture has none.
    uint16_t* pixels = framePictureForDrawing();
    for (int i = 0; i < FRAME_WIDTH * FRAME_HEIGHT; ++i) pixels[i] = i & 2 ? 0xFFFF : 0x07E0;
    CaptureScreenshot();
    EXPECT_EQ(capturedPicture[0], 0x0F0);
    EXPECT_EQ(capturedPicture[1], 0xFFF);
    EXPECT_EQ(captureColourCount(), 3);
}

TEST_F(ScreenshotTest, TwoHundredFiftySixColoursMakeAGif) {
    paintColours(256, false);
    CaptureScreenshot();
    ASSERT_EQ(captureColourCount(), 256);
    std::string name;
    ASSERT_TRUE(SaveScreenshot(true, name));
    EXPECT_EQ(name, "shot/Quarv_000.gif");
    std::vector<uint8_t> bytes = readFileBytes(name);
    ASSERT_GT(bytes.size(), 800u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF87a");
    EXPECT_EQ(bytes.back(), ';');
    expectMappedColours(decode(name));

    // GIF not wanted: the colour-mapped, run-length TGA.
    ASSERT_TRUE(SaveScreenshot(false, name));
    EXPECT_EQ(name, "shot/Quarv_000.tga");
    bytes = readFileBytes(name);
    const uint8_t header[21] = {0, 1, 9, 0, 0, 0x00, 0x01, 24, 0, 0, 0, 0, 0x90, 0x01, 0x2C, 0x01, 8, 0, 0, 0, 0};
    ASSERT_GT(bytes.size(), 18u + 768);
    EXPECT_TRUE(std::equal(header, header + 21, bytes.begin())) << "256 entries of 24 bits, entry 0 black";
    expectMappedColours(decode(name));
}

TEST_F(ScreenshotTest, TwoHundredFiftySevenColoursMakeA16BitTga) {
    paintColours(256, true);  // 256 colours and black makes 257
    CaptureScreenshot();
    ASSERT_EQ(captureColourCount(), 257);
    std::string name;
    ASSERT_TRUE(SaveScreenshot(true, name));
    EXPECT_EQ(name, "shot/Quarv_000.tga");
    std::vector<uint8_t> bytes = readFileBytes(name);
    ASSERT_EQ(bytes.size(), 18u + 2 * 400 * 300);
    const uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x90, 0x01, 0x2C, 0x01, 16, 0};
    EXPECT_TRUE(std::equal(header, header + 18, bytes.begin()));
    // Each 4-bit component c is stored as 2c of 5 bits.
    Decoded d = decode(name);
    ASSERT_EQ(d.width, 400);
    for (int i = 0; i < 400 * 300; ++i)
        for (int k = 0; k < 3; ++k)
            ASSERT_EQ(d.rgb[3 * i + k], (2 * ((capturedPicture[i] >> (8 - 4 * k)) & 15)) * 255 / 31) << i;
}

TEST_F(ScreenshotTest, NamesAreNumberedPerExtension) {
    paintColours(2, false);
    CaptureScreenshot();
    std::ofstream("shot/Quarv_000.tga") << "x";
    std::ofstream("shot/Quarv_001.tga") << "x";
    std::string name;
    ASSERT_TRUE(SaveScreenshot(false, name));
    EXPECT_EQ(name, "shot/Quarv_002.tga");
    ASSERT_TRUE(SaveScreenshot(true, name));
    EXPECT_EQ(name, "shot/Quarv_000.gif");
    ASSERT_TRUE(SaveScreenshot(true, name));
    EXPECT_EQ(name, "shot/Quarv_001.gif");
    for (const auto& entry : fs::directory_iterator("shot"))
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << "no temporary file left";

    fs::remove_all("shot");
    EXPECT_FALSE(SaveScreenshot(true, name)) << "no folder to write into";
    EXPECT_EQ(name, "shot/Quarv_000.gif");
}

TEST_F(ScreenshotTest, GifCodeTableRestartsOnNoisyPictures) {
    // Noise over 256 colours fills the 4096-code table many times over.
    std::mt19937 random(3);
    std::vector<uint32_t> colours(400 * 300);
    for (uint32_t& c : colours) c = random() % 256;
    paint([&](int x, int y) { return colours[y * 400 + x]; });
    CaptureScreenshot();
    ASSERT_TRUE(saveScreenshotAs("noise.GIF"));
    expectMappedColours(decode("noise.GIF"));
    // Long runs of one colour make long codes too.
    paint([](int x, int y) { return uint32_t(y < 150 ? 0x123 : (x / 100) + 1); });
    ASSERT_TRUE(saveScreenshotAs("runs.gif"));
    expectMappedColours(decode("runs.gif"));
}

// The headless exit options.
TEST_F(ScreenshotTest, SaveAsFollowsTheExtensionAndPngKeepsTheHostPicture) {
    paintColours(300, false);
    EXPECT_FALSE(saveScreenshotAs("many.gif")) << "a GIF holds 256 colours";
    EXPECT_FALSE(fs::exists("many.gif"));
    EXPECT_FALSE(saveScreenshotAs("picture.bmp"));
    ASSERT_TRUE(saveScreenshotAs("many.tga"));
    EXPECT_EQ(readFileBytes("many.tga")[2], 2);
    paintColours(5, false);
    ASSERT_TRUE(saveScreenshotAs("few.tga"));
    EXPECT_EQ(readFileBytes("few.tga")[2], 9);

    ASSERT_TRUE(savePng("frame.png"));
    Decoded d = decode("frame.png");
    ASSERT_EQ(d.width, 800);
    ASSERT_EQ(d.height, 600);
    const uint16_t* pixels = framePicture();
    for (int i = 0; i < 800 * 600; ++i) {
        uint32_t p = pixels[i];
        ASSERT_NEAR(d.rgb[3 * i], (p >> 11) * 255 / 31, 1) << i;
        ASSERT_NEAR(d.rgb[3 * i + 1], ((p >> 5) & 63) * 255 / 63, 1) << i;
        ASSERT_NEAR(d.rgb[3 * i + 2], (p & 31) * 255 / 31, 1) << i;
    }
    EXPECT_FALSE(savePng("no/such/folder/frame.png"));
}

TEST(TgaRunLength, PacketsFollowTheRuns) {
    auto encode = [](std::vector<uint8_t> in) {
        std::vector<uint8_t> out;
        appendTgaRunLength(out, in.data(), in.size());
        return out;
    };
    EXPECT_EQ(encode({1, 1, 1, 2, 3, 4, 4}), (std::vector<uint8_t>{0x82, 1, 0x01, 2, 3, 0x81, 4}));
    EXPECT_EQ(encode({5, 6}), (std::vector<uint8_t>{0x00, 5, 0x80, 6})) << "the last single byte is a run of one";
    EXPECT_EQ(encode({7}), (std::vector<uint8_t>{0x80, 7}));
    EXPECT_EQ(encode(std::vector<uint8_t>(300, 9)), (std::vector<uint8_t>{0xFF, 9, 0xFF, 9, 0xAB, 9}));
}

class HardwareLogTest : public InTempDir {};

TEST_F(HardwareLogTest, WritesTheBorderTrickCandidatesOfEachFrame) {
    hardwareLogReset();
    hardwareLogRecord(0xFF820A, 0x00, false, 98 * 512 + 388);  // 60 Hz: candidate
    hardwareLogRecord(0xFF820A, 0x02, false, 99 * 512);         // 50 Hz
    hardwareLogRecord(0xFF820A, 0x0002, true, 100 * 512 + 4);   // word: the high byte is 0
    hardwareLogRecord(0xFF8260, 0x02, false, 101 * 512 + 12);   // high resolution: candidate
    hardwareLogRecord(0xFF8260, 0x01, false, 101 * 512 + 20);
    hardwareLogRecord(0xFF8260, 0x0200, true, 160255);
    hardwareLogClose();
    hardwareLogStep(true);
    hardwareLogReset();
    hardwareLogClose();
    hardwareLogStep(true);
    hardwareLogStep(false);

    EXPECT_EQ(readFileText("HardwareLog.txt"),
              "//// NEW FRAME (0) ////\n"
              "($0c584) Line  98 ($184) : $FF820A.B = $00 (curReg=-1)\n"
              "($0c804) Line 100 ($  4) : $FF820A.W = $0002 (curReg=-1)\n"
              "($0ca0c) Line 101 ($  c) : $FF8260.B = $02 (curReg=-1)\n"
              "($271ff) Line 312 ($1ff) : $FF8260.W = $0200 (curReg=-1)\n"
              "//// NEW FRAME (1) ////\n");
}

}  // namespace
