#include "gemdos/folder_drive_snapshot.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "bus/notices.h"
#include "bus/snapshot_section.h"
#include "gemdos/folder_drive.h"
#include "gemdos/folder_drive_state.h"

void saveFolderDrive(FolderDriveSnapshot& s) {
    const FolderDrive& d = folderDrive;
    s = FolderDriveSnapshot{};
    if (!d.attached) return;
    s.folder = d.folder;
    s.letter = uint32_t(d.letter);
    s.protect = d.protectSetting;
    s.currentPath = d.currentPath;
    s.startServed = d.startServed;
    s.startArgumentsGiven = d.startArgumentsGiven;
    s.nextGeneration = d.nextGeneration;
    for (uint32_t i = 0; i < FILE_SLOTS; ++i) {
        const OpenFile& f = d.files[i];
        if (f.fd < 0 && !f.lost) continue;
        off_t position = f.fd < 0 ? 0 : ::lseek(f.fd, 0, SEEK_CUR);
        s.files.push_back({i, uint32_t(position < 0 ? 0 : position), f.writable, f.owner, f.stPath});
    }
    for (uint32_t i = 0; i < SEARCH_SLOTS; ++i) {
        const Search& x = d.searches[i];
        if (x.generation)
            s.searches.push_back({i, x.generation, x.attributes, x.next, x.folder, std::string(x.pattern.c, 11)});
    }
    for (uint32_t i = 0; i < LOAD_SLOTS; ++i) {
        const ProgramLoad& l = d.loads[i];
        if (l.stage == LOAD_FREE) continue;
        FolderDriveSnapshot::Load saved{i, l.stage, l.mode, l.stack, l.trapAddress, l.basepage, uint32_t(l.result),
                                        l.resident, l.startArguments, {}, l.stPath};
        std::memcpy(saved.callerArguments, l.callerArguments, sizeof saved.callerArguments);
        s.loads.push_back(saved);
    }
}

