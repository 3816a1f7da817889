// The folder drive's answers to single GEMDOS calls made by a TRAP #1 without a TOS
// (fuzz/folder_drive_caller.h): what it leaves to the TOS, write protection, what a
// large read costs, and the files it closes by itself.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "../../fuzz/folder_drive_caller.h"
#include "calls_program.h"
#include "gemdos/folder_drive.h"
#include "gemdos/folder_drive_snapshot.h"
#include "machine/machine_reset.h"
#include "machine/rom_images.h"
#include "machine/snapshot.h"
#include "support/test_machine.h"

namespace fs = std::filesystem;
using namespace folder_drive_caller;

namespace {

struct FolderDriveCalls : testing::Test {
    void SetUp() override {
        ASSERT_TRUE(folder_drive_caller::setUp());
        folder = makeTempDir("folder_drive");
        std::ofstream(folder + "/FILE.TXT") << "contents";
        fs::create_directory(folder + "/SUB");
        std::string error;
        ASSERT_TRUE(attachFolderDrive(folder, 2, false, error)) << error;
    }
    void TearDown() override { detachFolderDrive(); }

    int32_t open(const std::string& path, uint16_t mode = 0) { return make(call(FOPEN).l(text.put(path)).w(mode)); }
    void setCurrentDrive(uint8_t drive) { copyToSt(BASEPAGE + 0x37, &drive, 1); }

