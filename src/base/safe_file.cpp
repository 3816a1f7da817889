#include "base/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "base/data_folder.h"

namespace fs = std::filesystem;

static std::string lastError;

const std::string& replacingError() { return lastError; }

// The file a path finally names: a symbolic link is followed (a chain of them too), so
// that the write lands in the file it points to and the link stays. A relative link
// target is taken from the link's folder.
static std::string resolveLinks(const std::string& path) {
    fs::path p = path;
    for (int depth = 0; depth < 40; ++depth) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(p, error))) break;
        fs::path target = fs::read_symlink(p, error);
        if (error) break;
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    return p.string();
}

// A new file gets the permissions fopen would give it; a replaced file keeps its own (a
// replaced link's target says nothing about the new file).
static mode_t permissionsFor(const std::string& path) {
    struct stat existing;
    if (::lstat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) return existing.st_mode & 07777;
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The temporary file is created exclusively under an unpredictable name in the target's
// folder (the rename must not cross file systems), so nothing another user planted there
// is opened or followed.
static void failWith(const std::string& name, int error) {
    lastError = "Cannot write " + name + ": " + std::strerror(error ? error : EIO) + ".";
}

bool replacingOpen(ReplacingFile& f, const std::string& path) {
    f.file = nullptr;
    f.name = path;
    f.error = 0;
    f.finalPath = isDataFolderFile(path) ? path : resolveLinks(path);
    struct stat target;
    if (::lstat(f.finalPath.c_str(), &target) == 0 && !S_ISREG(target.st_mode) && !S_ISLNK(target.st_mode)) {
        lastError = path + (S_ISDIR(target.st_mode) ? " is a folder." : " is not a regular file.");
        return false;
    }
    fs::path folder = fs::path(f.finalPath).parent_path();
    fs::path temp = (folder.empty() ? fs::path(".") : folder) / ("." + fs::path(f.finalPath).filename().string() + ".XXXXXX");
    std::string pattern = temp.string();
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        failWith(path, errno);
        return false;
    }
    ::fchmod(fd, permissionsFor(f.finalPath));
    f.tempPath = pattern;
    f.file = ::fdopen(fd, "wb");
    if (!f.file) {
        failWith(path, errno);
        ::close(fd);
        ::unlink(f.tempPath.c_str());
        return false;
    }
    return true;
}

bool replacingWrite(ReplacingFile& f, const void* data, size_t size) {
    if (!f.file || f.error) return false;
    if (size == 0 || std::fwrite(data, 1, size, f.file) == size) return true;
    f.error = errno ? errno : EIO;
    return false;
}

bool replacingCommit(ReplacingFile& f) {
    if (!f.file) return false;
    int error = f.error;
    auto keep = [&error](bool ok) {
        if (!ok && !error) error = errno ? errno : EIO;
    };
    if (std::ferror(f.file)) keep(false);
    keep(std::fflush(f.file) == 0);
    keep(::fsync(::fileno(f.file)) == 0);
    keep(std::fclose(f.file) == 0);
    f.file = nullptr;
    if (!error) keep(std::rename(f.tempPath.c_str(), f.finalPath.c_str()) == 0);
    if (error) {
        failWith(f.name, error);
        ::unlink(f.tempPath.c_str());
    }
    return !error;
}

void replacingAbandon(ReplacingFile& f) {
    if (f.file) std::fclose(f.file);
    f.file = nullptr;
    ::unlink(f.tempPath.c_str());
}

bool writeFileReplacing(const std::string& path, const void* data, size_t size) {
    ReplacingFile f;
    if (!replacingOpen(f, path)) return false;
    replacingWrite(f, data, size);
    return replacingCommit(f);
}
