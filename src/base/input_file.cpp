#include "base/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

static std::string lastError;

const std::string& inputFileError() { return lastError; }

static std::FILE* refuse(int fd, const std::string& reason) {
    if (fd >= 0) ::close(fd);
    lastError = reason;
    return nullptr;
}

static std::FILE* refuseWithSystemReason(int fd, const std::string& path) {
    return refuse(fd, "Cannot open " + path + ": " + std::strerror(errno) + ".");
}

std::FILE* openInputFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0) return refuseWithSystemReason(fd, path);
    if (S_ISDIR(st.st_mode)) return refuse(fd, path + " is a folder.");
    if (!S_ISREG(st.st_mode) && !S_ISCHR(st.st_mode) && !S_ISBLK(st.st_mode))
        return refuse(fd, path + " is not a regular file.");
    // Reads from a device wait for their data again, as they do on a file (where the flag
    // changes nothing).
    if (!S_ISREG(st.st_mode)) {
        int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return refuseWithSystemReason(fd, path);
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) return refuseWithSystemReason(fd, path);
    lastError.clear();
    return file;
}

bool readInputFile(const std::string& path, size_t limit, std::vector<uint8_t>& bytes) {
    bytes.clear();
    std::FILE* in = openInputFile(path);
    if (!in) return false;
    uint8_t piece[65536];
    size_t n;
    while (bytes.size() <= limit && (n = std::fread(piece, 1, sizeof piece, in)) > 0)
        bytes.insert(bytes.end(), piece, piece + n);
    int error = std::ferror(in) ? errno : 0;
    std::fclose(in);
    if (error) lastError = "Cannot read " + path + ": " + std::strerror(error) + ".";
    else if (bytes.size() > limit) lastError = path + " is longer than " + std::to_string(limit) + " bytes.";
    return lastError.empty();
}
