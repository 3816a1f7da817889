// The quarv program as scripts and users run it: exit statuses and messages of runs that
// cannot do what they were asked.
#include <gtest/gtest.h>
#include <sys/stat.h>
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
#include "support/hard_disk_builder.h"
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

std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
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

// A snapshot of a run of the built-in ROM and demo disk under the names `rom` and
// `disk` (copies made in `folder`), which the test may then take away or replace.
void saveSnapshotNaming(const std::string& folder, const std::string& snapshot, const std::string& disk,
                        const std::string& rom) {
    std::filesystem::copy_file(folder + "/QuarvDefault.ST", folder + "/" + disk);
    std::filesystem::copy_file(folder + "/QuarvDefault.ROM", folder + "/" + rom);
    ProgramRun r = quarv(folder, "--headless --frames 2 --disk " + disk + " --rom " + rom + " --snapshot-save " + snapshot);
    ASSERT_EQ(r.status, 0) << r.output;
}

TEST(Program, BadRequestsFailWithTheirReason) {
    std::string folder = runFolder();
    std::ofstream(folder + "/notes.txt") << "not a TOS image, nor a disk";
    std::filesystem::create_directory(folder + "/folder");
    std::filesystem::copy_file(m68kProgramPath("gemdos_child"), folder + "/CHILD.PRG");
    writeBytes(folder + "/garbage.img", testPattern(64 * 512, 7, false));
    Bytes cut = hardDiskImage(PartitionTable::Dos, 8400, {});
    cut.resize(cut.size() / 2);
    writeBytes(folder + "/cut.img", cut);
    saveSnapshotNaming(folder, "gone.Quarv", "d.st", "gone.img");
    ASSERT_FALSE(HasFatalFailure());
    std::filesystem::remove(folder + "/gone.img");
    struct Case {
        const char* arguments;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {"--headless --frames 99999999999", 2, "from 0 to"},
        {"--headless --clock \"2023-02-29 12:00:00\" --frames 1", 2, "--clock wants"},
        {"--headless --rom notes.txt --frames 1", 1, "does not start with a TOS header"},
        {"--headless --rom folder --frames 1", 1, "quarv: folder is a folder."},
        {"--headless --data-dir notes.txt --frames 1", 1, "The data folder notes.txt is not a folder."},
        {"--headless --snapshot-load folder --frames 1", 1, "cannot load the snapshot folder: folder is a folder."},
        {"--headless --snapshot-load gone.Quarv --frames 1", 1,
         "Its TOS image cannot be loaded: Cannot open gone.img: No such file or directory."},
        {"--headless --snapshot-save folder --frames 1", 1, "cannot write the snapshot folder: folder is a folder."},
        {"--headless --png folder --frames 1", 1, "cannot save the picture folder: folder is a folder."},
        {"--headless --rom QuarvDefault.ROM CHILD.PRG --frames 1", 1, "Running ST programs needs a TOS image such as EmuTOS"},
        {"--headless NOPE.TOS --frames 1", 1, "Cannot run NOPE.TOS: there is no such file."},
        {"--headless --hd-folder nowhere --frames 1", 1, "Cannot use the folder nowhere as a drive"},
        {"--headless --acsi notes.txt --frames 1", 1,
         "quarv: Cannot use the hard disk image notes.txt: its size is not a whole number of 512-byte sectors.\n"},
        {"--headless --acsi garbage.img --frames 1", 1, "garbage.img: it holds neither an Atari"},
        {"--headless --acsi cut.img --frames 1", 1, "cut.img: it is smaller than its partition table says"},
        {"--headless --acsi a --acsi b --acsi c", 2, "at most two images"},
    };
    for (const Case& c : cases) {
        ProgramRun r = quarv(folder, c.arguments);
        EXPECT_EQ(r.status, c.status) << c.arguments << "\n" << r.output;
        EXPECT_NE(r.output.find(c.says), std::string::npos) << c.arguments << "\n" << r.output;
    }
}

