#pragma once
// The user's settings as program variables: read once at start-up from the store,
// written back at exit. The comments give each value's name in the store.
#include <cstdint>
#include <string>

struct Config {
    // [Graphics]
    uint32_t forceVblSync = 0;        // "ForceVBLSync"
    uint32_t frameSkip = 0;           // "FrameSkip"
    uint32_t videoDevice = 0;         // "VideoDevice" (stored only)
    uint32_t videoAdapter = 0;        // "VideoAdapter"
    uint32_t videoRefresh = 0;        // "VideoRefresh"
    bool fullscreen = false;          // "bFullscreen"
    bool askFullscreen = true;        // "bAskFullscreen"
    uint32_t confirmQuit = 1;         // "bConfirmQuit"
    int32_t currentSlot = -1;         // "nCurrentSlot" (written; always starts at -1)
    // [Machine]
    uint32_t ramSize = 2;             // "RAMSize", index 0-3
    uint32_t fastDisk = 0;            // "FastDisk"
    uint32_t ymSound = 1;             // "YMSound"
    uint32_t dacSound = 1;            // "bDacSound" (read) / "bDACSound" (written)
    uint32_t lowPass = 1;             // "bLowPass"
    uint32_t profile = 0;             // "bProfile"
    uint32_t soundDebug = 0;          // "bSoundDebug"
    uint32_t diskSound = 1;           // "DiskSound"
    uint32_t machine = 0;             // "Machine": 0 STFM, 1 STE
    uint32_t dontShow = 0;            // "bDontShow" (stored only)
    uint32_t defaultMemRun = 1;       // "bDefautMemRun"
    uint32_t useJoystick = 0;         // "bUseJoystick"
    uint32_t arrowForJoystick = 1;    // "bArrowForJoystick"
    bool useTexture = false;          // "bUseTexture"
    bool useTextureFiltering = false; // "bUseTextureFiltering"
    uint32_t softwareMode = 1;        // "g_softwareMode": 0 Normal, 1 Half, 2 Interlace, 3 Blend
    // [Disks]
    std::string driveA;               // "DriveA"
    std::string driveB;               // "DriveB"
    std::string directory;            // "Directory"
    uint32_t autoInsertDiskA = 1;     // "AutoInsertDiskA"
    uint32_t floppyAProtected = 0;    // "FloppyAProtected"
};

extern Config config;

// The store's file: --config FILE, else $XDG_CONFIG_HOME/quarv/quarv.ini, else
// ~/.config/quarv/quarv.ini.
std::string defaultConfigPath();
// Reads every value (defaults for missing or malformed ones) and hands the [ROMS]
// entries to the ROM list. An unreadable or malformed file gives the defaults and one
// warning on standard error.
void loadConfig(const std::string& path);
// The machine type flags of the hardware follow config.machine (1 STE, else STFM).
void applyMachineType();
// Writes every value to a temporary file renamed over the old one; false on failure.
bool saveConfig(const std::string& path);
