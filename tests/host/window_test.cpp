// The program in a window on a private X server: the picture it presents, keys reaching
// the ST, and the menu that F12 opens.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "frontend/config.h"
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

// A first start (no settings) offers the bundled EmuTOS in the ROM list; made active, it
// boots to its desktop: the white menu bar on ST line 0, black under it on line 10.
TEST_F(Window, TheBundledEmuTosIsInTheRomListAndBootsToItsDesktop) {
    WindowRun run = newRun("window_emutos", "20 press 69; 22 release 69; 30 click Options; 40 click etos192uk.img;"
                                            "50 click Set Active; 60 click Run; 1400 dump desktop.png; 1401 quit");
    run.arguments = {"--no-disk", "--bench"};  // EmuTOS boots from a disk in drive A; unpaced
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
    EXPECT_NE(running.at(BORDER_X, PROBE_Y), stopped);
    EXPECT_EQ(running.at(30, PROBE_Y), running.at(BORDER_X, PROBE_Y)) << "the menu stayed";

    EXPECT_TRUE(std::filesystem::exists(run.folder + "/MemoryShot/DefaultSnapshot.Quarv"));
    EXPECT_GT(std::filesystem::file_size(run.folder + "/quarv.ini"), 60u);
}