// `quarv PROGRAM` boots the TOS with the program's folder as drive C: and the desktop
// starts the program, with the arguments of --args; the program writes its command line
// to C:\CHILD.OUT and ends. Without a TOS named, the built-in ROM being active, the
// bundled EmuTOS runs it.
TEST(Program, AProgramNamedOnTheCommandLineRunsUnderEmuTos) {
    const std::string emutos = std::string(QUARV_SHARED_DIR) + "/emutos/etos192uk.img";
    SKIP_WITHOUT_SHARED_DATA(std::filesystem::exists(emutos), "EmuTOS at " + emutos);
    const struct {
        const char* program;
        std::string options;
        const char* written;
    } cases[] = {
        {"CHILD.PRG", "--rom '" + emutos + "'", ""},
        {"child.ttp", "--rom '" + emutos + "' --args 'hello world'", "hello world"},
        {"CHILD.PRG", "--machine ste", ""},
    };
    for (const auto& c : cases) {
        std::string folder = runFolder();
        std::filesystem::create_directory(folder + "/programs");
        std::filesystem::copy_file(m68kProgramPath("gemdos_child"), folder + "/programs/" + c.program);
        ProgramRun r = quarv(folder, "--headless " + c.options + " programs/" + c.program + " --frames 800");
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_TRUE(std::filesystem::exists(folder + "/programs/CHILD.OUT")) << c.program << " " << c.options;
        EXPECT_EQ(readFileText(folder + "/programs/CHILD.OUT"), c.written);
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

// Opening a FIFO for reading waits for a writer: every path the program reads is
// refused at once when it names one (a hang would reach the time-out). A named input
// fails the run; an entry of the settings is passed over, as a missing file is; a disk
// named inside a snapshot leaves the drive empty, its TOS image refuses the snapshot.
TEST(Program, AFifoAtAnyInputPathIsRefusedAtOnce) {
    std::string folder = runFolder();
    saveSnapshotNaming(folder, "disk.Quarv", "fifo_disk.st", "rom.img");
    saveSnapshotNaming(folder, "rom.Quarv", "disk.st", "fifo_rom.img");
    ASSERT_FALSE(HasFatalFailure());
    for (const char* fifo : {"fifo.st", "fifo.img", "fifo.Quarv", "fifo.ini", "fifo_disk.st", "fifo_rom.img"}) {
        std::filesystem::remove(folder + "/" + fifo);
        ASSERT_EQ(::mkfifo((folder + "/" + fifo).c_str(), 0600), 0) << fifo;
    }
    std::ofstream(folder + "/rom_entry.ini") << "[ROMS]\nCount=1\nROM0=fifo.img\nActive0=1\n";
    std::ofstream(folder + "/drive_entry.ini") << "[Disks]\nDriveA=fifo.st\n";
    const struct {
        const char* arguments;
        int status;
        const char* says;
    } cases[] = {
        {"--disk fifo.st", 1, "Cannot use the disk image fifo.st: fifo.st is not a regular file."},
        {"fifo.st", 1, "Cannot use the disk image fifo.st: fifo.st is not a regular file."},
        {"--rom fifo.img", 1, "fifo.img is not a regular file."},
        {"--acsi fifo.img", 1, "fifo.img: it is not a regular file."},
        {"--snapshot-load fifo.Quarv", 1, "fifo.Quarv is not a regular file."},
        {"--config fifo.ini", 0, "fifo.ini is not a regular file."},
        {"--config rom_entry.ini", 0, ""},
        {"--config drive_entry.ini", 0, ""},
        {"--snapshot-load disk.Quarv", 0, "Drive A is left empty: the disk image fifo_disk.st cannot be used"},
        {"--snapshot-load rom.Quarv", 1, "Its TOS image cannot be loaded: fifo_rom.img is not a regular file."},
    };
    for (const auto& c : cases) {
        ProgramRun r = shell("cd '" + folder + "' && XDG_RUNTIME_DIR='" + folder + "' XDG_DATA_HOME='" + folder +
                             "/data' timeout 20 '" QUARV_PROGRAM "' --headless --frames 1 " + c.arguments);
        EXPECT_EQ(r.status, c.status) << c.arguments << "\n" << r.output;
        EXPECT_NE(r.output.find(c.says), std::string::npos) << c.arguments << "\n" << r.output;
    }
}

// A folder that holds shot/, sound/ and MemoryShot/ is the data folder; links planted
// at the program's names there (the default snapshot, the crash and hardware logs) are
// replaced by the files and the user's files they point to stay as they were. A link
// the user names on the command line is written through, in that folder too. (19 of
// the 20 frames reach their end: the crash ends the first one early.)
TEST(Program, LinksPlantedInThePortableFolderAreNotFollowed) {
    std::string folder = runFolder();
    for (const char* sub : {"shot", "sound", "MemoryShot"}) std::filesystem::create_directory(folder + "/" + sub);
    std::ofstream(folder + "/quarv.ini") << "[Machine]\nbSoundDebug=1\n";
    const char* planted[] = {"MemoryShot/DefaultSnapshot.Quarv", "crashLog.txt", "HardwareLog.txt"};
    for (const char* name : planted) {
        std::string victim = folder + "/victim_" + std::filesystem::path(name).filename().string();
        std::ofstream(victim) << "the user's file";
        std::filesystem::create_symlink(victim, folder + "/" + name);
    }
    std::ofstream(folder + "/picture_target.png") << "old picture";
    std::filesystem::create_symlink("picture_target.png", folder + "/mine.png");
    ProgramRun r = quarv(folder, "--headless --frames 20 --default-snapshot --png mine.png --rom '" +
                                     m68kProgramPath("sched_crash") + "'");
    ASSERT_EQ(r.status, 0) << r.output;
    for (const char* name : planted) {
        std::string victim = folder + "/victim_" + std::filesystem::path(name).filename().string();
        EXPECT_EQ(readFileText(victim), "the user's file") << name;
        EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(folder + "/" + name))) << name;
    }
    EXPECT_NE(readFileText(folder + "/crashLog.txt").find("PC: $"), std::string::npos);
    EXPECT_NE(readFileText(folder + "/HardwareLog.txt").find("//// NEW FRAME (18) ////"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_symlink(folder + "/mine.png"));
    EXPECT_EQ(readFileText(folder + "/picture_target.png").substr(1, 3), "PNG");
}

// A trace that cannot be written whole (here past a file size limit; on a full disk the
// same) stops, says why and fails the run; the trace of an earlier run stays.
TEST(Program, ATraceThatCannotBeWrittenFailsTheRunAndKeepsTheOldTrace) {
    std::string folder = runFolder();
    std::ofstream(folder + "/trace.txt") << "an earlier trace";
    ProgramRun r = shell("cd '" + folder + "' && trap '' XFSZ && ulimit -f 64 && XDG_RUNTIME_DIR='" + folder +
                         "' XDG_DATA_HOME='" + folder + "/data' '" QUARV_PROGRAM
                         "' --config quarv.ini --headless --frames 50 --trace trace.txt");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("the trace stopped: Cannot write trace.txt: File too large."), std::string::npos)
        << r.output;
    EXPECT_EQ(readFileText(folder + "/trace.txt"), "an earlier trace");
    EXPECT_EQ(entries(folder), (std::vector<std::string>{"QuarvDefault.ROM", "QuarvDefault.ST", "data", "trace.txt"}))
        << "no temporary file left";

    r = quarv(folder, "--headless --frames 1 --trace /dev/full");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("/dev/full is not a regular file."), std::string::npos) << r.output;
}

