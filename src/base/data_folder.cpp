#include "base/data_folder.h"

#include <cstdio>
#include <filesystem>

static std::string folder;

void setDataFolder(const std::string& f) { folder = f == "." ? "" : f; }
const std::string& dataFolder() { return folder; }

std::string dataFile(const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// Folders are compared as the system resolves them, so that "./shot" and an absolute
// path to the same folder agree.
bool isDataFolderFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path parent = fs::path(path).parent_path();
    fs::path where = fs::weakly_canonical(parent.empty() ? fs::path(".") : parent, error);
    if (error) return false;
    fs::path base = folder.empty() ? fs::path(".") : fs::path(folder);
    for (const char* sub : {"shot", "sound", "MemoryShot"})
        if (fs::weakly_canonical(base / sub, error) == where && !error) return true;
    std::string name = fs::path(path).filename().string();
    bool ownName = name == CRASH_LOG_FILE || name == HARDWARE_LOG_FILE;
    return ownName && fs::weakly_canonical(base, error) == where && !error;
}

std::string nextFreeDataFile(const char* format) {
    std::error_code error;
    for (int n = 0;; ++n) {
        char name[256];
        std::snprintf(name, sizeof name, format, n);
        std::string path = dataFile(name);
        if (!std::filesystem::exists(std::filesystem::symlink_status(path, error))) return path;
    }
}
