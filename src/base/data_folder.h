#pragma once
// The folder the program's own files go to: screenshots ("shot/"), recordings
// ("sound/"), snapshots ("MemoryShot/"), the crash and hardware logs. The front end
// chooses it at start; until then, and in tests, it is the working folder.
#include <string>

void setDataFolder(const std::string& folder);  // "" is the working folder
const std::string& dataFolder();
// The path of a file or folder inside it, given by its name there ("shot/Quarv_000.tga").
std::string dataFile(const std::string& name);
// The first name of a numbered series that nothing in the data folder holds yet: the
// format has one %03d and no other conversion ("shot/Quarv_%03d.tga"). Anything at a name,
// even a file that cannot be read or a dangling link, keeps it taken.
std::string nextFreeDataFile(const char* format);
// The program's own files in the folder itself.
constexpr const char* CRASH_LOG_FILE = "crashLog.txt";
constexpr const char* HARDWARE_LOG_FILE = "HardwareLog.txt";
// Whether a path names one of the program's own files: the crash or hardware log of the
// data folder, or anything in its "shot", "sound" or "MemoryShot". Those names are the
// program's, whoever asked for the file: a symbolic link found at one was planted there,
// not made by the user. Other names in the folder (a portable folder is also the
// working folder) are the user's.
bool isDataFolderFile(const std::string& path);
