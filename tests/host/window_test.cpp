// The program in a window on a private X server: the picture it presents, keys reaching
// the ST, and the menu that F12 opens.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "frontend/config.h"
#include "support/golden_output.h"
#include "support/test_machine.h"
#include "video/colour_tables.h"
#include "video/picture.h"
#include "video/renderer.h"
#include "window_harness.h"

namespace {
// The test program's picture: the ST screen starts 88 host pixels in; each of its
// 16-pixel columns is 32 host pixels wide. Row 300 is an even row, drawn in every mode.
constexpr int PROBE_Y = 300;
constexpr int BORDER_X = 5;
int columnX(int column) { return 88 + 32 * column + 16; }

// The colour the test program shows for a byte received from the keyboard processor.
uint16_t keyByteColour(uint8_t b) {
    buildColourTables();
    return ColourTable[(b >> 6) << 8 | ((b >> 3) & 7) << 4 | (b & 7)];
}

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        if (!display.started()) GTEST_SKIP() << "Xvfb cannot start here; the window is not tested";
    }
    // A run in its own folder, so that no default snapshot of an earlier run is resumed.
    WindowRun newRun(const std::string& tag, const std::string& script) {
        WindowRun run;
        run.folder = makeTempDir(tag);
        run.script = script;
        run.arguments = {"--rom", m68kProgramPath("host_screen")};
        return run;
    }
    VirtualDisplay display;
};

// The picture of the headless machine after `frames` frames, with a line output mode.
std::vector<uint16_t> headlessPicture(const std::string& folder, int frames, uint32_t softwareMode) {
    WorkingDirectory in(folder);
    startTestMachine({m68kProgramPath("host_screen"), "", false, 2, false});
    machineSettings.softwareMode = softwareMode;
    runTestFrames(frames);
    std::vector<uint16_t> picture(framePicture(), framePicture() + FRAME_WIDTH * FRAME_HEIGHT);
    stopTestMachine();
    return picture;
}

void expectSamePicture(const Picture& window, const std::vector<uint16_t>& headless) {
    ASSERT_EQ(window.width, FRAME_WIDTH);
    ASSERT_EQ(window.height, FRAME_HEIGHT);
    int differences = 0;
    for (int y = 0; y < FRAME_HEIGHT; ++y)
        for (int x = 0; x < FRAME_WIDTH; ++x) {
            uint16_t want = headless[size_t(y) * FRAME_WIDTH + x];
            if (window.rgb565(x, y) != want && differences++ < 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): window " << std::hex << window.rgb565(x, y)
                              << ", headless " << want;
        }
    EXPECT_EQ(differences, 0);
}
}  // namespace

// CPU rendering shows the 800 x 600 picture as it is; texture mode with point filtering
// shows each line's texture row on both of its host rows, which is the doubled picture.
TEST_F(Window, PresentsTheHeadlessPictureOfTheSameFrame) {
    for (auto [tag, texture] : {std::pair{"window_cpu", 0}, {"window_texture", 1}}) {
        SCOPED_TRACE(tag);
        WindowRun run = newRun(tag, "30 dump frame.png; 31 quit");
        run.settings = "[Machine]\nbUseTexture=" + std::to_string(texture) + "\n";
        ASSERT_EQ(runQuarvWindow(display, run), 0);
        Picture picture;
        ASSERT_TRUE(loadPicture(run.folder + "/frame.png", picture));
        expectSamePicture(picture, headlessPicture(run.folder, 30, texture ? 0 : 1));
    }
}

// The frame end hands the picture to the front end, which draws the sound engine's trace
// over it before the window presents it: the demo disk's frame 100 with the trace on is
// the one the program presented before the frame end had a sink (fingerprint of its
// pixels, taken then).
TEST_F(Window, TheSoundTraceIsDrawnOverThePresentedPicture) {
    WindowRun run = newRun("window_sound_trace", "100 dump frame.png; 101 quit");
    run.settings = "[Machine]\nbSoundDebug=1\nbUseTexture=0\n";
    const std::string built = std::string(QUARV_BINARY_DIR) + "/run/";
    run.arguments = {"--rom", built + "QuarvDefault.ROM", "--disk", built + "QuarvDefault.ST"};
    ASSERT_EQ(runQuarvWindow(display, run), 0);
    Picture picture;
    ASSERT_TRUE(loadPicture(run.folder + "/frame.png", picture));
    EXPECT_EQ(fingerprint(picture.rgb.data(), picture.rgb.size()), 7241336972246725201ull);
}