    std::string folder;
    Strings text;
};

// Calls for other drives, handles and DTAs of the TOS, and functions the drive does not
// know go to the TOS as they came.
TEST_F(FolderDriveCalls, CallsThatAreNotTheDrivesGoToTheTos) {
    struct Case {
        const char* what;
        uint8_t currentDrive;
        Arguments call;
    };
    const Case cases[] = {
        {"a path on A:", 2, call(FOPEN).l(text.put("A:\\FILE.TXT")).w(0)},
        {"no letter, A: current", 0, call(FOPEN).l(text.put("FILE.TXT")).w(0)},
        {"a folder on D:", 2, call(DCREATE).l(text.put("D:\\NEW"))},
        {"a TOS handle", 2, call(FREAD).w(6).l(10).l(BUFFER)},
        {"a TOS handle closed", 2, call(FCLOSE).w(5)},
        {"the TOS's search", 2, call(FSNEXT)},
        {"the path of A:", 2, call(DGETPATH).l(BUFFER).w(1)},
        {"free space on the current drive A:", 0, call(DFREE).l(BUFFER).w(0)},
        {"Pexec 6 of a basepage", 2, call(PEXEC).w(6).l(0).l(BASEPAGE).l(0)},
        {"Sversion", 2, call(0x30)},
        {"Dsetdrv", 2, call(0x0E).w(2)},
    };
    for (const Case& c : cases) {
        setCurrentDrive(c.currentDrive);
        EXPECT_EQ(make(c.call), PASSED) << c.what;
    }
    setCurrentDrive(2);
    EXPECT_EQ(open("FILE.TXT"), FIRST_HANDLE) << "no letter, C: current";
    EXPECT_EQ(open("c:\\file.txt"), FIRST_HANDLE + 1) << "letters in lower case";
}

// Every call the TOS makes, the BIOS's too, puts the drive into _drvbits.
TEST_F(FolderDriveCalls, TheDriveIsInTheDriveMapFromTheFirstCall) {
    putLong(0x4C2, 0x3);
    make(call(0x0B));  // a BIOS function number, made as GEMDOS: passed, but the map is set
    EXPECT_EQ(longAt(0x4C2), 0x7u);
    putLong(0x4C2, 0x3);
    putLong(0xB4, TOS);  // TRAP #13 leads where TRAP #1 does
    putWord(CODE, 0x4E4D);
    make(call(0x0A));  // Drvmap
    EXPECT_EQ(longAt(0x4C2), 0x7u);
}

// A protected drive refuses every call that would change the folder (EWRPRO) and reads
// as before; a folder the user cannot write is protected whatever the setting.
TEST_F(FolderDriveCalls, WriteProtectionRefusesEveryWrite) {
    int32_t handle = open("C:\\FILE.TXT", 2);
    ASSERT_EQ(handle, FIRST_HANDLE);
    const struct {
        const char* what;
        Arguments call;
    } writes[] = {
        {"Fcreate", call(FCREATE).l(text.put("C:\\NEW.TXT")).w(0)},
        {"Fopen to write", call(FOPEN).l(text.put("C:\\FILE.TXT")).w(1)},
        {"Fopen to read and write", call(FOPEN).l(text.put("C:\\FILE.TXT")).w(2)},
        {"Fwrite to a file opened before", call(FWRITE).w(uint32_t(handle)).l(1).l(BUFFER)},
        {"Fdelete", call(FDELETE).l(text.put("C:\\FILE.TXT"))},
        {"Frename", call(FRENAME).w(0).l(text.put("C:\\FILE.TXT")).l(text.put("C:\\OTHER.TXT"))},
        {"Dcreate", call(DCREATE).l(text.put("C:\\NEWDIR"))},
        {"Ddelete", call(DDELETE).l(text.put("C:\\SUB"))},
        {"Fattrib set", call(FATTRIB).l(text.put("C:\\FILE.TXT")).w(1).w(1)},
        {"Fdatime set", call(FDATIME).l(BUFFER).w(uint32_t(handle)).w(1)},
    };
    const std::vector<std::string> before = listing(folder);
    setFolderDriveWriteProtect(true);
    for (const auto& c : writes) EXPECT_EQ(make(c.call), EWRPRO) << c.what;
    EXPECT_EQ(listing(folder), before);
    EXPECT_EQ(make(call(FREAD).w(uint32_t(handle)).l(8).l(BUFFER)), 8) << "reading goes on";
    EXPECT_EQ(open("C:\\FILE.TXT"), FIRST_HANDLE + 1);
    EXPECT_EQ(make(call(FSFIRST).l(text.put("C:\\*.*")).w(0x10)), 0);

    setFolderDriveWriteProtect(false);
    EXPECT_EQ(make(writes[0].call), FIRST_HANDLE + 2);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    std::string error;
    ASSERT_TRUE(attachFolderDrive(folder, 2, false, error));
    EXPECT_TRUE(folderDriveWriteProtected()) << "a folder without write permission";
    EXPECT_EQ(make(writes[4].call), EWRPRO);
    fs::permissions(folder, fs::perms::owner_all);
}

// A read is one call whatever its size: a megabyte costs the TRAP's cycles, far below
// half a second of the ST's time.
TEST_F(FolderDriveCalls, AMegabyteReadsInOneCall) {
    std::vector<char> data(1 << 20);
    for (size_t i = 0; i < data.size(); ++i) data[i] = char(i * 7 + (i >> 11));
    std::ofstream(folder + "/BIG.DAT", std::ios::binary).write(data.data(), long(data.size()));
    int32_t handle = open("C:\\BIG.DAT");
    int cycles = 0;
    EXPECT_EQ(make(call(FREAD).w(uint32_t(handle)).l(uint32_t(data.size())).l(BUFFER), &cycles), 1 << 20);
    EXPECT_LT(cycles, 8021247 / 2);
    std::vector<char> back(data.size());
    ASSERT_TRUE(copyFromSt(BUFFER, back.data(), uint32_t(back.size())));
    EXPECT_TRUE(back == data);
    // A read that runs past the end of RAM stops there.
    make(call(FSEEK).l(0).w(uint32_t(handle)).w(0));
    EXPECT_EQ(make(call(FREAD).w(uint32_t(handle)).l(0x100).l(ramSizeBytes() - 0x10)), 0x10);
}

// The TOS closes its files when a process ends and when it boots; the drive closes its
// own then, and gives out every handle it has before refusing.
TEST_F(FolderDriveCalls, FilesCloseWithTheirProcessAndAtAReset) {
    for (int i = 0; i < int(FILE_SLOTS); ++i) ASSERT_EQ(open("C:\\FILE.TXT"), FIRST_HANDLE + i);
    EXPECT_EQ(open("C:\\FILE.TXT"), ENHNDL);
    EXPECT_EQ(make(call(FFORCE).w(1).w(FIRST_HANDLE)), EIHNDL) << "standard handles stay the TOS's";
    EXPECT_EQ(make(call(PTERM0)), PASSED) << "the TOS ends the process";
    EXPECT_EQ(make(call(FCLOSE).w(FIRST_HANDLE)), EIHNDL) << "closed with it";
    ASSERT_EQ(open("C:\\FILE.TXT"), FIRST_HANDLE);
    hardwareReset();
    EXPECT_EQ(make(call(FREAD).w(FIRST_HANDLE).l(1).l(BUFFER)), EIHNDL);
    ASSERT_EQ(open("C:\\FILE.TXT"), FIRST_HANDLE);
    detachFolderDrive();
    EXPECT_EQ(make(call(FREAD).w(FIRST_HANDLE).l(1).l(BUFFER)), PASSED) << "no drive: the TOS's handle";
}

// A snapshot brings its folder back as it was when the folder is the one attached; a
// snapshot naming another folder cannot make the ST write there.
TEST_F(FolderDriveCalls, ASnapshotsOtherFolderComesBackWriteProtected) {
    // A snapshot names the TOS image it ran on and resumes only with it.
    ASSERT_TRUE(loadTosRom(m68kProgramPath("snapshot_machine").c_str())) << romLoadError;
    std::vector<uint8_t> snapshot;
    saveSnapshotToBuffer(snapshot);
    ASSERT_TRUE(loadSnapshotFromBuffer(snapshot.data(), snapshot.size()));
    EXPECT_FALSE(folderDriveWriteProtected()) << "the same folder";
    std::string error;
    ASSERT_TRUE(attachFolderDrive(makeTempDir("folder_drive_other"), 2, false, error));
    ASSERT_TRUE(loadSnapshotFromBuffer(snapshot.data(), snapshot.size()));
    EXPECT_EQ(folderDrivePath(), folder);
    EXPECT_TRUE(folderDriveWriteProtected());
    EXPECT_EQ(make(call(FCREATE).l(text.put("C:\\NEW.TXT")).w(0)), EWRPRO);
}

}  // namespace
