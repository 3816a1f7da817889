#pragma once
// The one block of hardware register images and shared counters that the processor,
// the frame scheduler and every register handler use. Register images hold ST byte
// order: the byte of ST address $xxxx00 + n is at index n.
#include <cstdint>

#include "bus/event_log.h"

// An MFP timer as a due position in processor cycles rather than a counter: a running
// timer expires at `due` and then every `period` cycles. A timer stopped by a register
// write has period 0 and due 0; the hardware reset puts due at -1.
struct MfpTimerSchedule {
    int32_t period;
    int32_t cyclesPerTick;
    int32_t due;
};

// Timers A and B have an input line (TAI, TBI) as well: in event count mode they count its
// transitions to the active level that the active edge register selects, in pulse width
// mode they time only while it is at that level.
struct MfpTimerInput {
    uint8_t level;    // the line as it stands (1 high)
    uint8_t counter;  // event count mode: transitions left to the next timeout
    int32_t held;     // pulse width mode, input inactive: cycles left to the next timeout
};

constexpr uint32_t MACHINE_STE = 1;  // machineFlags bit 0

struct HardwareState {
    uint8_t* ram;        // host address of ST address 0
    uint8_t* rom;        // ram + $400000
    uint8_t* cartridge;  // ram + $440000

    uint32_t videoBaseRegister;  // $FF8201 bits 16-23, $FF8203 bits 8-15, $FF820D bits 0-7
    uint32_t counterBase;        // video base latched at frame start

    LogEntry* videoEventWrite;  // VideoEventLog write position and last event stamp
    int32_t videoEventLastStamp;
    uint32_t displayEnable;  // the Shifter displays lines: gates timer B event counting
    uint8_t topBorderOpen;
    uint8_t bottomBorderOpen;
    // STE: the last $FF8265 write was not 0, so every line fetches one 16-pixel group
    // more (the pixel scroll itself and the line offset are in the shadow bytes).
    uint8_t scrollPrefetch;

    LogEntry* ymLogWrite;  // YmWriteLog write position and running total
    int32_t ymLogLastStamp;
    LogEntry* dmaSoundLogWrite;  // DmaSoundLog write position and running total
    int32_t dmaSoundLogLastStamp;

    MfpTimerSchedule timerA, timerB, timerC, timerD;
    MfpTimerInput timerAInput;  // TAI: the STE's DMA sound frame line, idle low on the STFM
    MfpTimerInput timerBInput;  // TBI: the display enable
    uint8_t timerOutputs;       // TAO bit 0, TBO bit 1: toggled by every timeout
    int32_t dmaFrameEndDue;     // where the DMA sound next ends a frame (INT32_MAX: not this frame)

    uint8_t memoryConfig[2];  // $FF8000 reads $FF, $FF8001 the register
    uint8_t shifter[256];     // $FF8200-$FF82FF
    uint8_t mfp[256];         // $FFFA00-$FFFAFF, registers at the odd bytes
    uint32_t mfpPrescale[8];  // 1, 4, 10, 16, 50, 64, 100, 200
    uint32_t cpuClock;        // 8021247 Hz
    uint32_t mfpClock;        // 2457600 Hz
    uint8_t acia[256];        // $FFFC00-$FFFCFF
    uint8_t ymRegisterImage[16];
    uint8_t dmaSound[256];  // $FF8900-$FF89FF
    uint8_t blitter[256];   // $FF8A00-$FF8AFF

    int32_t ymAccessCounter;
    int32_t fdcRegisterSelect;
    int32_t ymSelectedRegister;
    int32_t dmaModeFlags;

    uint32_t machineFlags;  // bit 0: STE
};

extern HardwareState hw;
// Every register as the machine first runs.
HardwareState hardwareStateAtPowerOn();

inline bool isSte() { return hw.machineFlags & MACHINE_STE; }