// The window resized by the user: the picture fills what it can with its shape kept,
// black around it, in whole steps of the ST's lines with "Integer scaling"; pixels
// sampled in the presented frame are the headless picture's at the scaled places. The
// size is remembered in the settings.
TEST_F(Window, ThePictureScalesToTheWindowWithItsShapeKept) {
    const struct {
        int width, height;
        bool integer;
        int x, y, w, h;  // where the picture goes
    } cases[] = {
        {1280, 960, false, 0, 0, 1280, 960},
        {1280, 960, true, 40, 30, 1200, 900},
        {1000, 500, false, 166, 0, 667, 500},
        {1000, 500, true, 300, 100, 400, 300},
    };
    for (const auto& c : cases) {
        std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
        std::string tag = "window_" + size + (c.integer ? "_int" : "");
        SCOPED_TRACE(tag);
        WindowRun run = newRun(tag, "5 resize " + std::to_string(c.width) + " " + std::to_string(c.height) +
                                        "; 30 dump frame.png; 31 quit");
        run.settings = std::string("bIntegerScaling=") + (c.integer ? "1" : "0") + "\n[Machine]\ng_softwareMode=0\n";
        ASSERT_EQ(runQuarvWindow(display, run), 0);
        Picture picture;
        ASSERT_TRUE(loadPicture(run.folder + "/frame.png", picture));
        ASSERT_EQ(picture.width, c.width);
        ASSERT_EQ(picture.height, c.height);
        std::vector<uint16_t> headless = headlessPicture(run.folder, 30, 0);
        auto want = [&](int hx, int hy) { return headless[size_t(hy) * FRAME_WIDTH + hx]; };
        ASSERT_NE(want(BORDER_X, PROBE_Y), 0) << "the border is black at this frame";

        int mid = c.y + c.h / 2;
        std::vector<int> columns = {BORDER_X, FRAME_WIDTH - BORDER_X};
        for (int column = 0; column < 20; ++column) columns.push_back(columnX(column));
        for (int hy : {10, PROBE_Y, FRAME_HEIGHT - 10})
            for (int hx : columns) {
                int wx = c.x + int((hx + 0.5) * c.w / FRAME_WIDTH), wy = c.y + int((hy + 0.5) * c.h / FRAME_HEIGHT);
                EXPECT_EQ(picture.rgb565(wx, wy), want(hx, hy))
                    << "(" << hx << ", " << hy << ") at (" << wx << ", " << wy << ")";
            }
        EXPECT_NE(picture.at(c.x, mid), 0u) << "the picture starts at its left edge";
        EXPECT_NE(picture.at(c.x + c.w - 1, mid), 0u) << "and ends at its right edge";
        if (c.x > 0) {
            EXPECT_EQ(picture.at(c.x - 1, mid), 0u) << "black left of the picture";
            EXPECT_EQ(picture.at(c.x + c.w, mid), 0u) << "black right of it";
        }
        if (c.y > 0) {
            EXPECT_EQ(picture.at(c.x + c.w / 2, c.y - 1), 0u) << "black above the picture";
            EXPECT_EQ(picture.at(c.x + c.w / 2, c.y + c.h), 0u) << "black below it";
        }
        std::string settings = readFileText(run.folder + "/quarv.ini");
        EXPECT_NE(settings.find("WindowWidth=" + std::to_string(c.width) + "\n"), std::string::npos) << settings;
        EXPECT_NE(settings.find("WindowHeight=" + std::to_string(c.height) + "\n"), std::string::npos);
    }
}