// A file of the snapshot opened again at its position; false when the folder no longer
// has it.
static bool reopen(OpenFile& f, const FolderDriveSnapshot::File& saved) {
    std::vector<std::string> components;
    ResolvedPath p;
    if (stPathComponents("", saved.path.c_str(), components) || resolveComponents(folderDrive.root, components, p) ||
        !p.exists || p.isFolder)
        return false;
    int fd = ::open(p.target.c_str(), (saved.writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) return false;
    off_t end = ::lseek(fd, 0, SEEK_END);
    ::lseek(fd, off_t(saved.position) < end ? off_t(saved.position) : end, SEEK_SET);
    f.fd = fd;
    return true;
}

// A snapshot taken without the drive leaves the drive attached (it is the user's
// setting), without what the replaced machine had open on it. A snapshot's folder other
// than the one attached now (a file from another session or another computer names any
// folder it likes) comes back write-protected: only the user's own choice of a folder
// lets the ST change it.
void restoreFolderDrive(const FolderDriveSnapshot& s) {
    if (s.folder.empty()) {
        folderDriveReset();
        return;
    }
    // The program the desktop starts stays with its folder.
    std::string startProgram = folderDrive.startProgram, startArguments = folderDrive.startArguments;
    bool sameFolder = folderDrive.attached && folderDrive.folder == s.folder;
    std::string error;
    if (!attachFolderDrive(s.folder, int(s.letter), s.protect || !sameFolder, error)) {
        std::fprintf(stderr, "quarv: the snapshot's folder drive is gone. %s\n", error.c_str());
        postNotice("The snapshot's folder drive is gone.", 5000);
        return;
    }
    if (sameFolder) setFolderDriveStartProgram(startProgram, startArguments);
    else std::fprintf(stderr, "quarv: the snapshot's folder drive %s is write-protected until it is chosen again.\n",
                      s.folder.c_str());
    FolderDrive& d = folderDrive;
    d.currentPath = s.currentPath;
    d.startServed = s.startServed;
    d.startArgumentsGiven = s.startArgumentsGiven;
    d.nextGeneration = s.nextGeneration;
    int missing = 0;
    for (const FolderDriveSnapshot::File& saved : s.files) {
        OpenFile& f = d.files[saved.slot];
        f.writable = saved.writable;
        f.owner = saved.owner;
        f.stPath = saved.path;
        if (reopen(f, saved)) continue;
        f.lost = true;
        ++missing;
        std::fprintf(stderr, "quarv: %c:%s was open when the snapshot was taken and is no longer in %s.\n",
                     'A' + d.letter, saved.path.c_str(), d.folder.c_str());
    }
    if (missing) {
        char text[NOTICE_TEXT_MAX];
        std::snprintf(text, sizeof text, "%d open file%s gone from drive %c:", missing, missing == 1 ? "" : "s",
                      'A' + d.letter);
        postNotice(text, 5000);
    }
    for (const FolderDriveSnapshot::Search& saved : s.searches) {
        Search& x = d.searches[saved.slot];
        x.generation = saved.generation;
        x.folder = saved.folder;
        std::memcpy(x.pattern.c, saved.pattern.data(), sizeof x.pattern.c);
        x.attributes = uint8_t(saved.attributes);
        x.next = saved.next;
    }
    for (const FolderDriveSnapshot::Load& saved : s.loads) {
        ProgramLoad& l = d.loads[saved.slot];
        l.stage = saved.stage;
        l.mode = saved.mode;
        l.stack = saved.stack;
        l.trapAddress = saved.trapAddress;
        l.basepage = saved.basepage;
        l.result = int32_t(saved.result);
        l.resident = saved.resident;
        l.startArguments = saved.startArguments;
        std::memcpy(l.callerArguments, saved.callerArguments, sizeof l.callerArguments);
        l.stPath = saved.path;
    }
}

bool folderDriveSnapshotValid(const FolderDriveSnapshot& s) {
    if (s.folder.empty()) return true;
    bool ok = s.letter >= 2 && s.letter <= 25;
    for (const FolderDriveSnapshot::Search& x : s.searches) ok &= x.pattern.size() == sizeof(EntryName::c);
    for (const FolderDriveSnapshot::Load& l : s.loads) ok &= l.stage >= LOAD_BASEPAGE && l.stage <= LOAD_FREE_BASEPAGE;
    return ok;
}

// ---- Snapshot section ---------------------------------------------------------------
namespace {
// The folder drive: its folder, open files by name and position, searches, program
// loads under way and current path (gemdos/folder_drive_snapshot.h). Written with or
// without a drive attached.
struct FolderDriveSection {
    uint32_t version = 1;
    FolderDriveSnapshot state;
    bool fits = true;  // every count and slot within the drive's tables

    template <class S, class T, class Fields>
    void list(S& s, std::vector<T>& items, uint32_t slots, Fields fields) {
        uint32_t count = uint32_t(items.size());
        s.num(count);
        if (count > slots) count = 0, fits = false;
        items.resize(count);
        for (T& item : items) {
            s.num(item.slot);
            fields(item);
            fits &= item.slot < slots;
        }
    }
    template <class S>
    void fields(S& s) {
        FolderDriveSnapshot& d = state;
        s.text(d.folder, 4096);
        s.num(d.letter);
        s.num(d.protect);
        s.text(d.currentPath, 256);
        s.num(d.startServed);
        s.num(d.startArgumentsGiven);
        s.num(d.nextGeneration);
        list(s, d.files, FILE_SLOTS, [&s](FolderDriveSnapshot::File& f) {
            s.text(f.path, 256);
            for (uint32_t* n : {&f.position, &f.writable, &f.owner}) s.num(*n);
        });
        list(s, d.searches, SEARCH_SLOTS, [&s](FolderDriveSnapshot::Search& x) {
            s.text(x.folder, 256);
            s.text(x.pattern, 12);
            for (uint32_t* n : {&x.generation, &x.attributes, &x.next}) s.num(*n);
        });
        list(s, d.loads, LOAD_SLOTS, [&s](FolderDriveSnapshot::Load& l) {
            s.text(l.path, 256);
            for (uint32_t* n : {&l.stage, &l.mode, &l.stack, &l.trapAddress, &l.basepage, &l.result, &l.resident,
                                &l.startArguments})
                s.num(*n);
            s.raw(l.callerArguments, sizeof l.callerArguments);
        });
    }
    bool acceptVersion() const { return true; }
    void capture() { saveFolderDrive(state); }
    void apply() const { restoreFolderDrive(state); }
    bool valid() const { return fits && folderDriveSnapshotValid(state); }
    // A file written before the folder drive existed: what the replaced machine had open
    // on the drive does not belong to the restored one.
    static void whenAbsent() { folderDriveReset(); }
};
}  // namespace

SectionEntry folderDriveSnapshotSection() { return sectionEntry<FolderDriveSection>("GEMD", ADDED_LATER); }
