// A snapshot taken while a program has a file open on the folder drive: resumed, the
// program reads on from where it was; resumed after the file left the folder, the
// program gets an invalid handle and the machine runs on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "calls_program.h"
#include "gemdos/folder_drive_snapshot.h"
#include "machine/snapshot.h"
#include "support/test_machine.h"

namespace fs = std::filesystem;

namespace {

TEST(FolderDriveSnapshot, AFileOpenOnTheDriveReadsOnAfterAResume) {
    SKIP_WITHOUT_SHARED_DATA(fs::exists(EMUTOS), "EmuTOS at " + EMUTOS);
    std::string folder = makeTempDir("gemdos_snapshot_drive");
    std::ofstream(folder + "/DATA.TXT") << "abcdefgh";
    // Open, read 4 bytes, wait 3 seconds (the snapshot is taken then), read 4 more.
    Script s;
    uint32_t first = s.buffer(8), second = s.buffer(8);
    s.call(FOPEN, {p(s.text("C:\\DATA.TXT")), w(0)});
    s.call(FREAD, {w(FIRST_HANDLE), l(4), p(first)});
    constexpr int WAITS = 150;
    for (int i = 0; i < WAITS; ++i) s.call(XBIOS_VSYNC, {}, true);
    s.call(FREAD, {w(FIRST_HANDLE), l(4), p(second)});
    s.call(FCLOSE, {w(FIRST_HANDLE)});
    const size_t calls = 2 + WAITS + 2, secondRead = calls - 2;

    WorkingDirectory in(makeTempDir("gemdos_snapshot_run"));
    startCallsProgram(folder, s);
    ASSERT_FALSE(HasFatalFailure());
    auto positionOfOpenFile = [] {
        FolderDriveSnapshot state;
        saveFolderDrive(state);
        return state.files.size() == 1 ? int(state.files[0].position) : -1;
    };
    for (int i = 0; i < 200 && positionOfOpenFile() != 4; ++i) runTestFrames(10);
    ASSERT_EQ(positionOfOpenFile(), 4) << "the program never had its file open";
    std::string snapshot = makeTempDir("gemdos_snapshot_file") + "/open.Quarv";
    ASSERT_TRUE(saveSnapshot(snapshot));

    struct Resume {
        const char* what;
        bool removeData;
        int32_t secondRead;
        const char* secondText;
    };
    const Resume resumes[] = {
        {"the run itself", false, 4, "efgh"},
        {"resumed", false, 4, "efgh"},
        {"resumed without the file", true, EIHNDL, ""},
    };
    for (const Resume& r : resumes) {
        SCOPED_TRACE(r.what);
        fs::remove(folder + "/RESULTS.BIN");
        if (r.removeData) fs::remove(folder + "/DATA.TXT");
        if (&r != &resumes[0]) {
            ASSERT_TRUE(loadSnapshot(snapshot));
        }
        ASSERT_TRUE(runUntilResults(folder));
        ProgramRun run = readResults(folder, calls);
        ASSERT_TRUE(run.written);
        EXPECT_EQ(run.results[1].d0, 4);
        EXPECT_EQ(run.text(first), "abcd");
        EXPECT_EQ(run.results[secondRead].d0, r.secondRead);
        EXPECT_EQ(run.text(second), r.secondText);
        EXPECT_EQ(run.results[calls - 1].d0, 0) << "closed";
    }
    stopTestMachine();
}

}  // namespace
