// The debugger page in the window: a breakpoint given on the command line stops the
// run on the page; F6 steps, G moves the disassembly, a click on a line sets a
// breakpoint, M and Ctrl+Tab lead hex digits into memory.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "support/test_machine.h"
#include "window_harness.h"

namespace {

// The page's panes in the 800 x 600 window (the menu is 760 x 560, centred).
struct Area {
    int x0, y0, x1, y1;
};
constexpr Area REGISTERS = {28, 50, 380, 200};
constexpr Area DISASSEMBLY = {28, 215, 380, 470};
constexpr Area LISTS = {28, 480, 380, 570};
constexpr Area MEMORY = {390, 215, 770, 470};

// Pixels that differ between two pictures inside an area.
int differences(const Picture& a, const Picture& b, Area r) {
    int n = 0;
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x) n += a.at(x, y) != b.at(x, y);
    return n;
}

TEST(DebuggerWindow, StopsOnThePageStepsAndMoves) {
    VirtualDisplay display;
    if (!display.started()) GTEST_SKIP() << "Xvfb cannot start here; the window is not tested";
    WindowRun run;
    run.folder = makeTempDir("debugger_window");
    run.arguments = {"--rom", m68kProgramPath("debug_target"), "--break", "FC0104"};
    // SDL scancodes: F6 63, G 10, M 16, Return 40, Left Ctrl 224, Tab 43, 4 33, 1 30. The
    // third disassembly line is at y 262.
    run.script = "10 shot stopped.png; 12 press 63; 13 release 63; 20 shot stepped.png;"
                 "22 press 10; 23 release 10; 26 type FC0200; 28 press 40; 29 release 40; 35 shot goto.png;"
                 "37 clickat 150 262; 45 shot clicked.png;"
                 "47 press 16; 48 release 16; 50 type 9000; 52 press 40; 53 release 40; 56 shot memory.png;"
                 "58 press 224; 59 press 43; 60 release 43; 61 release 224;"
                 "63 press 33; 64 release 33; 66 press 30; 67 release 30; 72 shot edited.png; 74 quit";
    ASSERT_EQ(runQuarvWindow(display, run), 0);

    std::map<std::string, Picture> shot;
    for (const char* name : {"stopped", "stepped", "goto", "clicked", "memory", "edited"})
        ASSERT_TRUE(loadPicture(run.folder + "/" + name + ".png", shot[name])) << name;
    auto changed = [&](const char* a, const char* b, Area r) { return differences(shot[a], shot[b], r); };
    EXPECT_GT(changed("stopped", "stepped", REGISTERS), 0) << "F6 changed no register";
    EXPECT_EQ(changed("stepped", "goto", REGISTERS), 0) << "G ran the machine";
    EXPECT_GT(changed("stepped", "goto", DISASSEMBLY), 0) << "G did not move the disassembly";
    EXPECT_GT(changed("goto", "clicked", LISTS), 0) << "the click listed no breakpoint";
    EXPECT_GT(changed("clicked", "memory", MEMORY), 0) << "M did not move the dump";
    EXPECT_GT(changed("memory", "edited", MEMORY), 0) << "no byte was written";
}

}  // namespace
