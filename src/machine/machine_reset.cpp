#include "machine/machine_reset.h"

#include <cstring>

#include "bus/hardware_state.h"
#include "bus/memory_map.h"
#include "cpu/cpu.h"
#include "floppy/acsi_bus.h"
#include "machine/machine_extension.h"
#include "peripherals/blitter.h"
#include "peripherals/ikbd.h"
#include "peripherals/joypad.h"
#include "peripherals/mfp.h"
#include "sound/dma_sound.h"
#include "sound/ym2149.h"
#include "video/shifter.h"

void hardwareReset() {
    mfpReset();
    shifterReset();
    ikbdMachineReset();
    blitterReset();
    joypadReset();
    acsiBusReset();
    hw.ymRegisterImage[7] = 0xFF;  // mixer: every tone and noise off
    hw.ymRegisterImage[8] = hw.ymRegisterImage[9] = hw.ymRegisterImage[10] = 0;
    resetMachineExtensions();
}

// The reset vectors come from the ROM whatever happened to their copy at ST address 0.
void machineReset(bool cold) {
    if (cold) std::memset(hw.ram + RESET_VECTOR_BYTES, 0, RAM_AREA_SIZE - RESET_VECTOR_BYTES);
    std::memcpy(hw.ram, hw.rom, RESET_VECTOR_BYTES);
    cpuReset();
    hardwareReset();
    ymRequestReset();
    dmaSoundReset();
}
