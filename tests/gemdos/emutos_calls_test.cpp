// The folder drive under EmuTOS: a program of our own, started from the folder as the
// desktop's start program, makes a table of GEMDOS calls on drive C: (create, write,
// read back, seek, rename, delete, folders, searches, long host names, errors, attempts
// to leave the folder, a program run from the drive) and writes down what each returned.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "bus/memory_map.h"
#include "calls_program.h"
#include "support/test_machine.h"

namespace fs = std::filesystem;

namespace {

// A call of the table: what it tests, the call, D0 and the name in the DTA after it.
constexpr int32_t ANY = INT32_MIN;
struct Row {
    std::string what;
    uint16_t function;
    std::vector<Arg> args;
    int32_t d0;
    std::string name = "";
};

TEST(FolderDriveUnderEmuTos, ATableOfCallsFromAProgramOnTheDrive) {
    SKIP_WITHOUT_SHARED_DATA(fs::exists(EMUTOS), "EmuTOS at " + EMUTOS);
    Folders folders = makeFolders("gemdos_table");
    std::vector<std::string> outsideBefore = listing(folders.outside), etcBefore = listing("/etc");
    EXPECT_EQ(folders.longName.substr(0, 6), "A_LON~");
    EXPECT_TRUE(folders.longName.ends_with(".TEX")) << folders.longName;

    Script s;
    auto t = [&s](const std::string& text) { return p(s.text(text)); };
    uint32_t dta = s.buffer(44), hello = s.text("hello world"), buffers[8];
    for (uint32_t& b : buffers) b = s.buffer(16);
    const Row rows[] = {
        {"the DTA", FSETDTA, {p(dta)}, ANY},
        {"create", FCREATE, {t("C:\\NEW.TXT"), w(0)}, 96},
        {"write", FWRITE, {w(96), l(11), p(hello)}, 11},
        {"seek to the start", FSEEK, {l(0), w(96), w(0)}, 0},
        {"read back", FREAD, {w(96), l(16), p(buffers[0])}, 11},
        {"seek into it", FSEEK, {l(6), w(96), w(0)}, 6},
        {"read a part", FREAD, {w(96), l(5), p(buffers[1])}, 5},
        {"seek from the end", FSEEK, {l(uint32_t(-2)), w(96), w(2)}, 9},
        {"seek before the start", FSEEK, {l(uint32_t(-1)), w(96), w(0)}, E_RANGE},
        {"seek past the end", FSEEK, {l(12), w(96), w(0)}, E_RANGE},
        {"close", FCLOSE, {w(96)}, 0},
        {"close again", FCLOSE, {w(96)}, EIHNDL},
        {"read a closed handle", FREAD, {w(96), l(1), p(buffers[2])}, EIHNDL},
        {"a lower-case host name", FOPEN, {t("C:\\README.TXT"), w(0)}, 96},
        {"its contents", FREAD, {w(96), l(16), p(buffers[2])}, 5},
        {"no writes to a file opened to read", FWRITE, {w(96), l(1), p(hello)}, EACCDN},
        {"its date and time", FDATIME, {p(buffers[3]), w(96), w(0)}, 0},
        {"close it", FCLOSE, {w(96)}, 0},
        {"a long host name by its 8.3 name", FOPEN, {t("C:\\" + folders.longName), w(0)}, 96},
        {"its contents", FREAD, {w(96), l(16), p(buffers[4])}, 4},
        {"close it", FCLOSE, {w(96)}, 0},
        {"a missing file", FOPEN, {t("C:\\MISSING.TXT"), w(0)}, EFILNF},
        {"a missing folder", FOPEN, {t("C:\\NOPE\\X.TXT"), w(0)}, EPTHNF},
        {"rename into a folder", FRENAME, {w(0), t("C:\\NEW.TXT"), t("C:\\SUB\\MOVED.TXT")}, 0},
        {"rename over a file", FRENAME, {w(0), t("C:\\README.TXT"), t("C:\\SUB\\INNER.DAT")}, EACCDN},
        {"delete", FDELETE, {t("C:\\SUB\\MOVED.TXT")}, 0},
        {"delete again", FDELETE, {t("C:\\SUB\\MOVED.TXT")}, EFILNF},
        {"make a folder", DCREATE, {t("C:\\NEWDIR")}, 0},
        {"make it again", DCREATE, {t("C:\\NEWDIR")}, EACCDN},
        {"go into it", DSETPATH, {t("\\NEWDIR")}, 0},
        {"the current path", DGETPATH, {p(buffers[5]), w(0)}, 0},
        {"create by a relative name", FCREATE, {t("INSIDE.TXT"), w(0)}, 96},
        {"close it", FCLOSE, {w(96)}, 0},
        {"the current folder stays", DDELETE, {t("C:\\NEWDIR")}, EACCDN},
        {"back to the root", DSETPATH, {t("\\")}, 0},
        {"the root's path, by drive number", DGETPATH, {p(buffers[6]), w(3)}, 0},
        {"a folder with a file stays", DDELETE, {t("C:\\NEWDIR")}, EACCDN},
        {"empty it", FDELETE, {t("C:\\NEWDIR\\INSIDE.TXT")}, 0},
        {"remove it", DDELETE, {t("C:\\NEWDIR")}, 0},
        {"search with folders", FSFIRST, {t("C:\\*.*"), w(0x10)}, 0, folders.longName},
        {"next", FSNEXT, {}, 0, "CALLS.BIN"},
        {"next", FSNEXT, {}, 0, "CALLS.PRG"},
        {"next", FSNEXT, {}, 0, "CHILD.PRG"},
        {"next", FSNEXT, {}, 0, "LOCKED.TXT"},
        {"next", FSNEXT, {}, 0, "README.TXT"},
        {"next", FSNEXT, {}, 0, "SUB"},
        {"no more: no dot files, no links outside", FSNEXT, {}, ENMFIL},
        {"search a pattern", FSFIRST, {t("C:\\*.TXT"), w(0)}, 0, "LOCKED.TXT"},
        {"next", FSNEXT, {}, 0, "README.TXT"},
        {"no more", FSNEXT, {}, ENMFIL},
        {"a subfolder has . and ..", FSFIRST, {t("C:\\SUB\\*.*"), w(0x10)}, 0, "."},
        {"next", FSNEXT, {}, 0, ".."},
        {"next", FSNEXT, {}, 0, "INNER.DAT"},
        {"no more", FSNEXT, {}, ENMFIL},
        {"files only", FSFIRST, {t("C:\\SUB\\*.*"), w(0)}, 0, "INNER.DAT"},
        {"nothing found", FSFIRST, {t("C:\\*.XYZ"), w(0)}, EFILNF},
        {"search a missing folder", FSFIRST, {t("C:\\NOPE\\*.*"), w(0)}, EPTHNF},
        {"read-only", FATTRIB, {t("C:\\LOCKED.TXT"), w(0), w(0)}, 1},
        {"a folder", FATTRIB, {t("C:\\SUB"), w(0), w(0)}, 0x10},
        {"no writing a read-only file", FOPEN, {t("C:\\LOCKED.TXT"), w(1)}, EACCDN},
        {"no deleting it", FDELETE, {t("C:\\LOCKED.TXT")}, EACCDN},
        {"no file over a folder", FCREATE, {t("C:\\SUB"), w(0)}, EACCDN},
        {"free space", DFREE, {p(buffers[7]), w(3)}, 0},
        {"above the root", FOPEN, {t("C:\\..\\..\\..\\etc\\passwd"), w(0)}, EPTHNF},
        {"up and out", FOPEN, {t("C:\\SUB\\..\\..\\sibling\\SECRET.TXT"), w(0)}, EPTHNF},
        {"a link to /etc", FOPEN, {t("C:\\ETC\\PASSWD"), w(0)}, EPTHNF},
        {"creating through it", FCREATE, {t("C:\\ETC\\EVIL.TXT"), w(0)}, EPTHNF},
        {"a link to a sibling", FCREATE, {t("C:\\SIBLING\\SECRET.TXT"), w(0)}, EPTHNF},
        {"over the link itself", FCREATE, {t("C:\\SIBLING"), w(0)}, EACCDN},
        {"deleting the link", FDELETE, {t("C:\\SIBLING"), w(0)}, EFILNF},
        {"a host path", FOPEN, {t("C:/etc/passwd"), w(0)}, EFILNF},
        {"the root's parent", DSETPATH, {t("C:\\..")}, EPTHNF},
        {"renaming out", FRENAME, {w(0), t("C:\\README.TXT"), t("C:\\..\\OUT.TXT")}, EPTHNF},
        {"searching through the link", FSFIRST, {t("C:\\ETC\\*.*"), w(0x10)}, EPTHNF},
        {"free memory before a program", MALLOC, {l(uint32_t(-1))}, ANY},
        {"run a program", PEXEC, {w(0), t("C:\\CHILD.PRG"), t("\x07" "abc def"), l(0)}, 42},
        {"free memory after it", MALLOC, {l(uint32_t(-1))}, ANY},
        {"not a program", PEXEC, {w(0), t("C:\\README.TXT"), t(""), l(0)}, EPLFMT},
        {"no program", PEXEC, {w(0), t("C:\\MISSING.PRG"), t(""), l(0)}, EFILNF},
        {"load without running", PEXEC, {w(3), t("C:\\CHILD.PRG"), t(""), l(0)}, ANY},
    };
    for (const Row& r : rows) s.call(r.function, r.args);
    size_t count = std::size(rows);
    ProgramRun run = runCallsProgram(folders.drive, s, count);
    ASSERT_TRUE(run.written) << "no results";

    for (size_t i = 0; i < count; ++i) {
        const Row& r = rows[i];
        SCOPED_TRACE(std::to_string(i) + ": " + r.what);
        if (r.d0 != ANY) {
            EXPECT_EQ(run.results[i].d0, r.d0);
        }
        if (!r.name.empty()) {
            EXPECT_EQ(run.results[i].name, r.name);
        }
    }
    EXPECT_EQ(run.text(buffers[0]), "hello world");
    EXPECT_EQ(run.text(buffers[1]), "world");
    EXPECT_EQ(run.text(buffers[2]), "hello");
    EXPECT_EQ(run.text(buffers[4]), "long");
    EXPECT_EQ(run.text(buffers[5]), "\\NEWDIR");
    EXPECT_EQ(run.text(buffers[6]), "");
    const uint8_t* when = run.script.data() + buffers[3];
    EXPECT_EQ(when[0] << 8 | when[1], 4 << 11 | 5 << 5 | 3) << "04:05:06";
    EXPECT_EQ(when[2] << 8 | when[3], 21 << 9 | 2 << 5 | 3) << "3 February 2001";
    const uint8_t* space = run.script.data() + buffers[7];
    EXPECT_EQ(space[11], 0) << "512-byte sectors" << (space[10] << 8 | space[11]);
    EXPECT_EQ(space[10] << 8 | space[11], 512);
    EXPECT_EQ(space[15], 2) << "two sectors a cluster";
    size_t pexec = count - 5;
    EXPECT_EQ(run.results[pexec - 1].d0, run.results[pexec + 1].d0) << "the program's memory is given back";
    EXPECT_GT(run.results[count - 1].d0, 0) << "a basepage";

    EXPECT_EQ(readFileText(folders.drive + "/CHILD.OUT"), "abc def");
    for (const char* gone : {"NEW.TXT", "SUB/MOVED.TXT", "NEWDIR"})
        EXPECT_FALSE(fs::exists(folders.drive + "/" + gone)) << gone;
    EXPECT_EQ(readFileText(folders.drive + "/LOCKED.TXT"), "locked");
    EXPECT_EQ(listing(folders.outside), outsideBefore) << "nothing outside the folder changes";
    EXPECT_EQ(listing("/etc"), etcBefore);
}


// With a folder as C:, EmuTOS boots from it: the programs of C:\AUTO run (from its BIOS,
// in supervisor mode) and C: is in the drive map.
TEST(FolderDriveUnderEmuTos, EmuTosBootsFromTheDriveAndRunsItsAutoFolder) {
    SKIP_WITHOUT_SHARED_DATA(fs::exists(EMUTOS), "EmuTOS at " + EMUTOS);
    std::string folder = makeTempDir("gemdos_auto");
    fs::create_directories(folder + "/AUTO");
    fs::copy_file(m68kProgramPath("gemdos_child"), folder + "/AUTO/CHILD.PRG");
    WorkingDirectory in(makeTempDir("gemdos_auto_run"));
    TestMachineSetup setup(EMUTOS);
    setup.folder = folder;
    startTestMachine(setup);
    ASSERT_FALSE(HasFatalFailure());
    for (int i = 0; i < 20 && !fs::exists(folder + "/CHILD.OUT"); ++i) runTestFrames(50);
    EXPECT_TRUE(fs::exists(folder + "/CHILD.OUT"));
    EXPECT_EQ(peekLong(0x4C2) & 4, 4u) << "_drvbits";
    stopTestMachine();
}

}  // namespace
