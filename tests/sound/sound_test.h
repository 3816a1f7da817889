#pragma once
// Shared set-up of the sound tests: the memory map with its I/O tables, an STE, empty
// sound logs, a flat LMC1992, and bus accesses through the I/O dispatch.
#include <cstdint>

#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "bus/sound_logs.h"
#include "sound/dma_sound.h"
#include "sound/lmc1992.h"
#include "sound/microwire.h"
#include "support/test_machine.h"

// The LMC1992 as the program starts it, no microwire transfer running.
inline void powerOnLmc1992() {
    lmc1992PowerOn();
    microwirePowerOn();
}

inline void setUpSoundMachine() {
    setUpMemoryMap();
    hw.machineFlags = MACHINE_STE;
    ymWriteLogReset();
    dmaSoundReset();
    dmaSoundFrameStart();
    powerOnLmc1992();
}

inline void busWriteByte(uint32_t a, uint32_t v, int32_t stamp) { ioWriteByte(a, v, nullptr, stamp); }
inline void busWriteWord(uint32_t a, uint32_t v, int32_t stamp) { ioWriteWord(a, v, nullptr, stamp); }
inline uint32_t busReadByte(uint32_t a, int32_t stamp) { return ioReadByte(a, nullptr, stamp); }
inline uint32_t busReadWord(uint32_t a, int32_t stamp) { return ioReadWord(a, nullptr, stamp); }
