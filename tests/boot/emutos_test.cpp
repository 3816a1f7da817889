// EmuTOS, a free TOS, boots to its GEM desktop on the STFM and the STE as the operating
// systems users bring do: it learns what is fitted from bus errors, draws with the
// blitter where there is one, and its menus drop down under the mouse pointer.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "boot_test_support.h"
#include "frontend/run_loop.h"
#include "frontend/scripted_input.h"
#include "support/test_machine.h"

namespace {

const std::string EMUTOS = std::string(QUARV_SHARED_DIR) + "/emutos/etos192uk.img";

// The desktop in low resolution: white menu bar on ST lines 0-9 with a black line under
// it, then the green desktop pattern.
constexpr int SCREEN_LINE = 63;  // frame line of ST line 0
const uint16_t WHITE = hostColour(0x777), BLACK = hostColour(0x000), GREEN = hostColour(0x070);

int count(const Picture& p, int stLine, int firstX, int lastX, uint16_t colour) {
    int n = 0;
    for (int x = firstX; x <= lastX; ++x) n += p.at(SCREEN_LINE + stLine, FIRST_PIXEL_SLOT + x) == colour;
    return n;
}
int countArea(const Picture& p, int firstLine, int lastLine, int firstX, int lastX, uint16_t colour) {
    int n = 0;
    for (int line = firstLine; line <= lastLine; ++line) n += count(p, line, firstX, lastX, colour);
    return n;
}

struct Boot {
    Picture desktop, menu;
};

// 1,300 frames to the desktop, then the pointer goes from the middle of the screen to
// the "File" title and the menu has 100 frames to drop down.
Boot bootEmuTos(bool ste) {
    WorkingDirectory in(makeTempDir(ste ? "emutos_ste" : "emutos_stfm"));
    int crashesBefore = crashCount;
    TestMachineSetup setup;
    setup.rom = EMUTOS;
    setup.ste = ste;
    startTestMachine(setup);
    Boot boot;
    if (testing::Test::HasFatalFailure()) return boot;
    std::string error;
    EXPECT_TRUE(scriptParseKeys(std::to_string(framesEmulated + 1300) + ":move(-72,-96)", error)) << error;
    runTestFrames(1300);
    boot.desktop = capturePicture();
    runTestFrames(100);
    boot.menu = capturePicture();
    stopTestMachine();
    EXPECT_EQ(crashCount, crashesBefore);
    EXPECT_FALSE(std::filesystem::exists("crashLog.txt"));
    return boot;
}

TEST(EmuTos, BootsToTheDesktopAndItsMenusFollowTheMouse) {
    SKIP_WITHOUT_SHARED_DATA(std::filesystem::exists(EMUTOS), "EmuTOS at " + EMUTOS);
    Boot stfm = bootEmuTos(false);
    ASSERT_FALSE(HasFatalFailure());
    Boot ste = bootEmuTos(true);
    ASSERT_FALSE(HasFatalFailure());

    for (const Boot* boot : {&stfm, &ste}) {
        SCOPED_TRACE(boot == &ste ? "STE" : "STFM");
        const Picture& d = boot->desktop;
        EXPECT_EQ(count(d, 0, 0, 319, WHITE), 320) << "the menu bar's top line";
        EXPECT_GT(countArea(d, 1, 8, 0, 319, BLACK), 200) << "the menu titles";
        EXPECT_EQ(countArea(d, 1, 9, 0, 319, WHITE) + countArea(d, 1, 9, 0, 319, BLACK), 9 * 320);
        EXPECT_EQ(count(d, 10, 0, 319, BLACK), 320) << "the line under the menu bar";
        EXPECT_EQ(countArea(d, 150, 151, 0, 319, GREEN), 320) << "the desktop pattern, every other pixel";
        EXPECT_EQ(countArea(d, 150, 151, 0, 319, WHITE), 320);
        // Under the "File" title a white menu box with black text now covers the desktop.
        EXPECT_GT(countArea(d, 20, 60, 70, 230, GREEN), 1000);
        EXPECT_EQ(countArea(boot->menu, 20, 60, 70, 230, GREEN), 0);
        EXPECT_GT(countArea(boot->menu, 20, 60, 70, 230, BLACK), 300);
        EXPECT_EQ(countArea(d, 1, 8, 65, 72, WHITE), 64) << "left of the title";
        EXPECT_EQ(countArea(boot->menu, 1, 8, 65, 72, BLACK), 64) << "the title inverted";
    }
    // The STE's blitter draws exactly what the STFM's processor draws.
    EXPECT_TRUE(stfm.desktop.host == ste.desktop.host);
    EXPECT_TRUE(stfm.menu.host == ste.menu.host);
}

}  // namespace