// A headless run is a function of its inputs: with --clock, the same EmuTOS boot gives
// the same picture and sound at another hour of the host and on a host ten times as
// fast; the boot screen shows the keyboard processor's time, so another --clock, or the
// host's clock without one, shows in the picture.
TEST(Program, HeadlessRunsWithAClockRepeatWhateverTheHostsHourAndSpeed) {
    const std::string emutos = std::string(QUARV_SHARED_DIR) + "/emutos/etos192uk.img";
    SKIP_WITHOUT_SHARED_DATA(std::filesystem::exists(emutos), "EmuTOS at " + emutos);
    std::string folder = runFolder();
    auto run = [&](const std::string& name, long hostTime, int rate, const std::string& clock) {
        ProgramRun r = shell("cd '" + folder + "' && XDG_RUNTIME_DIR='" + folder + "' XDG_DATA_HOME='" + folder +
                             "/data' LD_PRELOAD='" QUARV_FAKE_CLOCK "' ASAN_OPTIONS=verify_asan_link_order=0" +
                             " QUARV_FAKE_TIME=" + std::to_string(hostTime) + " QUARV_FAKE_RATE=" +
                             std::to_string(rate) + " '" QUARV_PROGRAM "' --config quarv.ini --headless --frames 250 --rom '" +
                             emutos + "' --no-disk --png " + name + ".png --wav " + name + ".wav " + clock);
        EXPECT_EQ(r.status, 0) << r.output;
        return readFileBytes(folder + "/" + name + ".png");
    };
    const std::string clock = "--clock \"2024-03-01 19:03:39\"";
    std::vector<uint8_t> first = run("first", 1700000000, 1, clock);
    std::vector<uint8_t> second = run("second", 1800000000, 10, clock);
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(first == second) << "the picture";
    EXPECT_TRUE(readFileBytes(folder + "/first.wav") == readFileBytes(folder + "/second.wav")) << "the sound";
    EXPECT_FALSE(first == run("other_clock", 1700000000, 1, "--clock \"2024-03-01 19:04:39\""));
    EXPECT_FALSE(run("host_a", 1700000000, 1, "") == run("host_b", 1800000000, 1, ""));
}

// A default snapshot that cannot be written (MemoryShot is a file here) is a failed run,
// not a quiet one; a crash log that cannot be written (a folder is in its place) is
// reported with the reason, and the machine runs on.
TEST(Program, AFailedDefaultSnapshotIsAFailureAndAFailedCrashLogIsReported) {
    std::string folder = runFolder();
    std::filesystem::create_directories(folder + "/data/quarv/crashLog.txt");
    std::ofstream(folder + "/data/quarv/MemoryShot") << "in the way";
    ProgramRun r = quarv(folder, "--headless --frames 2 --default-snapshot --rom '" + m68kProgramPath("sched_crash") + "'");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("cannot save the default snapshot"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("The crash log was not written: " + folder + "/data/quarv/crashLog.txt is a folder."),
              std::string::npos)
        << r.output;
}

}  // namespace

// ---- The installed program ---------------------------------------------------------------
namespace {

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
