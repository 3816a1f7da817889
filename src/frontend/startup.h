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
    bool badDiskRefuses = true;   // a disk, folder or program named on the command line must be usable
};

// A disk, a TOS image, a program, a folder drive or a hard disk image named on the command
// line: then the default snapshot is not resumed at start (it is still written at exit) and
// the machine starts with what was named.
bool commandLineNamesContent(const ProgramOptions& options);

// The TOS image a program started from the command line runs on: the one this start
// loads, unless that is the built-in ROM, which has no GEMDOS to load programs: then the
// bundled EmuTOS for the machine type (192 KB on the STFM, 256 KB on the STE) when it is
// installed. Call after the settings and the command line are applied.
std::string tosForPrograms(const ProgramOptions& options);

// The start-up steps in order. Refused: the ROM named on the command line, or the disk,
// folder or program when badDiskRefuses, cannot be used (the reason is in startupError);
// Failed: a host
// device did not start.
StartupResult programStartup(const ProgramOptions& options, const HostPlatform& platform,
                             const StartupSettings& settings);
extern std::string startupError;
// The disk named on the command line, or a hard disk image, could not be used: why (the
// drive or device is left empty), a line for each.
extern std::string startupDiskError;
// The folder drive or the program named on the command line cannot be used, or the TOS
// cannot run programs: why, and the menu page where the user mends it.
extern std::string startupDriveError;
extern int startupDriveErrorPage;

// The default snapshot was there but could not be resumed (why), or was resumed
// without all it names (what is missing); empty otherwise.
extern std::string startupSnapshotMessage;
// "Cannot use the disk image PATH: " and the loader's reason, after InsertDisk refused.
std::string diskRefusedMessage(const std::string& path);
extern std::string configPath;  // the settings file of this run

// Saves the default snapshot and the configuration when asked, writes the hard disks'
// changes back (with write-back on), stops the devices and frees the machine.
// False (with the reason on standard error) when a save failed.
bool programShutdown(bool saveDefaultSnapshot, bool saveSettings);
