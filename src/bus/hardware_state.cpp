#include "bus/hardware_state.h"

#include "bus/machine_settings.h"

#include "bus/sound_logs.h"
#include "bus/video_event_log.h"

HardwareState hardwareStateAtPowerOn() {
    HardwareState h{};
    const uint32_t prescale[8] = {1, 4, 10, 16, 50, 64, 100, 200};
    for (int i = 0; i < 8; ++i) h.mfpPrescale[i] = prescale[i];
    h.cpuClock = 8021247;
    h.mfpClock = 2457600;
    h.timerA.due = h.timerB.due = h.timerC.due = h.timerD.due = -1;
    // The logs are usable from the start, before the first frame empties them.
    h.videoEventWrite = VideoEventLog;
    h.ymLogWrite = YmWriteLog;
    h.dmaSoundLogWrite = DmaSoundLog;
    return h;
}

HardwareState hw = hardwareStateAtPowerOn();

MachineSettings machineSettings;

void applyMachineType() {
    hw.machineFlags = (hw.machineFlags & ~MACHINE_STE) | (machineSettings.machine == 1 ? MACHINE_STE : 0);
}
