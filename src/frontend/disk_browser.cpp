#include "frontend/disk_browser.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "base/archive_file.h"

namespace fs = std::filesystem;

static bool nameBefore(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) < 0; }

static bool hasExtension(const std::string& name, const char* extension) {
    size_t n = std::char_traits<char>::length(extension);
    return name.size() > n && strcasecmp(name.c_str() + name.size() - n, extension) == 0;
}

static bool isImageName(const std::string& name) {
    for (const char* e : {".st", ".msa", ".dim", ".fdi"})
        if (hasExtension(name, e)) return true;
    return false;
}

std::vector<std::string> listSubfolders(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        std::error_code ignored;
        if (!name.empty() && name[0] != '.' && it->is_directory(ignored)) names.push_back(name);
    }
    std::sort(names.begin(), names.end(), nameBefore);
    return names;
}

// The archive's members are walked from its first local header.
static void addArchiveMembers(const std::string& archivePath, const std::string& archiveName,
                              std::vector<DiskBrowserEntry>& entries) {
    ArchiveFile* archive = archiveOpen(archivePath.c_str());
    if (!archive) return;
    for (int found = archiveIsMember(archive) ? 0 : -1; found == 0; found = archiveNextMember(archive)) {
        std::string member = archiveMemberName(archive);
        if (member.find('/') == std::string::npos && isImageName(member))
            entries.push_back({archiveName + "/" + member, archivePath + "/" + member});
    }
    archiveClose(archive);
}

std::vector<DiskBrowserEntry> listDiskImages(const std::string& folder) {
    std::vector<DiskBrowserEntry> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (!it->is_regular_file(ignored)) continue;
        std::string name = it->path().filename().string(), path = it->path().string();
        if (isImageName(name))
            entries.push_back({name, path});
        else if (hasExtension(name, ".zip"))
            addArchiveMembers(path, name, entries);
    }
    std::sort(entries.begin(), entries.end(),
              [](const DiskBrowserEntry& a, const DiskBrowserEntry& b) { return nameBefore(a.name, b.name); });
    return entries;
}

// Folders are given without a trailing separator and with links resolved, as the tree
// of folders names them.
std::string diskBrowserStartFolder(const std::string& insertedPath, const std::string& saved) {
    std::error_code error;
    if (!insertedPath.empty()) {
        fs::path folder = fs::weakly_canonical(insertedPath, error).parent_path();
        if (hasExtension(folder.string(), ".zip") && fs::is_regular_file(folder, error)) folder = folder.parent_path();
        if (fs::is_directory(folder, error)) return folder.string();
    }
    if (!saved.empty() && fs::is_directory(saved, error)) return fs::canonical(saved, error).string();
    return fs::current_path(error).string();
}

const char* diskFormatName(uint32_t format) {
    static const char* const names[4] = {"Standard ST Disk Image.", "MSA Disk Image.", "FCopy Disk Image.",
                                         "FDI Image"};
    return format < 4 ? names[format] : "";
}

std::string diskSizeText(const DiskImageInfo& info) {
    char text[32];
    std::snprintf(text, sizeof text, "%dKB", int(info.fileSize / 1024));
    return text;
}

std::string diskPercentText(const DiskImageInfo& info) {
    char text[32];
    std::snprintf(text, sizeof text, "%.02f%%", double(info.percentPresent));
    return text;
}
