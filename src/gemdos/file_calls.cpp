// The folder drive's files: by name (create, open, delete, attributes, rename) and by
// handle (close, read, write, seek, date and time), in a fixed table of handles from
// FIRST_HANDLE on; and the desktop's start line for the start program.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "bus/memory_map.h"
#include "gemdos/gemdos_calls.h"

namespace gemdos {
namespace {

uint8_t transfer[64 * 1024];  // file data on its way between the host and ST memory

OpenFile* fileOfHandle(uint16_t handle) {
    int slot = int16_t(handle) - FIRST_HANDLE;
    return slot >= 0 && slot < int(FILE_SLOTS) ? &folderDrive.files[slot] : nullptr;
}

// A new handle for an open host file; the descriptor is closed when none is left.
int32_t giveHandle(int fd, bool writable, const std::vector<std::string>& components) {
    for (int slot = 0; slot < int(FILE_SLOTS); ++slot) {
        OpenFile& f = folderDrive.files[slot];
        if (f.fd >= 0 || f.lost) continue;
        f.fd = fd;
        f.writable = writable;
        f.owner = currentBasepage();
        f.stPath = joinStPath(components);
        return FIRST_HANDLE + slot;
    }
    ::close(fd);
    return ENHNDL;
}

bool freeFileSlot() {
    return std::any_of(std::begin(folderDrive.files), std::end(folderDrive.files),
                       [](const OpenFile& f) { return f.fd < 0 && !f.lost; });
}

// ---- The desktop's start line -------------------------------------------------------
// With a start program, the first read of the desktop's settings file at the root after
// a reset finds a line that makes the desktop start it ("#Z 01 C:\DEMO.PRG@": 01 a GEM
// program, 00 one for the text screen), then the folder's own file without its start
// lines. The desktop reads the file again when it comes back, and then gets the folder's.
bool isDesktopFile(const std::vector<std::string>& components) {
    if (components.size() != 1) return false;
    const std::string& n = components[0];
    return n == "EMUDESK.INF" || n == "DESKTOP.INF" || n == "NEWDESK.INF";
}

int32_t openStartLine(const ResolvedPath& path, const std::vector<std::string>& components) {
    const std::string& program = folderDrive.startProgram;
    bool textScreen = program.ends_with(".TOS") || program.ends_with(".TTP");
    std::string text = std::string("#Z ") + (textScreen ? "00 " : "01 ") + char('A' + folderDrive.letter) + ":\\" +
                       program + "@\r\n";
    int own = path.exists && !path.isFolder ? ::open(path.target.c_str(), O_RDONLY | O_CLOEXEC) : -1;
    if (own >= 0) {
        std::string line;
        ssize_t n;
        while ((n = ::read(own, transfer, sizeof transfer)) > 0 && text.size() < sizeof transfer) {
            for (ssize_t i = 0; i < n; ++i) {
                line += char(transfer[i]);
                if (transfer[i] != '\n') continue;
                if (!line.starts_with("#Z")) text += line;
                line.clear();
            }
        }
        if (!line.starts_with("#Z")) text += line;
        ::close(own);
    }
    int fd = ::memfd_create("desktop start line", MFD_CLOEXEC);
    if (fd < 0) return EACCDN;
    if (::write(fd, text.data(), text.size()) != ssize_t(text.size()) || ::lseek(fd, 0, SEEK_SET) != 0) {
        ::close(fd);
        return EREADF;
    }
    folderDrive.startServed = true;
    return giveHandle(fd, false, components);
}

}  // namespace

// ---- Files by name ------------------------------------------------------------------
TrapAction fcreate(uint32_t args, uint32_t) {
    DrivePlace at;
    if (!drivePlace(stLong(args), at)) return TRAP_TAKEN;
    uint16_t attributes = stWord(args + 4);
    const ResolvedPath& p = at.path;
    if (folderDrive.protect) return answer(EWRPRO);
    if (at.error && at.error != EFILNF) return answer(at.error);
    if (at.error || (attributes & (FA_VOLUME | FA_DIR)) || at.components.empty() || p.isFolder) return answer(EACCDN);
    if (!freeFileSlot()) return answer(ENHNDL);
    int fd;
    if (p.exists) {
        if (!hostWritable(p.target)) return answer(EACCDN);
        fd = ::open(p.target.c_str(), O_RDWR | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    } else {
        // Never through a link: a name that exists in any form is not created anew.
        fd = ::open(at.entry().c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    }
    if (fd < 0) return answer(hostError(errno, EPTHNF));
    if (attributes & FA_RDONLY) {
        struct stat st;
        if (::fstat(fd, &st) == 0) ::fchmod(fd, st.st_mode & ~0222);
    }
    return answer(giveHandle(fd, true, at.components));
}

TrapAction fopen(uint32_t args, uint32_t) {
    DrivePlace at;
    if (!drivePlace(stLong(args), at)) return TRAP_TAKEN;
    int mode = stWord(args + 4) & 3;
    const ResolvedPath& p = at.path;
    if (mode == 3) return answer(EACCDN);
    if (mode && folderDrive.protect) return answer(EWRPRO);
    if (at.error) return answer(at.error);
    if (!freeFileSlot()) return answer(ENHNDL);
    if (!mode && !folderDrive.startProgram.empty() && !folderDrive.startServed && isDesktopFile(at.components))
        return answer(openStartLine(p, at.components));
    if (!p.exists || p.isFolder) return answer(EFILNF);
    if (mode && !hostWritable(p.target)) return answer(EACCDN);
    static const int flags[3] = {O_RDONLY, O_WRONLY, O_RDWR};
    int fd = ::open(p.target.c_str(), flags[mode] | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return answer(hostError(errno, EFILNF));
    return answer(giveHandle(fd, mode != 0, at.components));
}

TrapAction fdelete(uint32_t args, uint32_t) {
    DrivePlace at;
    if (!drivePlace(stLong(args), at)) return TRAP_TAKEN;
    if (folderDrive.protect) return answer(EWRPRO);
    if (at.error) return answer(at.error);
    if (!at.path.exists) return answer(EFILNF);
    if (at.path.isFolder || !hostWritable(at.path.target)) return answer(EACCDN);
    return answer(::unlink(at.entry().c_str()) == 0 ? E_OK : hostError(errno, EFILNF));
}

// Only read-only is kept on the host, as the owner's write permission.
TrapAction fattrib(uint32_t args, uint32_t) {
    DrivePlace at;
    if (!drivePlace(stLong(args), at)) return TRAP_TAKEN;
    bool set = stWord(args + 4);
    uint16_t attributes = stWord(args + 6);
    const ResolvedPath& p = at.path;
    if (at.error) return answer(at.error);
    FolderEntry e;
    if (!p.exists || !describeHostPath(p.target, e)) return answer(EFILNF);
    if (!set || p.isFolder) return answer(e.attributes);
    if (folderDrive.protect) return answer(EWRPRO);
    struct stat st;
    if (::stat(p.target.c_str(), &st) != 0) return answer(EFILNF);
    mode_t mode = attributes & FA_RDONLY ? st.st_mode & ~0222 : st.st_mode | S_IWUSR;
    if (::chmod(p.target.c_str(), mode & 07777) != 0) return answer(hostError(errno, EFILNF));
    return answer(attributes & FA_RDONLY);
}

// Within the drive only (ENSAME for another drive), to a name not yet there.
TrapAction frename(uint32_t args, uint32_t) {
    DrivePlace from, to;
    if (!drivePlace(stLong(args + 2), from)) return TRAP_TAKEN;
    if (!drivePlace(stLong(args + 6), to)) return answer(ENSAME);
    if (folderDrive.protect) return answer(EWRPRO);
    if (from.error) return answer(from.error);
    if (!from.path.exists) return answer(EFILNF);
    if (to.error && to.error != EFILNF) return answer(to.error);
    if (to.error || from.components.empty() || to.components.empty() || to.path.exists) return answer(EACCDN);
    return answer(::rename(from.entry().c_str(), to.entry().c_str()) == 0 ? E_OK : hostError(errno, EPTHNF));
}

// ---- Files by handle ----------------------------------------------------------------
// A handle of the drive's range names the drive's file, open or not: a call with one
// that is not open gets EIHNDL, one with any other handle goes to the TOS.

TrapAction fclose(uint32_t args, uint32_t) {
    OpenFile* file = fileOfHandle(stWord(args));
    if (!file) return TRAP_TAKEN;
    if (file->fd < 0 && !file->lost) return answer(EIHNDL);
    closeOpenFile(*file);
    return answer(E_OK);
}

// A read stops at the end of the file, or where ST RAM ends (an out of range error when
// not a byte could go there).
TrapAction fread(uint32_t args, uint32_t) {
    OpenFile* file = fileOfHandle(stWord(args));
    if (!file) return TRAP_TAKEN;
    if (file->fd < 0) return answer(EIHNDL);
    int32_t count = int32_t(stLong(args + 2));
    uint32_t buffer = stLong(args + 6);
    if (count < 0) return answer(E_RANGE);
    uint32_t room = buffer < ramSizeBytes() ? ramSizeBytes() - buffer : 0;
    uint32_t wanted = std::min(uint32_t(count), room), done = 0;
    while (done < wanted) {
        ssize_t n = ::read(file->fd, transfer, std::min<size_t>(sizeof transfer, wanted - done));
        if (n < 0) return answer(EREADF);
        if (n == 0 || !copyToSt(buffer + done, transfer, uint32_t(n))) break;
        done += uint32_t(n);
    }
    return answer(done || !count ? int32_t(done) : E_RANGE);
}

TrapAction fwrite(uint32_t args, uint32_t) {
    OpenFile* file = fileOfHandle(stWord(args));
    if (!file) return TRAP_TAKEN;
    if (file->fd < 0) return answer(EIHNDL);
    int32_t count = int32_t(stLong(args + 2));
    uint32_t buffer = stLong(args + 6);
    if (!file->writable) return answer(EACCDN);
    if (folderDrive.protect) return answer(EWRPRO);
    if (count < 0) return answer(E_RANGE);
    uint32_t done = 0;
    while (done < uint32_t(count)) {
        uint32_t n = std::min<uint32_t>(sizeof transfer, uint32_t(count) - done);
        if (!copyFromSt(buffer + done, transfer, n)) return answer(done ? int32_t(done) : E_RANGE);
        ssize_t written = ::write(file->fd, transfer, n);
        if (written < 0) return answer(hostError(errno, EWRITF));
        done += uint32_t(written);
        if (uint32_t(written) < n) break;
    }
    return answer(int32_t(done));
}

// GEMDOS does not seek outside the file.
TrapAction fseek(uint32_t args, uint32_t) {
    OpenFile* file = fileOfHandle(stWord(args + 4));
    if (!file) return TRAP_TAKEN;
    if (file->fd < 0) return answer(EIHNDL);
    int32_t offset = int32_t(stLong(args));
    uint16_t mode = stWord(args + 6);
    if (mode > 2) return answer(EINVFN);
    struct stat st;
    if (::fstat(file->fd, &st) != 0) return answer(EREADF);
    int64_t base = mode == 0 ? 0 : mode == 1 ? ::lseek(file->fd, 0, SEEK_CUR) : st.st_size;
    int64_t position = base + offset;
    if (position < 0 || position > st.st_size || position > INT32_MAX) return answer(E_RANGE);
    ::lseek(file->fd, position, SEEK_SET);
    return answer(int32_t(position));
}

TrapAction fdatime(uint32_t args, uint32_t) {
    OpenFile* file = fileOfHandle(stWord(args + 4));
    if (!file) return TRAP_TAKEN;
    if (file->fd < 0) return answer(EIHNDL);
    uint32_t buffer = stLong(args);
    bool set = stWord(args + 6);
    if (!set) {
        struct stat st;
        if (::fstat(file->fd, &st) != 0) return answer(EREADF);
        uint16_t time, date;
        dosDateTime(st.st_mtime, time, date);
        putStWord(buffer, time);
        putStWord(buffer + 2, date);
        return answer(E_OK);
    }
    if (folderDrive.protect) return answer(EWRPRO);
    timespec times[2];
    times[0].tv_sec = times[1].tv_sec = hostTimeOf(stWord(buffer), stWord(buffer + 2));
    times[0].tv_nsec = times[1].tv_nsec = 0;
    return answer(::futimens(file->fd, times) == 0 ? E_OK : hostError(errno, EIHNDL));
}

// The standard handles cannot lead to the drive's files (the TOS would not know them).
TrapAction fforce(uint32_t args, uint32_t) {
    return fileOfHandle(stWord(args + 2)) ? answer(EIHNDL) : TRAP_TAKEN;
}

}  // namespace gemdos
