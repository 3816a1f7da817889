#pragma once
// File names as GEMDOS knows them: 8.3, upper case, a directory entry's 11-character
// form that search patterns are matched against, attributes and the DOS date and time;
// and the stable 8.3 name that stands for a host name that is longer, lower case or uses
// characters the ST does not allow.
#include <cstdint>
#include <ctime>
#include <string>

// GEMDOS file attributes.
enum : uint8_t {
    FA_RDONLY = 0x01,
    FA_HIDDEN = 0x02,
    FA_SYSTEM = 0x04,
    FA_VOLUME = 0x08,
    FA_DIR = 0x10,
    FA_ARCHIVE = 0x20,
};

constexpr int ST_NAME_MAX = 12;  // "FILENAME.EXT"

// A name as the 11 characters of its directory entry: the name padded with spaces to 8,
// then the extension padded to 3. In a search pattern '*' pads its part with '?', and
// '?' matches any character, a padding space included.
struct EntryName {
    char c[11];
};
// GEMDOS's reading of one path component: up to 8 characters before the first '.', the
// rest of that part dropped, up to 3 after it; letters in upper case.
EntryName entryNameOf(const char* component);
EntryName dotEntryName(bool parent);  // the "." and ".." entries of a subfolder
bool entryNameMatches(const EntryName& pattern, const EntryName& name);
// Whether an entry with `entry` attributes is found by a search for `search`: plain
// files always, read-only and archived ones too, directories, hidden and system files
// only when asked for; a search for the volume label finds only that.
bool attributesMatch(uint8_t search, uint8_t entry);

// The component as GEMDOS stores it ("NAME.EXT", the parts cut to 8 and 3), or "" when
// it cannot name a file: empty, wildcards, a separator, control characters, or other
// characters the ST's file names do not use.
std::string stComponent(const char* component, size_t length);

// The 8.3 name shown for a host file name, "" for names the drive does not show (those
// starting with '.'). A name that already is 8.3 in the ST's characters is shown in
// upper case (`exact` tells whether that is the host name itself); any other becomes the
// first characters of its name, '~' and two characters of a hash of the whole host name,
// and the first three of its extension. `salt` varies the hash when two host names of a
// folder would show alike.
std::string stNameOfHost(const std::string& host, int salt, bool& exact);
bool isShortStName(const std::string& host);  // 8.3 in the ST's characters, any case

// DOS time (hours << 11 | minutes << 5 | seconds / 2) and date ((year - 1980) << 9 |
// month << 5 | day) of a host time, in local time, clamped to 1980-2107.
void dosDateTime(std::time_t t, uint16_t& time, uint16_t& date);
std::time_t hostTimeOf(uint16_t time, uint16_t date);
