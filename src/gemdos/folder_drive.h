#pragma once
// A host folder as a GEMDOS drive of the running TOS: the emulator answers the GEMDOS
// calls (TRAP #1) that name the drive, by its letter or as the current drive, and
// passes every other call to the TOS untouched. The drive is in _drvbits from the
// boot on (every BIOS and GEMDOS call sets its bit), so the desktop can show it; with
// EmuTOS a drive C: is also the boot drive. Files, searches and program loads live in
// fixed tables; nothing outside the folder is ever reached (gemdos/host_folder.h), and
// the host's files change only through ST calls that write them.
#include <cstdint>
#include <string>

constexpr int FOLDER_DRIVE_DEFAULT_LETTER = 2;  // C:

// Attaches `folder` as drive `letter` (2 = C: to 25 = Z:), without a start program;
// writes are refused when `writeProtect` is set or the folder is not writable for the
// user. False, with the reason, when the folder cannot be used (the previous drive is
// detached either way).
bool attachFolderDrive(const std::string& folder, int letter, bool writeProtect, std::string& error);
// Closes its files and takes the hooks away; the TOS keeps the drive in its drive map
// until it boots again.
void detachFolderDrive();
bool folderDriveAttached();
const std::string& folderDrivePath();  // the folder as given
// The user's protection, and whether writes are refused (that, or a read-only folder).
void setFolderDriveWriteProtect(bool protect);
bool folderDriveWriteProtected();

// The drive's state at a reset of the machine (and at the 68000's RESET, with which a
// TOS begins): files closed, searches and program loads forgotten, the path at the root.
void folderDriveReset();

// The drive joins the machine before it is brought up, attached or not: the machine's
// resets reset it, its shutdown detaches it, and snapshots carry its "GEMD" section.
void folderDriveJoinMachine();

// A program the TOS's desktop starts once after every reset, from the drive's root:
// `stName` as listed there (8.3), `arguments` its command line. Empty: none.
void setFolderDriveStartProgram(const std::string& stName, const std::string& arguments);
// The 8.3 name a host file of the folder's root shows under, "" when it shows none.
std::string folderDriveNameOf(const std::string& folder, const std::string& hostName);
