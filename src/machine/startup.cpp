#include "machine/startup.h"

#include <sys/stat.h>

#include <cstring>

#include "cpu/cpu.h"
#include "floppy/disk_image.h"
#include "frontend/config.h"
#include "frontend/rom_list.h"
#include "machine/hardware_state.h"
#include "machine/io_dispatch.h"
#include "machine/machine_reset.h"
#include "machine/main_loop.h"
#include "machine/memory_map.h"
#include "machine/snapshot.h"
#include "sound/dma_sound.h"
#include "sound/sound_logs.h"
#include "video/messages.h"
#include "video/profile_timer.h"
#include "video/renderer.h"
#include "video/shifter.h"
#include "video/video_event_log.h"

std::string startupError;
std::string configPath;

static const char* const DEFAULT_DISK = "QuarvDefault.ST";
static const char* const DEFAULT_ROM = "QuarvDefault.ROM";

static void applyCommandLine(const ProgramOptions& options) {
    if (options.machine >= 0) config.machine = uint32_t(options.machine);
    if (options.ramIndex >= 0) config.ramSize = uint32_t(options.ramIndex);
    if (options.fastDisk) config.fastDisk = 1;
    if (!options.diskPath.empty()) config.driveA = options.diskPath;
    applyMachineType();
}

static void insertStartupDisk(const ProgramOptions& options) {
    if (InsertDisk(config.driveA.c_str())) return;
    if (!options.diskPath.empty()) {
        startupError = "Cannot use the disk image " + options.diskPath + ".";
        return;
    }
    config.driveA = DEFAULT_DISK;
    InsertDisk(DEFAULT_DISK);
}

static void loadStartupRoms(const ProgramOptions& options) {
    std::string rom = options.romPath;
    if (rom.empty()) {
        int32_t active = romListFindActive(false);
        rom = active >= 0 ? romListName(uint32_t(active)) : DEFAULT_ROM;
    }
    if (!loadTosRom(rom.c_str()) && !options.romPath.empty()) startupError = romLoadError;

    int32_t cartridge = romListFindActive(true);
    if (cartridge < 0 || !loadCartridge(romListName(uint32_t(cartridge)))) clearCartridge();
}

StartupResult programStartup(const ProgramOptions& options, const HostPlatform& platform,
                             const StartupSettings& settings) {
    startupError.clear();
    setHostPlatform(&platform);
    debugEnabled = options.debug;
    configPath = options.configPath.empty() ? defaultConfigPath() : options.configPath;
    if (settings.readConfig) loadConfig(configPath);
    applyCommandLine(options);

    if (!allocateHostMemory()) {
        platform.showMessageBox("Memory Error...", "Insufficient RAM to run Quarv!");
        return StartupResult::Refused;
    }
    buildAddressMaps();
    buildIoTables();
    cpuSetMaps({FetchMap, ReadByteMap, ReadWordMap, WriteByteMap, WriteWordMap});
    cpu.odometer = 0;
    cpu.resetOperation = hardwareReset;
    cpuBuildDispatchTable();

    for (const char* dir : {"shot", "sound", "MemoryShot"}) ::mkdir(dir, 0777);  // existing ones stay
    setRamSize(int(config.ramSize));
    registerSnapshotSections();

    insertStartupDisk(options);
    loadStartupRoms(options);
    if (!startupError.empty()) return StartupResult::Refused;

    if (!platform.createWindow() || !platform.initDisplay() || !platform.initInput()) {
        programShutdown(false, false);
        return StartupResult::Failed;
    }
    platform.initSound();
    buildColourTables();
    resetLineWindowTable();

    hw.counterBase = hw.videoBaseRegister;
    videoEventLogReset();
    videoEventLogClose();
    ymWriteLogReset();

    dmaSoundReset();
    machineReset(true);
    calibrateProfileTimers();
    // Two permanent empty lines on screen, so that the profile figures have line 1.
    ShowMessage("", -1, 0);
    ShowMessage("", -1, 0);

    int state = RUN_STATE_MENU;
    if (settings.defaultSnapshot && loadSnapshot(DEFAULT_SNAPSHOT_FILE)) {
        std::memcpy(capturedPicture, previewPicture, sizeof capturedPicture);
        buildCapturePalette();
        menuPageIndex = 3;
        if (config.defaultMemRun) state = RUN_STATE_RUNNING;
    }
    setRunState(state);
    return StartupResult::Ready;
}

void programShutdown(bool saveDefaultSnapshot, bool saveSettings) {
    if (saveDefaultSnapshot) saveSnapshot(DEFAULT_SNAPSHOT_FILE);
    setRunState(-1);
    const HostPlatform& platform = hostPlatform();
    platform.releaseSound();
    platform.shutdownInput();
    platform.shutdownDisplay();
    platform.destroyWindow();
    EjectDisk();
    freeHostMemory();
    if (saveSettings) saveConfig(configPath);
}
