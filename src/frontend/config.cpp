#include "frontend/config.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "frontend/ini_file.h"
#include "frontend/rom_list.h"

Config config;

std::string defaultConfigPath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg && *xdg) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : ".") + "/.config";
    }
    return base + "/quarv/quarv.ini";
}

// Every number value of the store: section, name, variable. Flags are read as numbers
// and written as 0 or 1.
namespace {
struct NumberSetting {
    const char* section;
    const char* name;
    uint32_t* value;
    uint32_t fallback;
};
struct FlagSetting {
    const char* section;
    const char* name;
    bool* value;
    bool fallback;
};
struct StringSetting {
    const char* section;
    const char* name;
    std::string* value;
};

const NumberSetting numberSettings[] = {
    {"Graphics", "ForceVBLSync", &config.forceVblSync, 0},
    {"Graphics", "FrameSkip", &config.frameSkip, 0},
    {"Graphics", "VideoDevice", &config.videoDevice, 0},
    {"Graphics", "VideoAdapter", &config.videoAdapter, 0},
    {"Graphics", "VideoRefresh", &config.videoRefresh, 0},
    {"Graphics", "bConfirmQuit", &config.confirmQuit, 1},
    {"Graphics", "WindowWidth", &config.windowWidth, 800},
    {"Graphics", "WindowHeight", &config.windowHeight, 600},
    {"Machine", "RAMSize", &machineSettings.ramSize, 2},
    {"Machine", "FastDisk", &machineSettings.fastDisk, 0},
    {"Machine", "YMSound", &machineSettings.ymSound, 1},
    {"Machine", "bDacSound", &machineSettings.dacSound, 1},
    {"Machine", "bLowPass", &machineSettings.lowPass, 1},
    {"Machine", "bProfile", &machineSettings.profile, 0},
    {"Machine", "bSoundDebug", &machineSettings.soundDebug, 0},
    {"Machine", "DiskSound", &machineSettings.diskSound, 1},
    {"Machine", "Machine", &machineSettings.machine, 0},
    {"Machine", "bDontShow", &config.dontShow, 0},
    {"Machine", "bDefautMemRun", &config.defaultMemRun, 1},
    {"Machine", "bEmuTosOffered", &config.emuTosOffered, 0},
    {"Machine", "bUseJoystick", &config.useJoystick, 0},
    {"Machine", "bArrowForJoystick", &machineSettings.arrowForJoystick, 1},
    {"Machine", "g_softwareMode", &machineSettings.softwareMode, 1},
    {"Machine", "bRewind", &config.rewind, 1},
    {"Machine", "RewindInterval", &config.rewindInterval, 10},
    {"Machine", "RewindSeconds", &config.rewindSeconds, 60},
    {"Machine", "RewindKey", &config.rewindKey, 0x0E},
    {"Disks", "AutoInsertDiskA", &config.autoInsertDiskA, 1},
    {"Disks", "FloppyAProtected", &machineSettings.floppyAProtected, 0},
    {"Disks", "FolderDriveLetter", &config.folderDriveLetter, 2},
    {"Disks", "FolderDriveProtected", &config.folderDriveProtected, 0},
    {"Disks", "AcsiWriteBack", &machineSettings.acsiWriteBack, 0},
};
const FlagSetting flagSettings[] = {
    {"Graphics", "bFullscreen", &config.fullscreen, false},
    {"Graphics", "bAskFullscreen", &config.askFullscreen, true},
    {"Graphics", "bWindowMaximized", &config.windowMaximized, false},
    {"Graphics", "bIntegerScaling", &config.integerScaling, false},
    {"Machine", "bUseTextureFiltering", &config.useTextureFiltering, false},
};
const StringSetting stringSettings[] = {
    {"Disks", "DriveA", &config.driveA},
    {"Disks", "DriveB", &config.driveB},
    {"Disks", "Directory", &config.directory},
    {"Disks", "FolderDrive", &config.folderDrive},
    {"Disks", "AcsiImage0", &config.acsiImage[0]},
    {"Disks", "AcsiImage1", &config.acsiImage[1]},
};
}  // namespace

