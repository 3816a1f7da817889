#include "floppy/hard_disk_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "base/crc32.h"
#include "base/input_file.h"
#include "base/little_endian.h"
#include "base/safe_file.h"

// "QVJ1", the number of sectors, each sector's number and 512 bytes, then the CRC-32 of
// everything before it; all numbers little-endian.
namespace {

constexpr uint32_t SECTOR = 512;
constexpr uint32_t ENTRY = 4 + SECTOR;
constexpr uint32_t HEADER = 8;
constexpr uint8_t MAGIC[4] = {'Q', 'V', 'J', '1'};


std::string systemError(const char* what) { return std::string(what) + " (" + std::strerror(errno) + ")"; }

// Writes every entry into the image and synchronises it. No entry may lie beyond the
// image's end: a journal never makes the image longer.
bool apply(const std::string& image, const std::vector<uint8_t>& journal, std::string& error) {
    int fd = ::open(image.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        error = systemError("cannot open it for writing");
        return false;
    }
    struct stat st;
    uint32_t count = little32(journal.data() + 4);
    bool ok = ::fstat(fd, &st) == 0;
    for (uint32_t i = 0; ok && i < count; ++i) {
        const uint8_t* entry = journal.data() + HEADER + size_t(i) * ENTRY;
        off_t at = off_t(little32(entry)) * SECTOR;
        if (at + off_t(SECTOR) > st.st_size) {
            ::close(fd);
            error = "its journal names a sector beyond its end";
            return false;
        }
        ok = ::pwrite(fd, entry + 4, SECTOR, at) == ssize_t(SECTOR);
    }
    ok = ok && ::fsync(fd) == 0;
    if (!ok) error = systemError("cannot write it");
    ok = ::close(fd) == 0 && ok;
    if (!ok && error.empty()) error = systemError("cannot write it");
    return ok;
}

bool whole(const std::vector<uint8_t>& j) {
    if (j.size() < HEADER + 4 || std::memcmp(j.data(), MAGIC, 4) != 0) return false;
    uint64_t count = little32(j.data() + 4);
    return j.size() == HEADER + count * ENTRY + 4 && little32(j.data() + j.size() - 4) == crc32Of(j.data(), j.size() - 4);
}

}  // namespace

std::string journalPath(const std::string& image) { return image + ".journal"; }

bool journalWriteBack(const std::string& image, const std::vector<JournalSector>& sectors, std::string& error) {
    std::vector<uint8_t> journal(MAGIC, MAGIC + 4);
    journal.reserve(HEADER + sectors.size() * ENTRY + 4);
    appendLittle32(journal, uint32_t(sectors.size()));
    for (const JournalSector& s : sectors) {
        appendLittle32(journal, s.lba);
        journal.insert(journal.end(), s.bytes, s.bytes + SECTOR);
    }
    appendLittle32(journal, crc32Of(journal.data(), journal.size()));
    if (!writeFileReplacing(journalPath(image), journal.data(), journal.size())) {
        error = replacingError();
        return false;
    }
    if (!apply(image, journal, error)) {
        error += "; " + journalPath(image) + " completes it when the image is next attached";
        return false;
    }
    ::unlink(journalPath(image).c_str());
    return true;
}

bool journalComplete(const std::string& image, std::string& error) {
    std::string path = journalPath(image);
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return true;
    std::vector<uint8_t> journal;
    if (!readInputFile(path, SIZE_MAX, journal) || !whole(journal)) {
        error = "its write-back journal " + path + " is damaged; remove it to use the image as it stands.";
        return false;
    }
    if (!apply(image, journal, error)) {
        error = "the unfinished write-back in " + path + " cannot be completed: " + error + ".";
        return false;
    }
    ::unlink(path.c_str());
    return true;
}
