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

std::string nextFreeDataFile(const char* format) {
    std::error_code error;
    for (int n = 0;; ++n) {
        char name[256];
        std::snprintf(name, sizeof name, format, n);
        std::string path = dataFile(name);
        if (!std::filesystem::exists(std::filesystem::symlink_status(path, error))) return path;
    }
}
