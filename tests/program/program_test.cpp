// The quarv program as scripts and users run it: exit statuses and messages of runs that
// cannot do what they were asked.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "frontend/program_files.h"
#include "frontend/single_instance.h"
#include "support/test_machine.h"

namespace {

struct ProgramRun {
    int status;
    std::string output;  // standard output and error
};

// A shell command's exit status and what it printed (standard output and error).
ProgramRun shell(const std::string& command) {
    ProgramRun r{-1, ""};
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return r;
    char buffer[512];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) r.output.append(buffer, n);
    int raw = ::pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

// Runs quarv with the arguments in `folder`, with a settings file of its own and the
// folder as its runtime folder (where the single-instance lock lives) and data home, so
// that no other Quarv on the machine takes part.
ProgramRun quarv(const std::string& folder, const std::string& arguments) {
    return shell("cd '" + folder + "' && XDG_RUNTIME_DIR='" + folder + "' XDG_DATA_HOME='" + folder + "/data' '" QUARV_PROGRAM
                 "' --config quarv.ini " + arguments);
}

std::string runFolder() {
    std::string folder = makeTempDir("program");
    for (const char* file : {"QuarvDefault.ROM", "QuarvDefault.ST"})
        std::filesystem::copy_file(std::string(QUARV_BINARY_DIR) + "/run/" + file, folder + "/" + file);
    return folder;
}

// While another Quarv holds the default snapshot, headless runs that leave it alone go
// on (several at once); one that would share it is refused, and says so with a failure.
TEST(Program, HeadlessRunsShareNothingUnlessTheyUseTheDefaultSnapshot) {
    std::string folder = runFolder();
    ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    ASSERT_TRUE(acquireSingleInstance());
    EXPECT_EQ(quarv(folder, "--headless --frames 3").status, 0);
    ProgramRun refused = quarv(folder, "--headless --frames 3 --default-snapshot");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("Quarv is already running!"), std::string::npos) << refused.output;
}

TEST(Program, BadRequestsFailWithTheirReason) {
    std::string folder = runFolder();
    std::ofstream(folder + "/notes.txt") << "not a TOS image, nor a disk";
    std::filesystem::create_directory(folder + "/folder");
    struct Case {
        const char* arguments;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {"--headless --frames 99999999999", 2, "from 0 to"},
        {"--headless --rom notes.txt --frames 1", 1, "does not start with a TOS header"},
        {"--headless --snapshot-load folder --frames 1", 1, "cannot load the snapshot folder"},
        {"--headless --snapshot-save folder --frames 1", 1, "cannot write the snapshot folder"},
        {"--headless --png folder --frames 1", 1, "cannot save the picture folder"},
    };
    for (const Case& c : cases) {
        ProgramRun r = quarv(folder, c.arguments);
        EXPECT_EQ(r.status, c.status) << c.arguments << "\n" << r.output;
        EXPECT_NE(r.output.find(c.says), std::string::npos) << c.arguments << "\n" << r.output;
    }
}

// A run that draws no picture but the last writes the files a run drawing every frame
// writes, on both machines (the STE's demo plays DMA sound and scrolls its bars).
TEST(Program, PicturesWrittenAtTheEndAreThoseOfARunDrawingEveryFrame) {
    std::string folder = runFolder();
    for (const char* machine : {"stfm", "ste"}) {
        SCOPED_TRACE(machine);
        for (const char* drawing : {"", "--draw-every-frame"}) {
            std::string files = std::string(" --png ") + machine + drawing + ".png --screenshot " + machine + drawing + ".tga";
            ProgramRun r = quarv(folder, std::string("--headless --frames 260 --machine ") + machine + " " + drawing + files);
            ASSERT_EQ(r.status, 0) << r.output;
        }
        for (const char* extension : {".png", ".tga"}) {
            std::vector<uint8_t> last = readFileBytes(folder + "/" + machine + extension);
            EXPECT_GT(last.size(), 1000u);
            EXPECT_TRUE(last == readFileBytes(folder + "/" + machine + "--draw-every-frame" + extension)) << extension;
        }
    }
}

// A default snapshot that cannot be written (MemoryShot is a file here) is a failed run,
// not a quiet one.
TEST(Program, AFailedDefaultSnapshotIsAFailure) {
    std::string folder = runFolder();
    std::filesystem::create_directories(folder + "/data/quarv");
    std::ofstream(folder + "/data/quarv/MemoryShot") << "in the way";
    ProgramRun r = quarv(folder, "--headless --frames 2 --default-snapshot");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("cannot save the default snapshot"), std::string::npos) << r.output;
}

}  // namespace