// A first start (no settings) offers the bundled EmuTOS in the ROM list; made active, it
// boots to its desktop: the white menu bar on ST line 0, black under it on line 10.
TEST_F(Window, TheBundledEmuTosIsInTheRomListAndBootsToItsDesktop) {
    WindowRun run = newRun("window_emutos", "20 press 69; 22 release 69; 30 click Options; 40 click etos192uk.img;"
                                            "50 click Set Active; 60 click Run; 1400 dump desktop.png; 1401 quit");
    run.arguments = {"--no-disk", "--bench"};  // EmuTOS boots from a disk in drive A; unpaced
    run.timeoutSeconds = 300;                  // 1,400 frames each presented on the X server
    ASSERT_EQ(runQuarvWindow(display, run), 0);
    std::string settings = readFileText(run.folder + "/quarv.ini");
    EXPECT_NE(settings.find("emutos/etos256uk.img"), std::string::npos) << settings;
    EXPECT_NE(settings.find("emutos/etos192uk.img"), std::string::npos) << settings;
    Picture desktop;
    ASSERT_TRUE(loadPicture(run.folder + "/desktop.png", desktop)) << readFileText(run.folder + "/stderr.txt");
    constexpr int TOP = (63 - 21) * 2, LEFT = 88;  // ST line 0, pixel 0
    buildColourTables();
    const uint16_t white = ColourTable[0x777], black = ColourTable[0x000];
    int bar = 0, under = 0;
    for (int x = 0; x < 320; ++x) {
        bar += desktop.rgb565(LEFT + 2 * x, TOP) == white;
        under += desktop.rgb565(LEFT + 2 * x, TOP + 20) == black;
    }
    EXPECT_EQ(bar, 320) << "the menu bar's top line";
    EXPECT_EQ(under, 320) << "the line under the menu bar";
}

// SDL scancodes through the key state to the keyboard processor: A (4) is ST key $1E,
// Home (74) the ST's Up arrow $48; each press and release gives one byte.
TEST_F(Window, KeyEventsReachTheStAsScanCodes) {
    WindowRun run = newRun("window_keys", "20 press 4; 30 release 4; 40 dump a.png;"
                                          "45 press 74; 55 release 74; 65 dump home.png; 66 quit");
    ASSERT_EQ(runQuarvWindow(display, run), 0);
    Picture a, home;
    ASSERT_TRUE(loadPicture(run.folder + "/a.png", a));
    ASSERT_TRUE(loadPicture(run.folder + "/home.png", home));
    EXPECT_EQ(a.rgb565(columnX(14), PROBE_Y), keyByteColour(0x1E));
    EXPECT_EQ(a.rgb565(columnX(15), PROBE_Y), keyByteColour(0x9E));
    EXPECT_EQ(home.rgb565(columnX(14), PROBE_Y), keyByteColour(0x48));
    EXPECT_EQ(home.rgb565(columnX(15), PROBE_Y), keyByteColour(0xC8));
}

// F12 stops the machine under the menu (the border, which follows the frame count,
// stays still), a click on Run lets it go on, and closing the window shuts down as the
// program always does: settings and default snapshot written.
TEST_F(Window, F12OpensTheMenuAndRunResumes) {
    WindowRun run = newRun("window_menu", "20 press 69; 22 release 69; 30 shot menu1.png; 40 shot menu2.png;"
                                          "45 click Run; 70 dump running.png; 71 quit");
    ASSERT_EQ(runQuarvWindow(display, run), 0);
    Picture menu1, menu2, running;
    ASSERT_TRUE(loadPicture(run.folder + "/menu1.png", menu1));
    ASSERT_TRUE(loadPicture(run.folder + "/menu2.png", menu2));
    ASSERT_TRUE(loadPicture(run.folder + "/running.png", running)) << "the machine did not run again";

    uint32_t stopped = menu1.at(BORDER_X, PROBE_Y);
    EXPECT_EQ(menu2.at(BORDER_X, PROBE_Y), stopped);
    EXPECT_NE(menu1.at(30, PROBE_Y), stopped) << "no menu over the picture";
    // Around the menu the ST's picture is dimmed; under the menu's panel (inside its
    // margin, where no control is) only the panel's black shows, not the ST's border.
    EXPECT_NE(stopped, 0u) << "the picture around the menu";
    EXPECT_EQ(menu1.at(24, PROBE_Y), 0u) << "the ST's picture shows through the panel";
    EXPECT_NE(running.at(BORDER_X, PROBE_Y), stopped);
    EXPECT_EQ(running.at(30, PROBE_Y), running.at(BORDER_X, PROBE_Y)) << "the menu stayed";

    EXPECT_TRUE(std::filesystem::exists(run.folder + "/MemoryShot/DefaultSnapshot.Quarv"));
    EXPECT_GT(std::filesystem::file_size(run.folder + "/quarv.ini"), 60u);
}
