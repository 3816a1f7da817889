#pragma once
// Bringing the machine up and down: configuration, memory, tables, disk, ROM, host
// devices, the first cold reset; and the orderly shutdown.
#include <string>

#include "frontend/command_line.h"
#include "frontend/host_platform.h"

enum class StartupResult { Ready, Refused, Failed };

struct StartupSettings {
    bool readConfig = true;       // tests start from the defaults
    bool defaultSnapshot = true;  // resume "MemoryShot/DefaultSnapshot.Quarv"
    bool badDiskRefuses = true;   // a disk named on the command line must be usable
};

// The start-up steps in order. Refused: the ROM named on the command line, or the disk
// when badDiskRefuses, cannot be used (the reason is in startupError); Failed: a host
// device did not start.
StartupResult programStartup(const ProgramOptions& options, const HostPlatform& platform,
                             const StartupSettings& settings);
extern std::string startupError;
// The disk named on the command line could not be used: why (the drive is left empty).
extern std::string startupDiskError;
// The default snapshot was there but could not be resumed (why), or was resumed
// without all it names (what is missing); empty otherwise.
extern std::string startupSnapshotMessage;
// "Cannot use the disk image PATH: " and the loader's reason, after InsertDisk refused.
std::string diskRefusedMessage(const std::string& path);
extern std::string configPath;  // the settings file of this run

// Saves the default snapshot and the configuration when asked, stops the devices and
// frees the machine.
// False (with the reason on standard error) when a save failed.
bool programShutdown(bool saveDefaultSnapshot, bool saveSettings);
