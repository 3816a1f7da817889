#include "frontend/startup.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/data_folder.h"
#include "base/safe_file.h"
#include "bus/machine_settings.h"
#include "debugger/debug_run.h"
#include "debugger/instruction_trace.h"
#include "floppy/disk_image.h"
#include "floppy/hard_disk_image.h"
#include "frontend/config.h"
#include "frontend/debugger_commands.h"
#include "frontend/folder_drive_start.h"
#include "frontend/frame_output.h"
#include "frontend/program_files.h"
#include "frontend/rom_list.h"
#include "frontend/run_loop.h"
#include "machine/machine.h"
#include "machine/machine_reset.h"
#include "machine/rom_images.h"
#include "machine/snapshot.h"
#include "media/screenshot.h"

std::string startupError;
std::string startupDiskError;
std::string startupDriveError;
int startupDriveErrorPage;
std::string startupSnapshotMessage;
std::string configPath;

static const char* const BUILT_IN_DISK = "QuarvDefault.ST";
static const char* const BUILT_IN_ROM = "QuarvDefault.ROM";

static std::string builtIn(const char* name) {
    std::string path = findBuiltInFile(programFolder(), name);
    return path.empty() ? name : path;
}

static void applyCommandLine(const ProgramOptions& options) {
    if (options.machine >= 0) machineSettings.machine = uint32_t(options.machine);
    if (options.ramIndex >= 0) machineSettings.ramSize = uint32_t(options.ramIndex);
    if (options.fastDisk) machineSettings.fastDisk = 1;
    if (options.clock >= 0) machineSettings.clockAtPowerOn = options.clock;
    if (!options.diskPath.empty()) config.driveA = options.diskPath;
    // The hard disks named on the command line replace those of the settings.
    if (!options.acsiPaths.empty())
        for (uint32_t id = 0; id < HARD_DISKS; ++id) config.acsiImage[id] = id < options.acsiPaths.size() ? options.acsiPaths[id] : "";
    if (options.acsiWritable) machineSettings.acsiWriteBack = 1;
    applyMachineType();
}

std::string diskRefusedMessage(const std::string& path) {
    const char* reason = driveA.errorMessage && *driveA.errorMessage ? driveA.errorMessage : "unreadable.";
    return "Cannot use the disk image " + path + ": " + reason;
}

// The disk named on the command line, else the one of the settings, else the demo disk.
// A named disk that cannot be used leaves the drive empty. A program started from its
// folder has drive A empty unless a disk is named.
static void insertStartupDisk(const ProgramOptions& options) {
    if (options.noDisk || (!options.programPath.empty() && options.diskPath.empty())) return;
    if (InsertDisk(config.driveA.c_str())) return;
    if (!options.diskPath.empty()) {
        startupDiskError = diskRefusedMessage(options.diskPath);
        config.driveA.clear();
        return;
    }
    config.driveA = builtIn(BUILT_IN_DISK);
    InsertDisk(config.driveA.c_str());
}

// The hard disk images of the command line or the settings. One that cannot be used
// leaves its device empty, is dropped from the settings and is reported like a disk.
static void attachStartupHardDisks() {
    for (uint32_t id = 0; id < HARD_DISKS; ++id) {
        if (config.acsiImage[id].empty() || hardDiskAttach(id, config.acsiImage[id])) continue;
        startupDiskError += (startupDiskError.empty() ? "" : "\n") + hardDiskError;
        config.acsiImage[id].clear();
    }
}

// The first start with the bundled EmuTOS offers its images in the ROM list, inactive:
// the built-in ROM stays the one that runs until the user sets another active. Only once,
// so that entries the user removed stay removed. Adds go to the head, so the 192 KB image
// comes first.
static void offerBundledTos() {
    if (config.emuTosOffered) return;
    for (const char* name : {EMUTOS_256, EMUTOS_192}) {
        std::string path = findBuiltInFile(programFolder(), name);
        if (!path.empty() && romListAdd(path.c_str()) >= 0) config.emuTosOffered = 1;
    }
}

// The TOS named on the command line, else the ROM list's active one, else the built-in ROM.
static std::string startupTos(const ProgramOptions& options) {
    if (!options.romPath.empty()) return options.romPath;
    int32_t active = romListFindActive(false);
    return active >= 0 ? romListName(uint32_t(active)) : builtIn(BUILT_IN_ROM);
}

std::string tosForPrograms(const ProgramOptions& options) {
    std::string tos = startupTos(options);
    if (tos != builtIn(BUILT_IN_ROM)) return tos;
    std::string emutos = findBuiltInFile(programFolder(), bundledEmuTos(machineSettings.machine == 1));
    return emutos.empty() ? tos : emutos;
}

static void loadStartupRoms(const ProgramOptions& options) {
    std::string rom = options.programPath.empty() ? startupTos(options) : tosForPrograms(options);
    if (!loadTosRom(rom.c_str()) && !options.romPath.empty()) startupError = romLoadError;

    int32_t cartridge = romListFindActive(true);
    if (cartridge < 0 || !loadCartridge(romListName(uint32_t(cartridge)))) clearCartridge();
}

bool commandLineNamesContent(const ProgramOptions& options) {
    return !options.diskPath.empty() || !options.romPath.empty() || !options.programPath.empty() ||
           !options.hdFolder.empty() || !options.acsiPaths.empty();
}

