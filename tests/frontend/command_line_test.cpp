// The command line of the program and the headless runner.
#include <gtest/gtest.h>

#include "frontend/command_line.h"

namespace {

bool parse(std::vector<const char*> args, ProgramOptions& o, std::string& error) {
    args.insert(args.begin(), "quarv");
    return parseCommandLine(int(args.size()), args.data(), o, error);
}

TEST(CommandLine, HeadlessOptions) {
    ProgramOptions o;
    std::string error;
    ASSERT_TRUE(parse({"--headless", "--rom", "tos.img", "--machine", "ste", "--ram", "512k", "--frames", "300",
                       "--bench", "--draw-every-frame", "--config", "my.ini", "-debug", "stray"},
                      o, error))
        << error;
    EXPECT_TRUE(o.headless);
    EXPECT_TRUE(o.bench);
    EXPECT_TRUE(o.drawEveryFrame);
    EXPECT_TRUE(o.debug);
    EXPECT_EQ(o.romPath, "tos.img");
    EXPECT_EQ(o.machine, 1);
    EXPECT_EQ(o.ramIndex, 0);
    EXPECT_EQ(o.frames, 300);
    EXPECT_EQ(o.configPath, "my.ini");
    EXPECT_FALSE(o.defaultSnapshot);
    ASSERT_TRUE(parse({"--no-disk", "game.msa"}, o, error)) << error;
    EXPECT_TRUE(o.noDisk);
    EXPECT_EQ(o.diskPath, "game.msa") << "a disk image named without an option";
}

// A program named without an option (in any case of its extension) is the program to
// start; its arguments and a folder drive come with options.
TEST(CommandLine, ProgramsAndFolders) {
    for (const char* name : {"demo.prg", "TOOL.TOS", "sort.Ttp", "EDITOR.APP"}) {
        ProgramOptions o;
        std::string error;
        ASSERT_TRUE(parse({name, "--args", "-v file.txt"}, o, error)) << error;
        EXPECT_EQ(o.programPath, name);
        EXPECT_EQ(o.programArguments, "-v file.txt");
        EXPECT_TRUE(o.diskPath.empty());
    }
    ProgramOptions o;
    std::string error;
    ASSERT_TRUE(parse({"--hd-folder", "games", "readme.txt"}, o, error)) << error;
    EXPECT_EQ(o.hdFolder, "games");
    EXPECT_TRUE(o.programPath.empty()) << "not a program";
}

TEST(CommandLine, BadOptionsAreRefusedWithAReason) {
    ProgramOptions o;
    std::string error;
    EXPECT_FALSE(parse({"--machine", "falcon"}, o, error));
    EXPECT_NE(error.find("falcon"), std::string::npos);
    EXPECT_FALSE(parse({"--ram", "3m"}, o, error));
    EXPECT_FALSE(parse({"--frames", "-4"}, o, error));
    EXPECT_FALSE(parse({"--frames", "12x"}, o, error));
    EXPECT_FALSE(parse({"--frames", "99999999999999999999"}, o, error));
    EXPECT_FALSE(parse({"--type-frame", "2147483647"}, o, error)) << "frames after it would not be ints";
    EXPECT_NE(error.find("from 0 to"), std::string::npos) << error;
    EXPECT_FALSE(parse({"--rom"}, o, error));
    EXPECT_EQ(error, "--rom needs a value");
    EXPECT_FALSE(parse({"--colour"}, o, error));
    EXPECT_EQ(error, "unknown option --colour");
}

// --acsi repeats for devices 0 and 1, no further.
TEST(CommandLine, HardDiskImages) {
    ProgramOptions o;
    std::string error;
    ASSERT_TRUE(parse({"--acsi", "a.img", "--acsi-writable", "--acsi", "b.img"}, o, error)) << error;
    EXPECT_EQ(o.acsiPaths, (std::vector<std::string>{"a.img", "b.img"}));
    EXPECT_TRUE(o.acsiWritable);
    EXPECT_FALSE(parse({"--acsi", "a.img", "--acsi", "b.img", "--acsi", "c.img"}, o, error));
    EXPECT_EQ(error, "--acsi takes at most two images (ACSI devices 0 and 1)");
}

// --break and --watch repeat; any of the debugging options makes the page reachable.
TEST(CommandLine, DebuggingOptions) {
    ProgramOptions o;
    std::string error;
    ASSERT_TRUE(parse({"--break", "$FC0030", "--break", "1000", "--watch", "78000-7FFFF:w", "--trace", "t.txt"}, o,
                      error))
        << error;
    EXPECT_EQ(o.breakpoints, (std::vector<uint32_t>{0xFC0030, 0x1000}));
    ASSERT_EQ(o.watchpoints.size(), 1u);
    EXPECT_EQ(o.watchpoints[0].access, WATCH_WRITE);
    EXPECT_EQ(o.tracePath, "t.txt");
    EXPECT_TRUE(o.debug);

    EXPECT_FALSE(parse({"--break", "main"}, o, error));
    EXPECT_EQ(error, "--break wants a hexadecimal address, not \"main\"");
    EXPECT_FALSE(parse({"--watch", "9003-9000"}, o, error));
}

}  // namespace
