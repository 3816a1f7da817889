#include "machine/machine.h"

#include <ctime>

#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "bus/machine_settings.h"
#include "bus/memory_map.h"
#include "bus/sound_logs.h"
#include "bus/video_event_log.h"
#include "cpu/cpu.h"
#include "floppy/disk_image.h"
#include "floppy/hard_disk_image.h"
#include "machine/board_wiring.h"
#include "machine/machine_extension.h"
#include "machine/machine_reset.h"
#include "machine/profile_timer.h"
#include "machine/scheduler.h"
#include "floppy/wd1772.h"
#include "machine/snapshot.h"
#include "peripherals/blitter.h"
#include "peripherals/ikbd.h"
#include "sound/dma_sound.h"
#include "sound/lmc1992.h"
#include "sound/microwire.h"
#include "sound/drive_sounds.h"
#include "sound/mixer.h"
#include "sound/ym2149.h"
#include "video/renderer.h"
#include "video/shifter.h"

bool machineInit() {
    // A machine started again in the same process (another game loaded) begins where the
    // first began, not where the last one stopped.
    hw = hardwareStateAtPowerOn();
    scheduler = SchedulerState{};
    fdcPowerOn();
    setRendererState(RendererState{});
    forgetDrawnLines();
    ymPowerOn();
    resumeDriveSound({-1, 0});  // the drive silent
    if (!allocateHostMemory()) return false;
    ikbdSetClock(machineSettings.clockAtPowerOn >= 0 ? machineSettings.clockAtPowerOn : int64_t(std::time(nullptr)));
    buildAddressMaps();
    buildIoTables();
    cpuSetMaps({FetchMap, ReadByteMap, ReadWordMap, WriteByteMap, WriteWordMap});
    cpu.odometer = 0;
    cpu.resetOperation = hardwareReset;
    cpuBuildDispatchTable();
    setRamSize(int(machineSettings.ramSize));
    applyMachineType();
    registerSnapshotSections();
    buildColourTables();
    resetLineWindowTable();

    hw.counterBase = hw.videoBaseRegister;
    videoEventLogReset();
    videoEventLogClose();
    ymWriteLogReset();
    dmaSoundReset();
    dmaSoundFrameStart();  // the engine reads the first frame's register log as any other's
    microwirePowerOn();
    lmc1992PowerOn();
    for (int c = 0; c < SOUND_CHANNELS; ++c) restoreLowPassHistory(c, {0, 0});
    calibrateProfileTimers();
    return true;
}

void machineShutdown() {
    EjectDisk();
    shutDownMachineExtensions();
    for (uint32_t id = 0; id < HARD_DISKS; ++id) hardDiskDetach(id);
    freeHostMemory();
}

uint32_t runSlice(int32_t budget) {
    if (!blitterRunning()) return cpuRun(budget);
    if (blitterOwnsBus()) {
        cpu.odometer += blitterRun(cpu.odometer, budget);
        return RUN_OK;
    }
    int32_t start = cpu.odometer;
    uint32_t result = cpuRun(blitterProcessorBudget(budget));
    blitterProcessorRan(cpu.odometer - start);
    return result;
}

FrameResult emulateFrame() {
    profileStart(profileTotal);
    int32_t n = serviceEvents();
    while (n != -1) {
        if (n == 0) {
            n = serviceEvents();
            continue;
        }
        if (runSlice(n) != RUN_OK) return FrameResult::Crashed;
        n = serviceEvents();
    }
    return FrameResult::Completed;
}