// The data folder and its three folders (existing ones stay): "" when they are all there,
// else what is wrong.
static std::string makeDataFolders() {
    namespace fs = std::filesystem;
    std::string folder = dataFolder().empty() ? "." : dataFolder();
    for (const char* sub : {"", "shot", "sound", "MemoryShot"}) {
        fs::path path = *sub ? fs::path(dataFile(sub)) : fs::path(folder);
        std::error_code made, ignored;
        fs::create_directories(path, made);
        if (fs::is_directory(path, ignored)) continue;
        std::string name = (*sub ? "The folder " : "The data folder ") + path.string();
        return name + (fs::exists(path, ignored) ? " is not a folder." : " cannot be made: " + made.message() + ".");
    }
    return "";
}

// The ROM list's active entry, as the snapshots record it.
static int32_t activeTosId() { return romListFindActive(false); }
static const SnapshotRomHooks romListHooks = {activeTosId, romListSetActive};

// A first start has none. One that is there but cannot be resumed says why, and the
// machine starts afresh: it is the program's own file, replaced at the end of the run.
static bool resumeDefaultSnapshot() {
    std::string file = defaultSnapshotFile();
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(file, error))) return false;
    if (loadSnapshot(file)) {
        startupSnapshotMessage = snapshotLoadWarning();
        return true;
    }
    startupSnapshotMessage = "The default snapshot " + file + " cannot be resumed: " + snapshotLoadError();
    return false;
}

StartupResult programStartup(const ProgramOptions& options, const HostPlatform& platform,
                             const StartupSettings& settings) {
    startupError.clear();
    startupDiskError.clear();
    startupSnapshotMessage.clear();
    setHostPlatform(&platform);
    debugEnabled = options.debug;
    configPath = options.configPath.empty() ? defaultConfigPath() : options.configPath;
    if (settings.readConfig) {
        loadConfig(configPath);
        offerBundledTos();
    }
    applyCommandLine(options);

    joinMachineParts();
    if (!machineInit()) {
        platform.showMessageBox("Memory Error...", "Insufficient RAM to run Quarv!");
        return StartupResult::Refused;
    }
    takeMachineFrames();
    setSnapshotRomHooks(&romListHooks);
    setDataFolder(chooseDataFolder(options.dataDir));
    std::string folderProblem = makeDataFolders();
    if (!folderProblem.empty() && !options.dataDir.empty()) {
        startupError = folderProblem;
        return StartupResult::Refused;
    }
    // The usual data folder that cannot be made costs only the files that go there.
    if (!folderProblem.empty()) std::fprintf(stderr, "quarv: warning: %s\n", folderProblem.c_str());

    insertStartupDisk(options);
    attachStartupHardDisks();
    if (settings.badDiskRefuses) startupError = startupDiskError;
    loadStartupRoms(options);
    startupDriveError.clear();
    startupDriveErrorPage = MENU_PAGE_DISKS;
    if (attachStartupFolderDrive(options, startupDriveError) && !options.programPath.empty()) {
        startupDriveError = programStartProblem();
        if (!startupDriveError.empty()) startupDriveErrorPage = MENU_PAGE_OPTIONS;
    }
    if (startupError.empty() && settings.badDiskRefuses) startupError = startupDriveError;
    if (startupError.empty()) applyDebugOptions(options, startupError);
    if (!startupError.empty()) return StartupResult::Refused;

    if (!platform.createWindow() || !platform.initDisplay() || !platform.initInput()) {
        programShutdown(false, false);
        return StartupResult::Failed;
    }
    platform.initSound();
    machineReset(true);

    int state = RUN_STATE_MENU;
    // What the command line names is what the user asked for now: the machine the last
    // session left would replace it.
    if (settings.defaultSnapshot && !commandLineNamesContent(options) && resumeDefaultSnapshot()) {
        std::memcpy(capturedPicture, previewPicture, sizeof capturedPicture);
        buildCapturePalette();
        menuPageIndex = MENU_PAGE_SNAPSHOTS;
        if (config.defaultMemRun) state = startRunState();
    }
    setRunState(state);
    return StartupResult::Ready;
}

bool programShutdown(bool saveDefaultSnapshot, bool saveSettings) {
    bool saved = true;
    if (saveDefaultSnapshot && !saveSnapshot(defaultSnapshotFile())) {
        std::fprintf(stderr, "quarv: cannot save the default snapshot: %s\n", replacingError().c_str());
        saved = false;
    }
    setRunState(-1);
    const HostPlatform& platform = hostPlatform();
    platform.releaseSound();
    platform.shutdownInput();
    platform.shutdownDisplay();
    platform.destroyWindow();
    // Drive A's setting follows the disk in the drive (a snapshot may have changed it).
    if (*insertedDiskPath()) config.driveA = insertedDiskPath();
    // The hard disks' changes reach their files (with write-back on); the settings
    // follow the images attached.
    for (uint32_t id = 0; id < HARD_DISKS; ++id) {
        if (!hardDiskWriteBack(id)) {
            std::fprintf(stderr, "quarv: %s\n", hardDiskError.c_str());
            saved = false;
        }
        config.acsiImage[id] = hardDisks[id].path;
    }
    releaseMachineFrames();
    machineShutdown();
    if (!traceClose()) saved = false;  // its reason was given when it stopped
    setSnapshotRomHooks(nullptr);
    if (saveSettings && !saveConfig(configPath)) {
        std::fprintf(stderr, "quarv: cannot save the settings: %s\n", replacingError().c_str());
        saved = false;
    }
    return saved;
}
