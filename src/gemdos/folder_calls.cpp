// The folder drive's folders (free space, create, delete, the current path) and searches
// (Fsfirst, Fsnext), whose state lives in a fixed table the DTA names.
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "bus/memory_map.h"
#include "gemdos/gemdos_calls.h"

namespace gemdos {
namespace {

constexpr uint32_t BASEPAGE_DTA = 0x20;
// The DTA's first 21 bytes are the search's own: ours hold a mark, the slot and its
// generation, so that Fsnext finds its search again and leaves the TOS's to the TOS.
constexpr uint8_t DTA_MARK[4] = {'Q', 'F', 'D', 's'};
constexpr uint8_t NO_SEARCH = 0xFF;
constexpr uint32_t DTA_ATTRIBUTES = 21, DTA_TIME = 22, DTA_DATE = 24, DTA_LENGTH = 26, DTA_NAME = 30;

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

}  // namespace

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
    DrivePlace at;
    if (!drivePlace(stLong(args), at)) return TRAP_TAKEN;
    if (folderDrive.protect) return answer(EWRPRO);
    if (at.error && at.error != EFILNF) return answer(at.error);
    if (at.error || at.path.exists || at.components.empty()) return answer(EACCDN);
    return answer(::mkdir(at.entry().c_str(), 0777) == 0 ? E_OK : hostError(errno, EPTHNF));
}

// Neither the root nor a folder that holds the current path can go.
TrapAction ddelete(uint32_t args, uint32_t) {
    DrivePlace at;
    if (!drivePlace(stLong(args), at)) return TRAP_TAKEN;
    if (folderDrive.protect) return answer(EWRPRO);
    if (at.error || !at.path.exists || !at.path.isFolder) return answer(EPTHNF);
    std::string path = joinStPath(at.components);
    const std::string& current = folderDrive.currentPath;
    if (at.components.empty() || current == path || current.starts_with(path + "\\")) return answer(EACCDN);
    return answer(::rmdir(at.entry().c_str()) == 0 ? E_OK : hostError(errno, EPTHNF));
}

TrapAction dsetpath(uint32_t args, uint32_t) {
    DrivePlace at;
    if (!drivePlace(stLong(args), at)) return TRAP_TAKEN;
    if (at.error || !at.path.exists || !at.path.isFolder) return answer(EPTHNF);
    folderDrive.currentPath = joinStPath(at.components);
    return answer(E_OK);
}

TrapAction dgetpath(uint32_t args, uint32_t) {
    uint32_t buffer = stLong(args);
    if (!driveNumberIsOurs(stWord(args + 4))) return TRAP_TAKEN;
    const std::string& path = folderDrive.currentPath;
    return answer(copyToSt(buffer, path.c_str(), uint32_t(path.size() + 1)) ? E_OK : E_RANGE);
}

}  // namespace gemdos
