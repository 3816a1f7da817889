// The GEMDOS calls for the folder drive: which of them are its, by a path's drive letter,
// the current drive or a handle; the processes' ends and Pexec; and the dispatch that
// passes every other call to the TOS untouched.
#include "gemdos/gemdos_calls.h"

#include <cerrno>

#include "bus/memory_map.h"

namespace gemdos {
namespace {

constexpr uint32_t BASEPAGE_CURRENT_DRIVE = 0x37;
constexpr size_t PATH_TEXT_MAX = 256;

int currentDrive() {
    uint32_t basepage = currentBasepage();
    uint8_t drive;
    return basepage && copyFromSt(basepage + BASEPAGE_CURRENT_DRIVE, &drive, 1) ? drive : -1;
}

TrapAction pexec(uint32_t args, uint32_t trapAddress) {
    uint16_t mode = stWord(args);
    DrivePlace at;
    if ((mode != 0 && mode != 3) || !drivePlace(stLong(args + 2), at)) return TRAP_TAKEN;
    if (at.error) return answer(at.error);
    if (!at.path.exists || at.path.isFolder) return answer(EFILNF);
    return startProgramLoad(trapAddress, args, at.components, at.path.target);
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
    {0x00, pterm},   {0x31, ptermres}, {0x36, dfree},  {0x39, dcreate},  {0x3A, ddelete}, {0x3B, dsetpath},
    {0x3C, fcreate}, {0x3D, fopen},    {0x3E, fclose}, {0x3F, fread},    {0x40, fwrite},  {0x41, fdelete},
    {0x42, fseek},   {0x43, fattrib},  {0x46, fforce}, {0x47, dgetpath}, {0x4B, pexec},   {0x4C, pterm},
    {0x4E, fsfirst}, {0x4F, fsnext},   {0x56, frename}, {0x57, fdatime},
};

}  // namespace

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

bool driveNumberIsOurs(uint16_t drive) {
    return drive ? drive - 1 == folderDrive.letter : currentDrive() == folderDrive.letter;
}

bool drivePlace(uint32_t address, DrivePlace& place) {
    std::string rest;
    if (!pathOnDrive(address, rest)) return false;
    place.error = stPathComponents(folderDrive.currentPath, rest.c_str(), place.components);
    if (!place.error) place.error = resolveComponents(folderDrive.root, place.components, place.path);
    return true;
}

int32_t hostError(int error, int32_t missing) {
    switch (error) {
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

void closeFilesOf(uint32_t basepage) {
    for (OpenFile& f : folderDrive.files)
        if ((f.fd >= 0 || f.lost) && f.owner == basepage) closeOpenFile(f);
}

}  // namespace gemdos

TrapAction folderDriveGemdos(uint32_t trapAddress) {
    uint32_t stack = cpu.regs[15];
    if (ProgramLoad* load = programLoadAt(stack, trapAddress)) return continueProgramLoad(*load);
    uint16_t function = stWord(stack);
    for (const gemdos::Call& c : gemdos::calls)
        if (c.function == function) return c.run(stack + 2, trapAddress);
    return TRAP_TAKEN;
}
