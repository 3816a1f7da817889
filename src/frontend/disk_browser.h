#pragma once
// What the disk page shows of the host's folders: the sub-folders of a folder, the disk
// images in it (".st", ".msa", ".dim", ".fdi" in any letter case, and the image members
// of its ZIP archives), and the texts of an image's probe.
#include <string>
#include <vector>

#include "floppy/disk_image.h"

struct DiskBrowserEntry {
    std::string name;  // as listed: "game.st", or "games.zip/disk1.st" for a member
    std::string path;  // what InsertDisk takes
};

// Sub-folder names in name order without regard to case; hidden ones are left out.
std::vector<std::string> listSubfolders(const std::string& folder);
// Image files and archive members in name order without regard to case. Members inside
// folders of an archive are not listed: a disk path cannot name them.
std::vector<DiskBrowserEntry> listDiskImages(const std::string& folder);
// The folder the page opens on: that of the disk in drive A (for an archive member, the
// archive's folder), else `saved` when it is a folder, else the working folder.
std::string diskBrowserStartFolder(const std::string& insertedPath, const std::string& saved);

// "Standard ST Disk Image.", "MSA Disk Image.", "FCopy Disk Image.", "FDI Image".
const char* diskFormatName(uint32_t format);
// The probe line's values: "%dKB" of the file size, and "%.02f%%" of how much of its
// declared geometry the file holds.
std::string diskSizeText(const DiskImageInfo& info);
std::string diskPercentText(const DiskImageInfo& info);
