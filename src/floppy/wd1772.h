#pragma once
// The WD1772 floppy controller behind the ST's DMA chip (floppy/dma_chip.h). Commands
// complete after a computed number of processor cycles; sector data moves between the
// disk in drive A and ST memory in one piece when a read starts; the controller's
// interrupt line is MFP general-purpose input 5, which it shares with the ACSI bus. Side
// selection comes from bit 0 of the sound chip's port A (register 14), inverted; every
// command addresses drive A.
#include <cstdint>

enum FdcEventType : uint32_t { FDC_EVENT_NONE = 0, FDC_EVENT_COMPLETION = 1, FDC_EVENT_MOTOR_OFF = 2, FDC_EVENT_NEXT_SECTOR = 3 };

// Times in processor cycles.
constexpr uint32_t FDC_STEP_TIME[4] = {48000, 96000, 16000, 24000};  // by rate bits 0-1
constexpr uint32_t FDC_HEAD_SETTLE = 120000;
constexpr uint32_t FDC_SPIN_UP = 9600000;
constexpr uint32_t FDC_MOTOR_OFF_DELAY = 14400000;
constexpr uint32_t FDC_RECORD_NOT_FOUND = 6400000;
constexpr uint32_t FDC_SECTOR_TIME = 160000;  // per 512 bytes
constexpr uint32_t FDC_WRITE_PROTECTED_TIME = 6401024;
constexpr uint32_t FDC_SHORT_COMMAND = 1024;  // also every command with "FastDisk" on

// Status register bits.
constexpr uint32_t FDC_BUSY = 0x01;
constexpr uint32_t FDC_TRACK0 = 0x04;  // type I; lost data for reads
constexpr uint32_t FDC_RECORD_NOT_FOUND_BIT = 0x10;
constexpr uint32_t FDC_SPUN_UP = 0x20;
constexpr uint32_t FDC_WRITE_PROTECT = 0x40;
constexpr uint32_t FDC_MOTOR_ON = 0x80;

struct FdcState {
    uint32_t eventTime;    // frame cycle of the pending event
    uint32_t eventType;    // FdcEventType
    bool motorOn;
    int32_t track;         // track register, also the head position
    uint32_t sector;
    uint32_t data;
    uint32_t status;       // status register as read now
    uint32_t finalStatus;  // status from the next completion on
    uint32_t stepIn;       // last step direction: 1 towards higher tracks
    uint32_t dmaAddress;
    uint32_t dmaWrite;     // mode bit 8: memory to disk
    uint32_t dmaOff;       // mode bit 6
    uint32_t sectorCount;  // DMA sector count register, never decremented
    int32_t sectorsLeft;   // of a multiple-sector read
};

extern FdcState fdc;
extern int32_t pendingDmaEnd;  // -1 when none: the DMA address the last transfer ended at

// The controller's registers as the DMA chip reaches them: 0 status (a read releases the
// interrupt line) and command, 1 track, 2 sector, 3 data.
uint32_t fdcReadRegister(uint32_t reg);
// What reading the register would give, the interrupt line left as it is (the debugger).
uint32_t fdcPeekRegister(uint32_t reg);
void fdcWriteRegister(uint32_t reg, uint32_t value, uint32_t now);

// Runs the due event (the scheduler calls it at `now`, once odometer has reached eventTime
// while eventType is not 0) and returns the type of event it ran.
uint32_t fdcEvent(int32_t now);

// The controller as the machine is switched on: no command, no event pending.
void fdcPowerOn();

// Snapshots: the controller and the DMA chip's address and count ("FDC!").
struct SectionEntry;
SectionEntry fdcSnapshotSection();
