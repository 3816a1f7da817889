#pragma once
// The user's settings as program variables: read once at start-up from the store,
// written back at exit. The comments give each value's name in the store. The settings
// the emulated machine reads live in machineSettings (bus/machine_settings.h); the
// store reads and writes them there.
#include <cstdint>
#include <string>

#include "bus/machine_settings.h"

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
    uint32_t windowWidth = 800;       // "WindowWidth": the window's size when it was last
    uint32_t windowHeight = 600;      // "WindowHeight"  closed, not maximised
    bool windowMaximized = false;     // "bWindowMaximized"
    bool integerScaling = false;      // "bIntegerScaling": the picture grows in whole steps
    // [Machine]
    uint32_t dontShow = 0;            // "bDontShow" (stored only)
    uint32_t defaultMemRun = 1;       // "bDefautMemRun"
    uint32_t emuTosOffered = 0;       // "bEmuTosOffered": the ROM list got the bundled EmuTOS once
    uint32_t useJoystick = 0;         // "bUseJoystick"
    bool useTexture = false;          // "bUseTexture"
    bool useTextureFiltering = false; // "bUseTextureFiltering"
    // [Machine], rewind in the window
    uint32_t rewind = 1;              // "bRewind": states kept while the machine runs
    uint32_t rewindInterval = 10;     // "RewindInterval": a state every N frames
    uint32_t rewindSeconds = 60;      // "RewindSeconds": how far back
    uint32_t rewindKey = 0x0E;        // "RewindKey": DirectInput code; Backspace counts only with Alt
    // [Disks]
    std::string driveA;               // "DriveA"
    std::string driveB;               // "DriveB"
    std::string directory;            // "Directory"
    uint32_t autoInsertDiskA = 1;     // "AutoInsertDiskA"
    // [Disks], the folder drive
    std::string folderDrive;          // "FolderDrive": a host folder as a GEMDOS drive, "" none
    uint32_t folderDriveLetter = 2;   // "FolderDriveLetter": 2 C: ... 25 Z:
    uint32_t folderDriveProtected = 0;  // "FolderDriveProtected"
    // [Disks], the ACSI hard disks; write-back is machineSettings.acsiWriteBack ("AcsiWriteBack")
    std::string acsiImage[2];         // "AcsiImage0", "AcsiImage1"
};

extern Config config;

// The store's file: --config FILE, else $XDG_CONFIG_HOME/quarv/quarv.ini, else
// ~/.config/quarv/quarv.ini.
std::string defaultConfigPath();
// Reads every value (defaults for missing or malformed ones) and hands the [ROMS]
// entries to the ROM list. An unreadable or malformed file gives the defaults and one
// warning on standard error.
void loadConfig(const std::string& path);
// Writes every value to a temporary file renamed over the old one; false on failure.
bool saveConfig(const std::string& path);
