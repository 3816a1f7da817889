#include "frontend/program_files.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

std::string programFolder() {
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string(".") : self.parent_path().string();
}

std::string findBuiltInFile(const std::string& binaryFolder, const char* name) {
    fs::path folder = binaryFolder;
    const fs::path candidates[] = {folder / ".." / "share" / "quarv" / name, folder / ".." / ".." / "share" / "quarv" / name,
                                   folder / ".." / ".." / ".." / "share" / "quarv" / name, folder / "run" / name,
                                   folder / name, fs::path(name)};
    for (const fs::path& candidate : candidates) {
        std::error_code error;
        if (fs::is_regular_file(candidate, error)) return candidate.lexically_normal().string();
    }
    return "";
}

std::string chooseDataFolder(const std::string& option) {
    if (!option.empty()) return option;
    std::error_code error;
    bool portable = true;
    for (const char* sub : {"shot", "sound", "MemoryShot"}) portable = portable && fs::is_directory(sub, error);
    if (portable) return "";
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg) return (fs::path(xdg) / "quarv").string();
    const char* home = std::getenv("HOME");
    return (fs::path(home && *home ? home : ".") / ".local" / "share" / "quarv").string();
}
