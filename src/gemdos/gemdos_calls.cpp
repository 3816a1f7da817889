// The GEMDOS calls the folder drive answers. Each reads its arguments where the caller
// pushed them (A7 at the TRAP), decides from the path's drive letter, the current
// drive or the handle whether the call is the drive's, and otherwise passes it to the
// TOS untouched.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "gemdos/folder_drive_state.h"
#include "machine/memory_map.h"

namespace {

constexpr uint32_t BASEPAGE_DTA = 0x20, BASEPAGE_CURRENT_DRIVE = 0x37;
constexpr size_t PATH_TEXT_MAX = 256;
// The DTA's first 21 bytes are the search's own: ours hold a mark, the slot and its
// generation, so that Fsnext finds its search again and leaves the TOS's to the TOS.
constexpr uint8_t DTA_MARK[4] = {'Q', 'F', 'D', 's'};
constexpr uint8_t NO_SEARCH = 0xFF;
constexpr uint32_t DTA_ATTRIBUTES = 21, DTA_TIME = 22, DTA_DATE = 24, DTA_LENGTH = 26, DTA_NAME = 30;

uint8_t transfer[64 * 1024];  // file data on its way between the host and ST memory

int currentDrive() {
    uint32_t basepage = currentBasepage();
    uint8_t drive;
    return basepage && copyFromSt(basepage + BASEPAGE_CURRENT_DRIVE, &drive, 1) ? drive : -1;
}

// A drive number as Dfree and Dgetpath take it: 0 the current drive, 1 A:, ...
bool driveNumberIsOurs(uint16_t drive) {
    return drive ? drive - 1 == folderDrive.letter : currentDrive() == folderDrive.letter;
}

// The path at `address`, when it names the drive: by its letter, or without a letter
// while the drive is the current one. `rest` is the path after the letter.
bool pathOnDrive(uint32_t address, std::string& rest) {
    char text[PATH_TEXT_MAX];
    size_t n = 0;
    for (; n < sizeof text; ++n) {
        uint8_t c;
        if (!copyFromSt(address + uint32_t(n), &c, 1)) return false;
        text[n] = char(c);
        if (!c) break;
    }
    if (n == sizeof text) return false;
    if (text[0] && text[1] == ':') {
        char letter = text[0] >= 'a' && text[0] <= 'z' ? char(text[0] - 32) : text[0];
        if (letter - 'A' != folderDrive.letter) return false;
        rest = text + 2;
        return true;
    }
    if (currentDrive() != folderDrive.letter) return false;
    rest = text;
    return true;
}

// The drive's path at `address` as components; false when the path is not the drive's.
bool drivePath(uint32_t address, std::vector<std::string>& components, int32_t& error) {
    std::string rest;
    if (!pathOnDrive(address, rest)) return false;
    error = stPathComponents(folderDrive.currentPath, rest.c_str(), components);
    return true;
}

int32_t hostError(int e, int32_t missing) {
    switch (e) {
    case ENOENT:
    case ENOTDIR: return missing;
    case EROFS: return EWRPRO;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return EWRITF;
    case EMFILE:
    case ENFILE: return ENHNDL;
    case EIO: return EREADF;
    default: return EACCDN;
    }
}

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

// ---- Folders ------------------------------------------------------------------------
TrapAction dfree(uint32_t args, uint32_t) {
    uint32_t buffer = stLong(args);
    if (!driveNumberIsOurs(stWord(args + 4))) return TRAP_TAKEN;
    // 1 KB clusters, as many as the host's free and whole space (no more than fit 2 GB,
    // so that programs multiplying them out stay in their longs).
    struct statvfs fs;
    uint64_t freeKb = 0, totalKb = 0;
    if (::statvfs(folderDrive.root.c_str(), &fs) == 0) {
        freeKb = uint64_t(fs.f_bavail) * fs.f_frsize / 1024;
        totalKb = uint64_t(fs.f_blocks) * fs.f_frsize / 1024;
    }
    constexpr uint64_t MOST = 0x1FFFFF;
    putStLong(buffer, uint32_t(std::min(freeKb, MOST)));
    putStLong(buffer + 4, uint32_t(std::min(totalKb, MOST)));
    putStLong(buffer + 8, 512);
    putStLong(buffer + 12, 2);
    return answer(E_OK);
}

TrapAction dcreate(uint32_t args, uint32_t) {
    std::vector<std::string> components;
    int32_t error = 0;
    if (!drivePath(stLong(args), components, error)) return TRAP_TAKEN;
    if (folderDrive.protect) return answer(EWRPRO);
    ResolvedPath p;
    if (error || (error = resolveComponents(folderDrive.root, components, p))) return answer(error == EFILNF ? EACCDN : error);
    if (p.exists || components.empty()) return answer(EACCDN);
    return answer(::mkdir((p.parent + "/" + p.name).c_str(), 0777) == 0 ? E_OK : hostError(errno, EPTHNF));
}

// A folder that holds the current path cannot go.
TrapAction ddelete(uint32_t args, uint32_t) {
    std::vector<std::string> components;
    int32_t error = 0;
    if (!drivePath(stLong(args), components, error)) return TRAP_TAKEN;
    if (folderDrive.protect) return answer(EWRPRO);
    ResolvedPath p;
    if (error || (error = resolveComponents(folderDrive.root, components, p))) return answer(EPTHNF);
    if (!p.exists || !p.isFolder) return answer(EPTHNF);
    std::string path = joinStPath(components);
    const std::string& current = folderDrive.currentPath;
    if (components.empty() || current == path || current.starts_with(path + "\\")) return answer(EACCDN);
    return answer(::rmdir((p.parent + "/" + p.name).c_str()) == 0 ? E_OK : hostError(errno, EPTHNF));
}

TrapAction dsetpath(uint32_t args, uint32_t) {
    std::vector<std::string> components;
    int32_t error = 0;
    if (!drivePath(stLong(args), components, error)) return TRAP_TAKEN;
    ResolvedPath p;
    if (error || resolveComponents(folderDrive.root, components, p) || !p.exists || !p.isFolder)
        return answer(EPTHNF);
    folderDrive.currentPath = joinStPath(components);
    return answer(E_OK);
}

TrapAction dgetpath(uint32_t args, uint32_t) {
    uint32_t buffer = stLong(args);
    if (!driveNumberIsOurs(stWord(args + 4))) return TRAP_TAKEN;
    const std::string& path = folderDrive.currentPath;
    return answer(copyToSt(buffer, path.c_str(), uint32_t(path.size() + 1)) ? E_OK : E_RANGE);
}

// ---- Files by name ------------------------------------------------------------------
TrapAction fcreate(uint32_t args, uint32_t) {
    std::vector<std::string> components;
    int32_t error = 0;
    if (!drivePath(stLong(args), components, error)) return TRAP_TAKEN;
    uint16_t attributes = stWord(args + 4);
    if (folderDrive.protect) return answer(EWRPRO);
    if (attributes & (FA_VOLUME | FA_DIR)) return answer(EACCDN);
    ResolvedPath p;
    if (error || (error = resolveComponents(folderDrive.root, components, p))) return answer(error == EFILNF ? EACCDN : error);
    if (components.empty() || p.isFolder) return answer(EACCDN);
    if (!freeFileSlot()) return answer(ENHNDL);
    int fd;
    if (p.exists) {
        if (!hostWritable(p.target)) return answer(EACCDN);
        fd = ::open(p.target.c_str(), O_RDWR | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    } else {
        // Never through a link: a name that exists in any form is not created anew.
        fd = ::open((p.parent + "/" + p.name).c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    }
    if (fd < 0) return answer(hostError(errno, EPTHNF));
    if (attributes & FA_RDONLY) {
        struct stat st;
        if (::fstat(fd, &st) == 0) ::fchmod(fd, st.st_mode & ~0222);
    }
    return answer(giveHandle(fd, true, components));
}

TrapAction fopen(uint32_t args, uint32_t) {
    std::vector<std::string> components;
    int32_t error = 0;
    if (!drivePath(stLong(args), components, error)) return TRAP_TAKEN;
    int mode = stWord(args + 4) & 3;
    if (mode == 3) return answer(EACCDN);
    if (mode && folderDrive.protect) return answer(EWRPRO);
    ResolvedPath p;
    if (error || (error = resolveComponents(folderDrive.root, components, p))) return answer(error);
    if (!freeFileSlot()) return answer(ENHNDL);
    if (!mode && !folderDrive.startProgram.empty() && !folderDrive.startServed && isDesktopFile(components))
        return answer(openStartLine(p, components));
    if (!p.exists || p.isFolder) return answer(EFILNF);
    if (mode && !hostWritable(p.target)) return answer(EACCDN);
    static const int flags[3] = {O_RDONLY, O_WRONLY, O_RDWR};
    int fd = ::open(p.target.c_str(), flags[mode] | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return answer(hostError(errno, EFILNF));
    return answer(giveHandle(fd, mode != 0, components));
}

TrapAction fdelete(uint32_t args, uint32_t) {
    std::vector<std::string> components;
    int32_t error = 0;
    if (!drivePath(stLong(args), components, error)) return TRAP_TAKEN;
    if (folderDrive.protect) return answer(EWRPRO);
    ResolvedPath p;
    if (error || (error = resolveComponents(folderDrive.root, components, p))) return answer(error);
    if (!p.exists) return answer(EFILNF);
    if (p.isFolder || !hostWritable(p.target)) return answer(EACCDN);
    return answer(::unlink((p.parent + "/" + p.name).c_str()) == 0 ? E_OK : hostError(errno, EFILNF));
}

// Only read-only is kept on the host, as the owner's write permission.
TrapAction fattrib(uint32_t args, uint32_t) {
    std::vector<std::string> components;
    int32_t error = 0;
    if (!drivePath(stLong(args), components, error)) return TRAP_TAKEN;
    bool set = stWord(args + 4);
    uint16_t attributes = stWord(args + 6);
    ResolvedPath p;
    if (error || (error = resolveComponents(folderDrive.root, components, p))) return answer(error);
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

TrapAction frename(uint32_t args, uint32_t) {
    std::vector<std::string> from, to;
    int32_t error = 0, toError = 0;
    if (!drivePath(stLong(args + 2), from, error)) return TRAP_TAKEN;
    if (!drivePath(stLong(args + 6), to, toError)) return answer(ENSAME);
    if (folderDrive.protect) return answer(EWRPRO);
    ResolvedPath old, target;
    if (error || (error = resolveComponents(folderDrive.root, from, old))) return answer(error);
    if (!old.exists) return answer(EFILNF);
    if (toError || (toError = resolveComponents(folderDrive.root, to, target))) return answer(toError == EFILNF ? EACCDN : toError);
    if (from.empty() || to.empty() || target.exists) return answer(EACCDN);
    return answer(::rename((old.parent + "/" + old.name).c_str(), (target.parent + "/" + target.name).c_str()) == 0
                      ? E_OK
                      : hostError(errno, EPTHNF));
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

// ---- Searches -----------------------------------------------------------------------
uint32_t currentDta() {
    uint32_t basepage = currentBasepage();
    return basepage ? stLong(basepage + BASEPAGE_DTA) : 0;
}

void markDta(uint32_t dta, uint8_t slot, uint32_t generation) {
    uint8_t mark[9] = {DTA_MARK[0], DTA_MARK[1], DTA_MARK[2], DTA_MARK[3], slot, uint8_t(generation >> 24),
                       uint8_t(generation >> 16), uint8_t(generation >> 8), uint8_t(generation)};
    copyToSt(dta, mark, sizeof mark);
}

void relist(Search& s) {
    std::vector<std::string> components;
    ResolvedPath p;
    s.entries.clear();
    if (stPathComponents("", s.folder.c_str(), components) == E_OK &&
        resolveComponents(folderDrive.root, components, p) == E_OK && p.exists && p.isFolder)
        listFolder(folderDrive.root, p.target, !components.empty(), s.entries);
    s.listed = true;
}

// The search's next entry into the DTA; ENMFIL after the last.
int32_t nextEntry(Search& s, uint32_t dta) {
    if (!s.listed) relist(s);
    while (s.next < s.entries.size()) {
        const FolderEntry& e = s.entries[s.next++];
        if (!entryNameMatches(s.pattern, e.entry) || !attributesMatch(s.attributes, e.attributes)) continue;
        uint8_t info[DTA_NAME + 14 - DTA_ATTRIBUTES] = {};
        info[0] = e.attributes;
        info[DTA_TIME - DTA_ATTRIBUTES] = uint8_t(e.time >> 8);
        info[DTA_TIME - DTA_ATTRIBUTES + 1] = uint8_t(e.time);
        info[DTA_DATE - DTA_ATTRIBUTES] = uint8_t(e.date >> 8);
        info[DTA_DATE - DTA_ATTRIBUTES + 1] = uint8_t(e.date);
        for (int i = 0; i < 4; ++i) info[DTA_LENGTH - DTA_ATTRIBUTES + i] = uint8_t(e.size >> (24 - 8 * i));
        std::memcpy(info + DTA_NAME - DTA_ATTRIBUTES, e.stName.c_str(), std::min<size_t>(e.stName.size(), 13));
        copyToSt(dta + DTA_ATTRIBUTES, info, sizeof info);
        return E_OK;
    }
    return ENMFIL;
}

// The free slot, else the one of the oldest search.
Search& searchSlot() {
    Search* slot = &folderDrive.searches[0];
    for (Search& s : folderDrive.searches)
        if (s.generation < slot->generation) slot = &s;
    return *slot;
}

TrapAction fsfirst(uint32_t args, uint32_t) {
    std::string rest;
    if (!pathOnDrive(stLong(args), rest)) return TRAP_TAKEN;
    uint8_t attributes = uint8_t(stWord(args + 4));
    uint32_t dta = currentDta();
    markDta(dta, NO_SEARCH, 0);
    size_t split = rest.rfind('\\');
    std::string folder = split == std::string::npos ? "" : rest.substr(0, split + 1);
    std::string pattern = split == std::string::npos ? rest : rest.substr(split + 1);
    std::vector<std::string> components;
    ResolvedPath p;
    if (stPathComponents(folderDrive.currentPath, folder.c_str(), components) ||
        resolveComponents(folderDrive.root, components, p) || !p.exists || !p.isFolder)
        return answer(EPTHNF);
    if (attributes == FA_VOLUME) return answer(EFILNF);  // the drive has no volume label

    Search& s = searchSlot();
    s = Search{};
    s.generation = folderDrive.nextGeneration++;
    s.folder = joinStPath(components);
    s.pattern = entryNameOf(pattern.c_str());
    s.attributes = attributes;
    if (nextEntry(s, dta) != E_OK) {
        s = Search{};
        return answer(EFILNF);
    }
    markDta(dta, uint8_t(&s - folderDrive.searches), s.generation);
    return answer(E_OK);
}

TrapAction fsnext(uint32_t, uint32_t) {
    uint32_t dta = currentDta();
    uint8_t mark[9];
    if (!dta || !copyFromSt(dta, mark, sizeof mark) || std::memcmp(mark, DTA_MARK, 4) != 0) return TRAP_TAKEN;
    uint32_t generation = uint32_t(mark[5]) << 24 | mark[6] << 16 | mark[7] << 8 | mark[8];
    if (mark[4] >= SEARCH_SLOTS || folderDrive.searches[mark[4]].generation != generation || !generation)
        return answer(ENMFIL);
    Search& s = folderDrive.searches[mark[4]];
    int32_t result = nextEntry(s, dta);
    if (result != E_OK) s = Search{};
    return answer(result);
}

// ---- Processes ----------------------------------------------------------------------
TrapAction pexec(uint32_t args, uint32_t trapAddress) {
    uint16_t mode = stWord(args);
    if (mode != 0 && mode != 3) return TRAP_TAKEN;
    std::vector<std::string> components;
    int32_t error = 0;
    if (!drivePath(stLong(args + 2), components, error)) return TRAP_TAKEN;
    if (error) return answer(error);
    return startProgramLoad(trapAddress, args, components);
}

// A process that ends leaves its files to be closed.
void closeFilesOf(uint32_t basepage) {
    for (OpenFile& f : folderDrive.files)
        if ((f.fd >= 0 || f.lost) && f.owner == basepage) closeOpenFile(f);
}

TrapAction pterm(uint32_t, uint32_t) {
    closeFilesOf(currentBasepage());
    programEnding(false);
    return TRAP_TAKEN;
}

TrapAction ptermres(uint32_t, uint32_t) {
    closeFilesOf(currentBasepage());
    programEnding(true);
    return TRAP_TAKEN;
}

struct Call {
    uint16_t function;
    TrapAction (*run)(uint32_t args, uint32_t trapAddress);
};
const Call calls[] = {
    {0x00, pterm},    {0x31, ptermres}, {0x36, dfree},    {0x39, dcreate}, {0x3A, ddelete}, {0x3B, dsetpath},
    {0x3C, fcreate},  {0x3D, fopen},    {0x3E, fclose},   {0x3F, fread},   {0x40, fwrite},  {0x41, fdelete},
    {0x42, fseek},    {0x43, fattrib},  {0x46, fforce},   {0x47, dgetpath}, {0x4B, pexec},  {0x4C, pterm},
    {0x4E, fsfirst},  {0x4F, fsnext},   {0x56, frename},  {0x57, fdatime},
};

}  // namespace

TrapAction folderDriveGemdos(uint32_t trapAddress) {
    uint32_t stack = cpu.regs[15];
    if (ProgramLoad* load = programLoadAt(stack, trapAddress)) return continueProgramLoad(*load);
    uint16_t function = stWord(stack);
    for (const Call& c : calls)
        if (c.function == function) return c.run(stack + 2, trapAddress);
    return TRAP_TAKEN;
}
