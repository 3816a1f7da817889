#pragma once
// The GEMDOS calls the folder drive answers (gemdos_calls.cpp dispatches them): each reads
// its arguments where the caller pushed them (`args`, after the function number) and either
// answers or leaves the call to the TOS (TRAP_TAKEN). Files by name and by handle are in
// file_calls.cpp, folders and searches in folder_calls.cpp.
#include <cstdint>
#include <string>
#include <vector>

#include "gemdos/folder_drive_state.h"

namespace gemdos {

// The path at `address`, when it names the drive: by its letter, or without a letter
// while the drive is the current one. `rest` is the path after the letter.
bool pathOnDrive(uint32_t address, std::string& rest);
// A path argument on the drive: its components from the drive's current path and where
// they lead, or the GEMDOS error on the way (EFILNF: the last name cannot name a file;
// EPTHNF: a folder before it is not there, or the path leaves the drive).
struct DrivePlace {
    std::vector<std::string> components;
    ResolvedPath path;
    int32_t error = 0;
    std::string entry() const { return path.parent + "/" + path.name; }  // the host's entry itself
};
// False when the path at `address` is not the drive's.
bool drivePlace(uint32_t address, DrivePlace& place);
// A drive number as Dfree and Dgetpath take it (0 the current drive, 1 A:, ...) naming
// the drive.
bool driveNumberIsOurs(uint16_t drive);
// The GEMDOS error for a failed host call; `missing` for a name that is not there.
int32_t hostError(int error, int32_t missing);
// The files of a process that ends are closed.
void closeFilesOf(uint32_t basepage);

TrapAction fcreate(uint32_t args, uint32_t trapAddress);
TrapAction fopen(uint32_t args, uint32_t trapAddress);
TrapAction fdelete(uint32_t args, uint32_t trapAddress);
TrapAction fattrib(uint32_t args, uint32_t trapAddress);
TrapAction frename(uint32_t args, uint32_t trapAddress);
TrapAction fclose(uint32_t args, uint32_t trapAddress);
TrapAction fread(uint32_t args, uint32_t trapAddress);
TrapAction fwrite(uint32_t args, uint32_t trapAddress);
TrapAction fseek(uint32_t args, uint32_t trapAddress);
TrapAction fdatime(uint32_t args, uint32_t trapAddress);
TrapAction fforce(uint32_t args, uint32_t trapAddress);
TrapAction dfree(uint32_t args, uint32_t trapAddress);
TrapAction dcreate(uint32_t args, uint32_t trapAddress);
TrapAction ddelete(uint32_t args, uint32_t trapAddress);
TrapAction dsetpath(uint32_t args, uint32_t trapAddress);
TrapAction dgetpath(uint32_t args, uint32_t trapAddress);
TrapAction fsfirst(uint32_t args, uint32_t trapAddress);
TrapAction fsnext(uint32_t args, uint32_t trapAddress);

}  // namespace gemdos
