#include "gemdos/folder_drive.h"

#include <sys/stat.h>
#include <unistd.h>

#include "bus/memory_map.h"
#include "bus/snapshot_section.h"
#include "gemdos/folder_drive_snapshot.h"
#include "gemdos/folder_drive_state.h"
#include "machine/machine_extension.h"
#include "machine/snapshot.h"

FolderDrive folderDrive;

namespace {

constexpr uint32_t DRVBITS = 0x4C2;   // the TOS's map of the drives there are
constexpr uint32_t SYSBASE = 0x4F2;   // the OS header
constexpr uint32_t OS_VERSION = 0x02, OS_CONF = 0x1C, OS_RUN = 0x28;

void updateProtection() {
    folderDrive.protect = folderDrive.protectSetting || !hostWritable(folderDrive.root);
}

}  // namespace

// ---- The caller's world -----------------------------------------------------------
uint16_t stWord(uint32_t address) {
    uint8_t b[2];
    return copyFromSt(address, b, 2) ? uint16_t(b[0] << 8 | b[1]) : 0;
}

uint32_t stLong(uint32_t address) { return uint32_t(stWord(address)) << 16 | stWord(address + 2); }

void putStWord(uint32_t address, uint16_t value) {
    uint8_t b[2] = {uint8_t(value >> 8), uint8_t(value)};
    copyToSt(address, b, 2);
}

void putStLong(uint32_t address, uint32_t value) {
    putStWord(address, uint16_t(value >> 16));
    putStWord(address + 2, uint16_t(value));
}

// TOS 1.02 and later name the pointer to the running basepage in their header; TOS 1.00
// keeps it at $602C ($873C in the Spanish version).
uint32_t currentBasepage() {
    uint32_t header = stLong(SYSBASE);
    if (!header) return 0;
    uint32_t run = stLong(header + OS_RUN);
    if (stWord(header + OS_VERSION) < 0x0102) run = (stWord(header + OS_CONF) >> 1) == 4 ? 0x873C : 0x602C;
    return stLong(run);
}

TrapAction answer(int32_t result) {
    cpu.regs[0] = uint32_t(result);
    return TRAP_ANSWERED;
}

// Every BIOS and GEMDOS call puts the drive into the TOS's drive map, as a hard disk
// driver installs its drives: from the first call of a boot on, the TOS sees it (EmuTOS
// asks for the map just before it chooses its boot drive).
static void markDrive() {
    uint32_t bits = stLong(DRVBITS) | 1u << folderDrive.letter;
    putStLong(DRVBITS, bits);
}

TrapAction folderDriveBios(uint32_t) {
    markDrive();
    return TRAP_TAKEN;
}

static TrapAction gemdosHook(uint32_t trapAddress) {
    markDrive();
    return folderDriveGemdos(trapAddress);
}

// ---- Attaching ----------------------------------------------------------------------
bool attachFolderDrive(const std::string& folder, int letter, bool writeProtect, std::string& error) {
    detachFolderDrive();
    if (letter < 2 || letter > 25) {
        error = "The folder drive's letter must be one of C: to Z:.";
        return false;
    }
    std::string root = realHostPath(folder);
    struct stat st;
    if (root.empty() || ::stat(root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = "Cannot use the folder " + folder + " as a drive: it is not a folder.";
        return false;
    }
    folderDrive.attached = true;
    folderDrive.startProgram.clear();
    folderDrive.startArguments.clear();
    folderDrive.folder = folder;
    folderDrive.root = root;
    folderDrive.letter = letter;
    folderDrive.protectSetting = writeProtect;
    updateProtection();
    folderDriveReset();
    cpuSetTrapHook(1, gemdosHook);
    cpuSetTrapHook(13, folderDriveBios);
    return true;
}

void detachFolderDrive() {
    folderDriveReset();
    folderDrive.attached = false;
    folderDrive.folder.clear();
    folderDrive.root.clear();
    cpuSetTrapHook(1, nullptr);
    cpuSetTrapHook(13, nullptr);
}

bool folderDriveAttached() { return folderDrive.attached; }
const std::string& folderDrivePath() { return folderDrive.folder; }

void setFolderDriveWriteProtect(bool protect) {
    folderDrive.protectSetting = protect;
    updateProtection();
}
bool folderDriveWriteProtected() { return folderDrive.protect; }

void closeOpenFile(OpenFile& file) {
    if (file.fd >= 0) ::close(file.fd);
    file = OpenFile{};
}

void folderDriveReset() {
    for (OpenFile& f : folderDrive.files) closeOpenFile(f);
    for (Search& s : folderDrive.searches) s = Search{};
    for (ProgramLoad& l : folderDrive.loads) l = ProgramLoad{};
    folderDrive.currentPath.clear();
    folderDrive.startServed = folderDrive.startArgumentsGiven = false;
}

void folderDriveJoinMachine() {
    addMachineExtension({folderDriveReset, detachFolderDrive});
    registerSnapshotSection(folderDriveSnapshotSection());
}

void setFolderDriveStartProgram(const std::string& stName, const std::string& arguments) {
    folderDrive.startProgram = stName;
    folderDrive.startArguments = arguments;
}

std::string folderDriveNameOf(const std::string& folder, const std::string& hostName) {
    std::string root = realHostPath(folder);
    std::vector<FolderEntry> entries;
    listFolder(root, root, false, entries);
    for (const FolderEntry& e : entries)
        if (e.hostName == hostName) return e.stName;
    return "";
}
