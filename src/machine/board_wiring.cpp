#include "machine/board_wiring.h"

#include "bus/chip_lines.h"
#include "bus/io_dispatch.h"
#include "cpu/cpu.h"
#include "floppy/dma_chip.h"
#include "machine/scheduler.h"
#include "peripherals/acia.h"
#include "peripherals/blitter.h"
#include "peripherals/joypad.h"
#include "peripherals/mfp.h"
#include "sound/dma_sound.h"
#include "sound/ym2149.h"
#include "video/shifter.h"

// The MFP requests the 68000's level 6; the STE's DMA sound frame line is timer A's input;
// the display enable, which the scheduler follows line by line, is timer B's.
static void connectChipLines() {
    chipLines.requestInterrupt = cpuRequestInterrupt;
    chipLines.timerAInput = mfpTimerAInput;
    chipLines.setTimerAInputLevel = mfpSetTimerAInputLevel;
    chipLines.displayEnableAt = displayEnableAt;
}

void buildIoTables() {
    resetIoTables();
    shifterInstallRegisters(ioRegisters(PAGE_SHIFTER));
    fdcInstallRegisters(ioRegisters(PAGE_FDC));
    ymInstallRegisters(ioRegisters(PAGE_YM));
    dmaSoundInstallRegisters(ioRegisters(PAGE_DMA_SOUND));
    blitterInstallRegisters(ioRegisters(PAGE_BLITTER));
    joypadInstallRegisters(ioRegisters(PAGE_JOYPAD));
    mfpInstallRegisters(ioRegisters(PAGE_MFP));
    aciaInstallRegisters(ioRegisters(PAGE_ACIA));
    connectChipLines();
}
