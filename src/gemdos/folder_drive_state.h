#pragma once
// Inside the folder drive: its tables, shared by the GEMDOS calls, the program loads and
// the snapshot, and the helpers they are built from.
#include <cstdint>
#include <string>
#include <vector>

#include "cpu/cpu.h"
#include "gemdos/folder_drive_snapshot.h"
#include "gemdos/host_folder.h"

// Handles above those a TOS gives out for its own files (EmuTOS's stay below 81), still
// within the signed byte some programs keep a handle in.
constexpr int FIRST_HANDLE = 96;

struct OpenFile {
    int fd = -1;          // -1: free
    bool writable = false;
    bool lost = false;    // gone from the folder when a snapshot was resumed
    uint32_t owner = 0;   // the basepage of the process that opened it
    std::string stPath;   // "\FOLDER\NAME.EXT", to open it again when a snapshot is resumed
};

// An Fsfirst in progress. Its DTA carries the slot and generation in its reserved bytes;
// the folder's listing is taken again when a resumed snapshot asks for the next entry.
struct Search {
    uint32_t generation = 0;  // 0: free
    std::string folder;       // ST path of the folder searched
    EntryName pattern;
    uint8_t attributes = 0;
    uint32_t next = 0;        // index of the next entry to look at
    bool listed = false;
    std::vector<FolderEntry> entries;
};

// Pexec of a program on the drive, carried out as a series of GEMDOS calls the TOS
// makes: its TRAP is taken again, each time with new arguments in the place of the
// caller's, until the caller's call is answered (gemdos/program_loads.cpp).
enum LoadStage : uint32_t {
    LOAD_FREE,
    LOAD_BASEPAGE,       // Pexec 5 asked: D0 brings the basepage
    LOAD_RUNNING,        // Pexec 4 asked: D0 brings the exit code
    LOAD_FREE_ENVIRONMENT,
    LOAD_FREE_BASEPAGE,  // the last Mfree: then the caller gets its answer
};
struct ProgramLoad {
    uint32_t stage = LOAD_FREE;
    uint32_t mode = 0;         // the caller's: 0 load and go, 3 load only
    uint32_t stack = 0;        // A7 and the TRAP's address identify the call
    uint32_t trapAddress = 0;
    uint8_t callerArguments[16] = {};
    uint32_t basepage = 0;
    int32_t result = 0;        // what the caller gets at the end
    bool resident = false;     // the program ended with Ptermres: its memory stays
    bool startArguments = false;  // the start program: its command line goes in
    std::string stPath;
};

struct FolderDrive {
    bool attached = false;
    std::string folder;    // as given
    std::string root;      // its real path
    int letter = 2;
    bool protectSetting = false;
    bool protect = false;  // the setting, or a folder the user cannot write
    std::string currentPath;  // "\A\B", "" at the root
    OpenFile files[FILE_SLOTS];
    Search searches[SEARCH_SLOTS];
    uint32_t nextGeneration = 1;
    ProgramLoad loads[LOAD_SLOTS];
    std::string startProgram, startArguments;
    bool startServed = false;  // the desktop file with the start line was read
    bool startArgumentsGiven = false;
};

extern FolderDrive folderDrive;

// The hooks of TRAP #1 (GEMDOS) and TRAP #13 (BIOS).
TrapAction folderDriveGemdos(uint32_t trapAddress);
TrapAction folderDriveBios(uint32_t trapAddress);
void closeOpenFile(OpenFile& file);

// ---- The caller's world -----------------------------------------------------------
// Big-endian values in ST memory; 0 where nothing is readable.
uint16_t stWord(uint32_t address);
uint32_t stLong(uint32_t address);
void putStWord(uint32_t address, uint16_t value);
void putStLong(uint32_t address, uint32_t value);
// The basepage of the running process, from the TOS's _run (0 before there is one).
uint32_t currentBasepage();
// D0 gets the result; the call is done.
TrapAction answer(int32_t result);

// The Pexec steps (program_loads.cpp): Pexec 0 or 3 of the program file `hostPath`, named
// by `components` on the drive, with the caller's arguments at `arguments`; the TRAP of a
// load under way; the load's next step.
TrapAction startProgramLoad(uint32_t trapAddress, uint32_t arguments, const std::vector<std::string>& components,
                            const std::string& hostPath);
ProgramLoad* programLoadAt(uint32_t stack, uint32_t trapAddress);
TrapAction continueProgramLoad(ProgramLoad& load);
void programEnding(bool resident);  // Pterm, Pterm0, Ptermres of the running process
