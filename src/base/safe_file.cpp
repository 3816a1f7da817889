#include "base/safe_file.h"

#include <unistd.h>

bool replacingOpen(ReplacingFile& f, const std::string& path) {
    f.finalPath = path;
    f.tempPath = path + ".tmp" + std::to_string(::getpid());
    f.file = std::fopen(f.tempPath.c_str(), "wb");
    return f.file != nullptr;
}

bool replacingCommit(ReplacingFile& f) {
    if (!f.file) return false;
    bool ok = !std::ferror(f.file);
    ok = std::fflush(f.file) == 0 && ok;
    ok = ::fsync(::fileno(f.file)) == 0 && ok;
    ok = std::fclose(f.file) == 0 && ok;
    f.file = nullptr;
    if (ok) ok = std::rename(f.tempPath.c_str(), f.finalPath.c_str()) == 0;
    if (!ok) std::remove(f.tempPath.c_str());
    return ok;
}

void replacingAbandon(ReplacingFile& f) {
    if (f.file) std::fclose(f.file);
    f.file = nullptr;
    std::remove(f.tempPath.c_str());
}

bool writeFileReplacing(const std::string& path, const void* data, size_t size) {
    ReplacingFile f;
    if (!replacingOpen(f, path)) return false;
    if (size && std::fwrite(data, 1, size, f.file) != size) {
        replacingAbandon(f);
        return false;
    }
    return replacingCommit(f);
}
