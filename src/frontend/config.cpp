#include "frontend/config.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "frontend/ini_file.h"
#include "frontend/rom_list.h"
#include "machine/hardware_state.h"

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
    uint32_t Config::*value;
    uint32_t fallback;
};
struct FlagSetting {
    const char* section;
    const char* name;
    bool Config::*value;
    bool fallback;
};
struct StringSetting {
    const char* section;
    const char* name;
    std::string Config::*value;
};

const NumberSetting numberSettings[] = {
    {"Graphics", "ForceVBLSync", &Config::forceVblSync, 0},
    {"Graphics", "FrameSkip", &Config::frameSkip, 0},
    {"Graphics", "VideoDevice", &Config::videoDevice, 0},
    {"Graphics", "VideoAdapter", &Config::videoAdapter, 0},
    {"Graphics", "VideoRefresh", &Config::videoRefresh, 0},
    {"Graphics", "bConfirmQuit", &Config::confirmQuit, 1},
    {"Machine", "RAMSize", &Config::ramSize, 2},
    {"Machine", "FastDisk", &Config::fastDisk, 0},
    {"Machine", "YMSound", &Config::ymSound, 1},
    {"Machine", "bDacSound", &Config::dacSound, 1},
    {"Machine", "bLowPass", &Config::lowPass, 1},
    {"Machine", "bProfile", &Config::profile, 0},
    {"Machine", "bSoundDebug", &Config::soundDebug, 0},
    {"Machine", "DiskSound", &Config::diskSound, 1},
    {"Machine", "Machine", &Config::machine, 0},
    {"Machine", "bDontShow", &Config::dontShow, 0},
    {"Machine", "bDefautMemRun", &Config::defaultMemRun, 1},
    {"Machine", "bUseJoystick", &Config::useJoystick, 0},
    {"Machine", "bArrowForJoystick", &Config::arrowForJoystick, 1},
    {"Machine", "g_softwareMode", &Config::softwareMode, 1},
    {"Disks", "AutoInsertDiskA", &Config::autoInsertDiskA, 1},
    {"Disks", "FloppyAProtected", &Config::floppyAProtected, 0},
};
const FlagSetting flagSettings[] = {
    {"Graphics", "bFullscreen", &Config::fullscreen, false},
    {"Graphics", "bAskFullscreen", &Config::askFullscreen, true},
    {"Machine", "bUseTextureFiltering", &Config::useTextureFiltering, false},
};
const StringSetting stringSettings[] = {
    {"Disks", "DriveA", &Config::driveA},
    {"Disks", "DriveB", &Config::driveB},
    {"Disks", "Directory", &Config::directory},
};
}  // namespace

static void readRoms(const IniFile& ini) {
    int count = int(iniReadNumber(ini, "ROMS", "Count", 0));
    // Adds insert at the head of the list, so reading backwards restores the order.
    for (int i = count - 1; i >= 0; --i) {
        std::string key = "ROM" + std::to_string(i);
        std::string name;
        if (!iniReadString(ini, "ROMS", key.c_str(), name)) continue;  // a missing entry is skipped
        std::string activeKey = "Active" + std::to_string(i);
        int32_t id = romListAdd(name.c_str());
        if (id >= 0 && iniReadNumber(ini, "ROMS", activeKey.c_str(), 0)) romListSetActive(uint32_t(id));
    }
}

static void writeRoms(IniFile& ini) {
    // The section is rebuilt so that no stale entry survives a removal.
    iniDeleteSection(ini, "ROMS");
    int count = romListCount();
    iniWriteNumber(ini, "ROMS", "Count", uint32_t(count));
    for (int i = count - 1; i >= 0; --i) {
        uint32_t id = uint32_t(romListIdAt(i));
        iniWriteString(ini, "ROMS", ("ROM" + std::to_string(i)).c_str(), romListName(id));
        iniWriteNumber(ini, "ROMS", ("Active" + std::to_string(i)).c_str(), romListIsActive(id));
    }
}

void loadConfig(const std::string& path) {
    IniFile ini;
    std::string problem;
    IniLoad result = iniLoad(path, ini, problem);
    if (result == IniLoad::Unreadable || result == IniLoad::Malformed)
        std::fprintf(stderr, "Warning: the settings file %s %s; using the default settings.\n", path.c_str(),
                     problem.c_str());

    readRoms(ini);
    for (const NumberSetting& s : numberSettings) config.*s.value = iniReadNumber(ini, s.section, s.name, s.fallback);
    for (const FlagSetting& s : flagSettings)
        config.*s.value = iniReadNumber(ini, s.section, s.name, s.fallback) != 0;
    config.useTexture = int32_t(iniReadNumber(ini, "Machine", "bUseTexture", 0)) > 0;
    for (const StringSetting& s : stringSettings) iniReadString(ini, s.section, s.name, config.*s.value);

    config.currentSlot = -1;  // read but never applied
    config.ramSize &= 3;
    applyMachineType();
}

void applyMachineType() {
    hw.machineFlags = (hw.machineFlags & ~MACHINE_STE) | (config.machine == 1 ? MACHINE_STE : 0);
}

bool saveConfig(const std::string& path) {
    // Values of the store that this program does not know survive a save.
    IniFile ini;
    std::string problem;
    iniLoad(path, ini, problem);

    writeRoms(ini);
    for (const NumberSetting& s : numberSettings) {
        const char* name = s.value == &Config::dacSound ? "bDACSound" : s.name;
        iniWriteNumber(ini, s.section, name, config.*s.value);
    }
    for (const FlagSetting& s : flagSettings) iniWriteNumber(ini, s.section, s.name, config.*s.value ? 1 : 0);
    iniWriteNumber(ini, "Machine", "bUseTexture", config.useTexture ? 1 : 0);
    iniWriteNumber(ini, "Graphics", "nCurrentSlot", uint32_t(config.currentSlot));
    for (const StringSetting& s : stringSettings) iniWriteString(ini, s.section, s.name, config.*s.value);

    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    return iniSave(path, ini);
}
