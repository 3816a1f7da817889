#include "floppy/hard_disk_image.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "bus/machine_settings.h"
#include "floppy/hard_disk_journal.h"
#include "floppy/hard_disk_layout.h"

HardDiskImage hardDisks[HARD_DISKS];
std::string hardDiskError;

// Sector numbers of the ACSI commands are 32 bits wide.
constexpr uint64_t MAX_SECTORS = 0xFFFFFFFFull;

static bool refuse(const std::string& path, const std::string& reason) {
    hardDiskError = "Cannot use the hard disk image " + path + ": " + reason;
    return false;
}

static std::string reasonOf(const char* what) { return std::string(what) + " (" + std::strerror(errno) + ")."; }

// Two devices on one file would each write their own changes over the other's.
static int deviceHolding(const struct stat& st) {
    for (uint32_t id = 0; id < HARD_DISKS; ++id)
        if (hardDiskAttached(id) && hardDisks[id].fileDevice == st.st_dev && hardDisks[id].fileInode == st.st_ino)
            return int(id);
    return -1;
}

// Opens and maps the file; the mapping is private and reserves no memory beyond the
// pages the ST writes. The open does not block (a FIFO would wait for a writer for good);
// only a regular file is taken.
static uint8_t* mapImage(const std::string& path, const std::string& file, struct stat& st) {
    int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        refuse(path, reasonOf("it cannot be opened"));
        return nullptr;
    }
    bool sized = ::fstat(fd, &st) == 0;
    const char* problem = !sized                                ? "it cannot be read."
                          : !S_ISREG(st.st_mode)                ? "it is not a regular file."
                          : st.st_size == 0                     ? "it is empty."
                          : st.st_size % HARD_DISK_SECTOR != 0 ? "its size is not a whole number of 512-byte sectors."
                          : uint64_t(st.st_size) / HARD_DISK_SECTOR > MAX_SECTORS
                              ? "it is larger than the 2 TB an ACSI command can address."
                              : nullptr;
    int holder = problem ? -1 : deviceHolding(st);
    if (problem || holder >= 0) {
        ::close(fd);
        refuse(path, problem ? problem : "it is already attached as ACSI device " + std::to_string(holder) + ".");
        return nullptr;
    }
    void* map = ::mmap(nullptr, size_t(st.st_size), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_NORESERVE, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED) {
        refuse(path, reasonOf("it cannot be mapped into memory"));
        return nullptr;
    }
    return static_cast<uint8_t*>(map);
}

bool hardDiskAttach(uint32_t id, const std::string& path) {
    hardDiskDetach(id);
    std::error_code ec;
    std::string file = std::filesystem::absolute(path, ec).string();
    std::string reason;
    if (!journalComplete(file, reason)) return refuse(path, reason);
    struct stat st;
    uint8_t* data = mapImage(path, file, st);
    if (!data) return false;
    uint64_t sectors = uint64_t(st.st_size) / HARD_DISK_SECTOR;
    HardDiskLayoutCheck layout = checkHardDiskLayout(data, sectors);
    if (!layout.problem.empty()) {
        ::munmap(data, size_t(st.st_size));
        return refuse(path, layout.problem);
    }
    HardDiskImage& d = hardDisks[id];
    d.path = path;
    d.filePath = file;
    d.data = data;
    d.sectors = uint32_t(sectors);
    d.changed.assign((sectors + 63) / 64, 0);
    d.fileDevice = st.st_dev;
    d.fileInode = st.st_ino;
    return true;
}

void hardDiskDetach(uint32_t id) {
    HardDiskImage& d = hardDisks[id];
    if (d.data) ::munmap(d.data, size_t(d.sectors) * HARD_DISK_SECTOR);
    d = HardDiskImage{};
}

bool hardDiskWriteBack(uint32_t id) {
    if (!machineSettings.acsiWriteBack || !hardDiskAttached(id)) return true;
    HardDiskImage& d = hardDisks[id];
    std::vector<JournalSector> sectors;
    for (uint32_t lba : hardDiskChangedSectors(id)) sectors.push_back({lba, hardDiskSector(id, lba)});
    if (sectors.empty()) return true;
    std::string reason;
    if (!journalWriteBack(d.filePath, sectors, reason)) {
        hardDiskError = "Cannot write back the hard disk image " + d.path + ": " + reason + ".";
        return false;
    }
    std::fill(d.changed.begin(), d.changed.end(), 0);
    return true;
}

void hardDiskMarkChanged(uint32_t id, uint32_t lba, uint32_t count) {
    std::vector<uint64_t>& changed = hardDisks[id].changed;
    for (uint64_t s = lba; s < uint64_t(lba) + count; ++s) changed[s / 64] |= uint64_t(1) << (s % 64);
}

std::vector<uint32_t> hardDiskChangedSectors(uint32_t id) {
    std::vector<uint32_t> list;
    const std::vector<uint64_t>& changed = hardDisks[id].changed;
    for (size_t w = 0; w < changed.size(); ++w)
        for (uint64_t bits = changed[w]; bits; bits &= bits - 1) list.push_back(uint32_t(w * 64 + std::countr_zero(bits)));
    return list;
}

void hardDiskLaySector(uint32_t id, uint32_t lba, const uint8_t* bytes) {
    uint8_t* sector = hardDiskSector(id, lba);
    if (std::memcmp(sector, bytes, HARD_DISK_SECTOR) == 0) return;
    std::memcpy(sector, bytes, HARD_DISK_SECTOR);
    hardDiskMarkChanged(id, lba, 1);
}
