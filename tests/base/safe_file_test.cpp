// The atomic write every output file goes through: planted links, links as targets, and
// targets that are not regular files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

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

TEST_F(SafeFile, ATargetThatIsNoRegularFileIsRefused) {
    ASSERT_EQ(::mkfifo(target.c_str(), 0600), 0);
    EXPECT_FALSE(writeFileReplacing(target, "x", 1));
    EXPECT_NE(replacingError().find("not a regular file"), std::string::npos) << replacingError();
    fs::create_directory(dir + "/folder");
    EXPECT_FALSE(writeFileReplacing(dir + "/folder", "x", 1));
    EXPECT_EQ(entries(dir), 3);
}

TEST_F(SafeFile, AFailedWriteLeavesTheOldFileAndNoTemporaryOne) {
    put(target, "old");
    {
        FileSizeLimit full(4);
        EXPECT_FALSE(writeFileReplacing(target, "a longer picture", 16));
    }
    EXPECT_EQ(readFileText(target), "old");
    EXPECT_EQ(entries(dir), 2);
}

}  // namespace
