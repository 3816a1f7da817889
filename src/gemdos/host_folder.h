#pragma once
// The host folder behind the drive, and its boundary: ST paths become host paths only
// inside the folder. `..` stops at the drive's root, names are looked up among the
// folder's own entries (never joined as given), and every host path that exists is
// resolved through its symbolic links and must still lie inside the folder; a link
// leading outside is not there for the ST.
#include <cstdint>
#include <string>
#include <vector>

#include "gemdos/gemdos_errors.h"
#include "gemdos/st_names.h"

constexpr int ST_PATH_MAX = 127;  // "\FOLDER\...\NAME.EXT" on a drive

struct FolderEntry {
    std::string hostName;
    std::string stName;  // "NAME.EXT", "." or ".."
    EntryName entry;
    uint8_t attributes;
    uint32_t size;  // files over 2 GB show as 2 GB - 1
    uint16_t time, date;
};

// The real path of an existing host path ("" when it does not resolve), and whether a
// real path lies inside the real path `root`.
std::string realHostPath(const std::string& path);
bool insideFolder(const std::string& root, const std::string& real);

// A host folder's entries as the ST sees them, sorted by ST name: plain files and
// folders only, no names starting with '.', no link leading outside `root`; every entry
// with a name of its own (a clash is settled by the order of the host names, an exact
// host name first). `withDots` puts "." and ".." first, as a subfolder has them.
void listFolder(const std::string& root, const std::string& hostFolder, bool withDots,
                std::vector<FolderEntry>& entries);
// Whether the ST may change a host file or folder: its owner's write permission is set
// (so that a file marked read-only is read-only whoever runs the emulator) and the
// user may write it.
bool hostWritable(const std::string& real);
// Attributes, size, date and time of an existing host path.
bool describeHostPath(const std::string& real, FolderEntry& entry);

// An ST path (the drive letter removed) as the absolute list of its components, from
// the drive's current path `current` (components joined by '\'). 0, or EPTHNF when it
// leads above the root, names an unusable folder or grows beyond ST_PATH_MAX; EFILNF
// when only the last component cannot name a file. A path ending in '\' names the
// folder itself.
int32_t stPathComponents(const std::string& current, const char* path, std::vector<std::string>& components);
std::string joinStPath(const std::vector<std::string>& components);  // "\A\B", "" for the root

// Where an ST path leads in the folder.
struct ResolvedPath {
    bool exists = false;
    bool isFolder = false;
    std::string parent;  // real host path of the folder that holds it
    std::string name;    // its host name there (the ST name when it does not exist)
    std::string target;  // real host path, when it exists
};
// 0, or EPTHNF when a folder on the way does not exist (or is a file).
int32_t resolveComponents(const std::string& root, const std::vector<std::string>& components, ResolvedPath& out);