// Only entries that exist are read: a count beyond the section's values names nothing
// more (a damaged "Count" would otherwise make start-up spin).
static void readRoms(const IniFile& ini) {
    int count = int(std::min<size_t>(iniReadNumber(ini, "ROMS", "Count", 0), iniValueCount(ini, "ROMS")));
    // Adds insert at the head of the list, so reading backwards restores the order. Each
    // activation turns the others of its class off, so the last active entry read of
    // each class (TOS, cartridge) is the one that stays active: only those two are set.
    int32_t lastActive[2] = {-1, -1};
    for (int i = count - 1; i >= 0; --i) {
        std::string key = "ROM" + std::to_string(i);
        std::string name;
        if (!iniReadString(ini, "ROMS", key.c_str(), name)) continue;  // a missing entry is skipped
        std::string activeKey = "Active" + std::to_string(i);
        int32_t id = romListAdd(name.c_str());
        if (id >= 0 && iniReadNumber(ini, "ROMS", activeKey.c_str(), 0))
            lastActive[romListKind(uint32_t(id)) != ROM_KIND_TOS] = id;
    }
    for (int32_t id : lastActive)
        if (id >= 0) romListSetActive(uint32_t(id));
}

static void writeRoms(IniFile& ini) {
    // The section is rebuilt so that no stale entry survives a removal.
    iniDeleteSection(ini, "ROMS");
    std::vector<const RomRecord*> records;  // in list order, position 0 first
    for (const RomRecord* r = romList.head; r; r = r->next) records.push_back(r);
    int count = int(records.size());
    iniWriteNumber(ini, "ROMS", "Count", uint32_t(count));
    for (int i = count - 1; i >= 0; --i) {
        iniWriteString(ini, "ROMS", ("ROM" + std::to_string(i)).c_str(), records[size_t(i)]->fileName);
        iniWriteNumber(ini, "ROMS", ("Active" + std::to_string(i)).c_str(), records[size_t(i)]->active);
    }
}

void loadConfig(const std::string& path) {
    IniFile ini;
    std::string problem;
    IniLoad result = iniLoad(path, ini, problem);
    if (result == IniLoad::Unreadable || result == IniLoad::Malformed)
        std::fprintf(stderr, "Warning: %s Using the default settings.\n", problem.c_str());

    readRoms(ini);
    for (const NumberSetting& s : numberSettings) *s.value = iniReadNumber(ini, s.section, s.name, s.fallback);
    for (const FlagSetting& s : flagSettings)
        *s.value = iniReadNumber(ini, s.section, s.name, s.fallback) != 0;
    config.useTexture = int32_t(iniReadNumber(ini, "Machine", "bUseTexture", 0)) > 0;
    for (const StringSetting& s : stringSettings) iniReadString(ini, s.section, s.name, *s.value);

    config.currentSlot = -1;  // read but never applied
    machineSettings.ramSize &= 3;
    if (config.folderDriveLetter < 2 || config.folderDriveLetter > 25) config.folderDriveLetter = 2;  // C:
    applyMachineType();
}

// A settings file that could not be read is the user's (it may hold a long ROM list): it
// is not written over; this session's settings go beside it, in "<file>.new".
bool saveConfig(const std::string& path) {
    // Values of the store that this program does not know survive a save.
    IniFile ini;
    std::string problem;
    std::string target = path;
    IniLoad existing = iniLoad(path, ini, problem);
    if (existing == IniLoad::Unreadable || existing == IniLoad::Malformed) {
        target = path + ".new";
        std::fprintf(stderr, "Warning: %s It is left as it is and the settings are saved in %s.\n", problem.c_str(),
                     target.c_str());
    }

    writeRoms(ini);
    for (const NumberSetting& s : numberSettings) {
        const char* name = s.value == &machineSettings.dacSound ? "bDACSound" : s.name;
        iniWriteNumber(ini, s.section, name, *s.value);
    }
    for (const FlagSetting& s : flagSettings) iniWriteNumber(ini, s.section, s.name, *s.value ? 1 : 0);
    iniWriteNumber(ini, "Machine", "bUseTexture", config.useTexture ? 1 : 0);
    // Signed: "no slot" is -1 (earlier files hold 4294967295, which reads the same).
    iniWriteString(ini, "Graphics", "nCurrentSlot", std::to_string(config.currentSlot));
    for (const StringSetting& s : stringSettings) iniWriteString(ini, s.section, s.name, *s.value);

    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    return iniSave(target, ini);
}
