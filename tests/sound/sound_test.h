#pragma once
// Shared set-up of the sound tests: the memory map with its I/O tables, an STE, empty
// sound logs, and bus accesses through the I/O dispatch.
#include <cstdint>

#include "machine/hardware_state.h"
#include "machine/io_dispatch.h"
#include "sound/dma_sound.h"
#include "sound/sound_logs.h"
#include "support/test_machine.h"

inline void setUpSoundMachine() {
    setUpMemoryMap();
    hw.machineFlags = MACHINE_STE;
    ymWriteLogReset();
    dmaSoundReset();
    dmaSoundFrameStart();
    leftVolume = rightVolume = 256;
}

inline void busWriteByte(uint32_t a, uint32_t v, int32_t stamp) { ioWriteByte(a, v, nullptr, stamp); }
inline void busWriteWord(uint32_t a, uint32_t v, int32_t stamp) { ioWriteWord(a, v, nullptr, stamp); }
inline uint32_t busReadByte(uint32_t a, int32_t stamp) { return ioReadByte(a, nullptr, stamp); }
inline uint32_t busReadWord(uint32_t a, int32_t stamp) { return ioReadWord(a, nullptr, stamp); }