// ---- The installed program ---------------------------------------------------------------
namespace {

std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Installed into a prefix of its own and started from an empty folder with a home of its
// own: it runs the built-in ROM and demo disk from share/quarv, shows what the program in
// the build shows, and makes its folders in the data folder only.
TEST(Install, TheInstalledProgramRunsFromAnyFolder) {
    std::string root = makeTempDir("install");
    ProgramRun install = shell("'" + std::string(CMAKE_COMMAND) + "' --install '" QUARV_BINARY_DIR "' --prefix '" +
                               root + "/prefix'");
    ASSERT_EQ(install.status, 0) << install.output;
    std::string prefix = root + "/prefix/";
    for (const char* file : {"bin/quarv", "share/quarv/QuarvDefault.ROM", "share/quarv/QuarvDefault.ST",
                             "share/applications/quarv.desktop", "share/man/man6/quarv.6",
                             "share/icons/hicolor/scalable/apps/quarv.svg", "share/mime/packages/quarv.xml",
                             "share/metainfo/org.quarv.quarv.metainfo.xml", "share/doc/quarv/copyright",
                             "share/libretro/info/quarv_libretro.info", QUARV_LIBRETRO_DIR "/quarv_libretro.so"})
        EXPECT_TRUE(std::filesystem::exists(prefix + file)) << file;
    // The program and the core find the bundled EmuTOS where the install put it.
    for (const std::string& binary : {prefix + "bin", prefix + QUARV_LIBRETRO_DIR})
        for (const char* image : {EMUTOS_192, EMUTOS_256})
            EXPECT_EQ(findBuiltInFile(binary, image), prefix + "share/quarv/" + image) << binary;

    std::filesystem::create_directories(root + "/empty");
    std::string env = "env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME='" + root + "/home' XDG_RUNTIME_DIR='" + root + "' ";
    ProgramRun version = shell(env + "'" + root + "/prefix/bin/quarv' --version");
    EXPECT_EQ(version.output, "Quarv v1.21\n");
    ProgramRun run = shell("cd '" + root + "/empty' && " + env + "'" + root +
                           "/prefix/bin/quarv' --headless --frames 200 --png out.png");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(entries(root + "/empty"), std::vector<std::string>{"out.png"}) << "nothing else in the working folder";
    EXPECT_EQ(entries(root + "/home/.local/share/quarv"), (std::vector<std::string>{"MemoryShot", "shot", "sound"}));

    std::filesystem::create_directories(root + "/built");
    ProgramRun built = shell("cd '" + root + "/built' && " + env + "'" QUARV_PROGRAM
                             "' --headless --frames 200 --png out.png --data-dir data");
    ASSERT_EQ(built.status, 0) << built.output;
    EXPECT_TRUE(readFileBytes(root + "/empty/out.png") == readFileBytes(root + "/built/out.png"))
        << "the installed program shows the demo as the built one does";
}

// --data-dir chooses the folder; a working folder that already has the three folders is
// a portable copy and keeps them.
TEST(Install, DataFolderOptionAndPortableFolders) {
    std::string folder = runFolder();
    ASSERT_EQ(quarv(folder, "--headless --frames 2 --default-snapshot --data-dir mine").status, 0);
    EXPECT_TRUE(std::filesystem::exists(folder + "/mine/MemoryShot/DefaultSnapshot.Quarv"));
    for (const char* sub : {"shot", "sound", "MemoryShot"}) std::filesystem::create_directory(folder + "/" + sub);
    ASSERT_EQ(quarv(folder, "--headless --frames 2 --default-snapshot").status, 0);
    EXPECT_TRUE(std::filesystem::exists(folder + "/MemoryShot/DefaultSnapshot.Quarv"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/data")) << "the usual data folder is not used";
}

// The package: its dependencies from the libraries the programs link, its section, and
// the files a distribution needs besides the programs: the copyright file, EmuTOS with
// its licence and source, the AppStream data and the libretro core's info file where
// Debian's RetroArch reads them. Debian's own validators accept the desktop entry and
// the AppStream data.
TEST(Install, ThePackageHoldsWhatADistributionNeeds) {
    std::string folder = makeTempDir("package");
    ProgramRun pack = shell("cd '" + folder + "' && cpack --config '" QUARV_BINARY_DIR "/CPackConfig.cmake' -B '" +
                            folder + "'");
    ASSERT_EQ(pack.status, 0) << pack.output;
    std::string deb = folder + "/quarv_1.21_amd64.deb";
    ProgramRun fields = shell("dpkg-deb -f '" + deb + "' Depends Section");
    ASSERT_EQ(fields.status, 0) << fields.output;
    for (const char* library : {"libsdl2-2.0-0", "liblzo2-2", "libc6"})
        EXPECT_NE(fields.output.find(library), std::string::npos) << fields.output;
    EXPECT_NE(fields.output.find("Section: otherosfs"), std::string::npos) << fields.output;

    std::string contents = shell("dpkg-deb -c '" + deb + "'").output;
    for (std::string file : {"share/quarv/QuarvDefault.ROM", "share/doc/quarv/copyright",
                             "share/quarv/emutos/etos192uk.img", "share/quarv/emutos/etos256uk.img",
                             "share/quarv/emutos/COPYING", "share/quarv/emutos/emutos-1.4-src.tar.xz",
                             "share/metainfo/org.quarv.quarv.metainfo.xml", "share/libretro/info/quarv_libretro.info",
                             QUARV_LIBRETRO_DIR "/quarv_libretro.so"})
        EXPECT_NE(contents.find("./usr/" + file + "\n"), std::string::npos) << file;
    EXPECT_EQ(contents.find(".map\n"), std::string::npos) << "EmuTOS's link maps stay out";

    ProgramRun extract = shell("dpkg-deb -x '" + deb + "' '" + folder + "/root'");
    ASSERT_EQ(extract.status, 0) << extract.output;
    std::string share = folder + "/root/usr/share/";
    ProgramRun appstream = shell("appstreamcli validate --no-net '" + share + "metainfo/org.quarv.quarv.metainfo.xml'");
    EXPECT_EQ(appstream.status, 0) << appstream.output;
    ProgramRun desktop = shell("desktop-file-validate '" + share + "applications/quarv.desktop'");
    EXPECT_EQ(desktop.status, 0) << desktop.output;
    EXPECT_EQ(desktop.output, "");
    std::string copyright = readFileText(share + "doc/quarv/copyright");
    EXPECT_EQ(copyright.rfind("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n", 0), 0u);
    EXPECT_NE(copyright.find("License: GPL-2.0-or-later\n"), std::string::npos);
}

}  // namespace
