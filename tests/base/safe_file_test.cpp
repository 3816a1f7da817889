// The atomic write every output file goes through: planted links, links as targets, and
// targets that are not regular files; and the check every input file goes through.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/data_folder.h"
#include "base/input_file.h"
#include "base/safe_file.h"
#include "support/test_machine.h"

namespace fs = std::filesystem;

namespace {

void put(const std::string& path, const std::string& content) { std::ofstream(path) << content; }
int entries(const std::string& dir) { return int(std::distance(fs::directory_iterator(dir), {})); }

class SafeFile : public testing::Test {
protected:
    std::string dir = makeTempDir("safe_file");
    std::string target = dir + "/shot.tga";
    std::string victim = dir + "/victim";
    void SetUp() override { put(victim, "precious"); }
};

// Another user's link at the name a temporary file used to get (<target>.tmp<pid>) does
// not lead the write to the file it points to.
TEST_F(SafeFile, APlantedLinkAtTheOldTemporaryNameIsNotFollowed) {
    fs::create_symlink(victim, target + ".tmp" + std::to_string(::getpid()));
    ASSERT_TRUE(writeFileReplacing(target, "picture", 7));
    EXPECT_EQ(readFileText(target), "picture");
    EXPECT_EQ(readFileText(victim), "precious");
}

// A target that is a link is written through: the file it names changes, the link stays.
TEST_F(SafeFile, ALinkAsTargetIsWrittenThrough) {
    std::string real = dir + "/real.ini";
    put(real, "old");
    ::chmod(real.c_str(), 0640);
    fs::create_symlink("real.ini", target);  // relative, from the link's folder
    ASSERT_TRUE(writeFileReplacing(target, "new", 3));
    EXPECT_TRUE(fs::is_symlink(target));
    EXPECT_EQ(readFileText(real), "new");
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms(0640)) << "a replaced file keeps its mode";
    EXPECT_EQ(entries(dir), 3) << "no temporary file left";
}

// The data folder's names are the program's: a link found at one was planted (a
// downloaded portable folder), so it is replaced by the new file and the file it points
// to keeps its content. A link at another name, beside them too, is the user's and is
// written through.
TEST_F(SafeFile, ALinkAtADataFolderNameIsReplacedNotFollowed) {
    std::string data = dir + "/data";
    for (const char* sub : {"shot", "sound", "MemoryShot"}) fs::create_directories(data + "/" + sub);
    setDataFolder(data);
    for (const char* name : {"MemoryShot/DefaultSnapshot.Quarv", "MemoryShot/QuarvMemoryShot_1.Quarv", "crashLog.txt",
                             "HardwareLog.txt", "shot/Quarv_000.tga", "sound/song_000.wav"}) {
        std::string path = dataFile(name);
        fs::create_symlink(victim, path);
        ASSERT_TRUE(writeFileReplacing(path, "new", 3)) << name;
        EXPECT_FALSE(fs::is_symlink(path)) << name;
        EXPECT_EQ(readFileText(path), "new") << name;
        EXPECT_EQ(readFileText(victim), "precious") << name;
    }
    std::string user = data + "/mine.png";
    fs::create_symlink(victim, user);
    ASSERT_TRUE(writeFileReplacing(user, "picture", 7));
    EXPECT_TRUE(fs::is_symlink(user));
    EXPECT_EQ(readFileText(victim), "picture");
    setDataFolder("");
}

TEST_F(SafeFile, ATargetThatIsNoRegularFileIsRefused) {
    ASSERT_EQ(::mkfifo(target.c_str(), 0600), 0);
    EXPECT_FALSE(writeFileReplacing(target, "x", 1));
    EXPECT_EQ(replacingError(), target + " is not a regular file.");
    fs::create_directory(dir + "/folder");
    EXPECT_FALSE(writeFileReplacing(dir + "/folder", "x", 1));
    EXPECT_EQ(replacingError(), dir + "/folder is a folder.");
    EXPECT_EQ(entries(dir), 3);
}

TEST_F(SafeFile, AFailedWriteLeavesTheOldFileAndNoTemporaryOne) {
    put(target, "old");
    {
        FileSizeLimit full(4);
        EXPECT_FALSE(writeFileReplacing(target, "a longer picture", 16));
    }
    EXPECT_EQ(replacingError(), "Cannot write " + target + ": File too large.");
    EXPECT_EQ(readFileText(target), "old");
    EXPECT_EQ(entries(dir), 2);
}

// Opening never waits: a FIFO (which would wait for a writer) is refused at once, as is
// a folder; a device that can be read is taken like a file.
TEST(InputFile, RegularFilesAndDevicesOpenOtherKindsAreRefusedWithTheirReason) {
    std::string dir = makeTempDir("input_file");
    put(dir + "/file", "bytes");
    ASSERT_EQ(::mkfifo((dir + "/fifo").c_str(), 0600), 0);
    fs::create_directory(dir + "/folder");
    const struct {
        std::string path;
        std::string reason;  // empty: opened
    } cases[] = {
        {dir + "/file", ""},
        {"/dev/null", ""},
        {dir + "/fifo", dir + "/fifo is not a regular file."},
        {dir + "/folder", dir + "/folder is a folder."},
        {dir + "/missing", "Cannot open " + dir + "/missing: No such file or directory."},
    };
    for (const auto& c : cases) {
        std::FILE* f = openInputFile(c.path);
        EXPECT_EQ(f != nullptr, c.reason.empty()) << c.path;
        if (f) std::fclose(f);
        EXPECT_EQ(inputFileError(), c.reason);
    }
}

}  // namespace
