// What the disk page lists of a folder, and where it opens.
#include <gtest/gtest.h>

#include <filesystem>

#include "frontend/disk_browser.h"
#include "support/test_machine.h"
#include "support/zip_writer.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> names(const std::vector<DiskBrowserEntry>& entries) {
    std::vector<std::string> out;
    for (const DiskBrowserEntry& e : entries) out.push_back(e.name);
    return out;
}

}  // namespace

// Image files in any letter case and the image members of archives (a streamed one
// among them), in name order; no other files, no folders, no members inside folders of
// an archive, which no disk path can name.
TEST(DiskBrowser, ListsImagesAndTheImageMembersOfArchives) {
    std::string dir = makeTempDir("disk_browser");
    Bytes image = testPattern(2048, 1, true);
    for (const char* name : {"b.ST", "a.msa", "c.Dim", "d.fdi", "notes.txt", "st"}) writeBytes(dir + "/" + name, image);
    ZipMember streamed{"DISK3.MSA", image};
    streamed.streamed = true;
    writeBytes(dir + "/games.zip",
               buildZip({{"readme.txt", image}, {"folder/disk2.st", image}, {"disk1.st", image}, streamed}));
    fs::create_directories(dir + "/Zed.st");
    fs::create_directories(dir + "/alpha");
    fs::create_directories(dir + "/.hidden");

    std::vector<DiskBrowserEntry> images = listDiskImages(dir);
    EXPECT_EQ(names(images), (std::vector<std::string>{"a.msa", "b.ST", "c.Dim", "d.fdi", "games.zip/disk1.st",
                                                       "games.zip/DISK3.MSA"}));
    EXPECT_EQ(images[4].path, dir + "/games.zip/disk1.st");
    EXPECT_EQ(listSubfolders(dir), (std::vector<std::string>{"alpha", "Zed.st"}));
}

// The folder of the disk in the drive (an archive member's is the archive's folder),
// else the saved folder, else the working folder.
TEST(DiskBrowser, OpensOnTheFolderOfTheInsertedDisk) {
    std::string dir = makeTempDir("disk_browser_start");
    fs::create_directories(dir + "/saved");
    writeBytes(dir + "/games.zip", buildZip({{"disk1.st", testPattern(100, 2, true)}}));
    WorkingDirectory working(dir);
    EXPECT_EQ(diskBrowserStartFolder(dir + "/games.zip/disk1.st", dir + "/saved"), dir);
    EXPECT_EQ(diskBrowserStartFolder("saved/x.st", ""), dir + "/saved");
    EXPECT_EQ(diskBrowserStartFolder("", dir + "/saved/"), dir + "/saved");
    EXPECT_EQ(diskBrowserStartFolder("", dir + "/gone"), dir);
}

TEST(DiskBrowser, ProbeTexts) {
    DiskImageInfo info{};
    info.format = DISK_FORMAT_MSA;
    info.fileSize = 368640 + 1023;
    info.percentPresent = 42.5f;
    EXPECT_STREQ(diskFormatName(info.format), "MSA Disk Image.");
    EXPECT_STREQ(diskFormatName(DISK_FORMAT_FDI), "FDI Image");
    EXPECT_EQ(diskSizeText(info), "360KB");
    EXPECT_EQ(diskPercentText(info), "42.50%");
}
