#include "floppy/wd1772.h"

#include <algorithm>
#include <cstdlib>

#include "bus/hardware_state.h"
#include "bus/machine_settings.h"
#include "bus/notices.h"
#include "bus/processor_slice.h"
#include "bus/snapshot_section.h"
#include "floppy/disk_image.h"
#include "floppy/dma_chip.h"

FdcState fdc;
int32_t pendingDmaEnd = -1;

void fdcPowerOn() {
    fdc = FdcState{};
    pendingDmaEnd = -1;
}

constexpr int TRACK_MESSAGE_MS = 3000;

// ---- Lines and selections -------------------------------------------------------------
static void interruptLine(bool active) { diskInterruptLine(DISK_IRQ_FDC, active); }

static int selectedSide() { return 1 - (hw.ymRegisterImage[14] & 1); }

static uint32_t stepTime(uint32_t c) { return FDC_STEP_TIME[c & 3]; }

// 160000 cycles per 512 bytes, in proportion for the smaller sectors of FDI images.
static uint32_t sectorTime() { return uint32_t(uint64_t(driveA.lastSectorSize) * FDC_SECTOR_TIME / 512); }

// Copies the sector just read to ST memory at the DMA address (nothing without a disk,
// but an address below 8 still ends at 8).
static void transferSector(uint32_t limit) {
    dmaStore(driveA.sectorBuffer, driveA.loaded ? std::min(driveA.lastSectorSize, limit) : 0, 1);
}

// ---- Commands -------------------------------------------------------------------------
// Each returns the event type that ends it.
using FdcCommand = uint32_t (*)(uint32_t c, uint32_t now);

// Type I commands and read sector: the interrupt line goes inactive and the motor spins
// up unless it runs or bit 3 (h) asks not to.
static void commonStart(uint32_t c, uint32_t now, bool typeOne) {
    interruptLine(false);
    fdc.eventTime = now;
    fdc.status = FDC_MOTOR_ON | FDC_BUSY | (typeOne && fdc.track != 0 ? FDC_TRACK0 : 0);
    if (c & 0x08) return;
    if (!fdc.motorOn) {
        fdc.eventTime += FDC_SPIN_UP;
        fdc.motorOn = true;
        noticeDriveSound(DriveSound::MotorStarting);
    } else if (typeOne) {
        fdc.status |= FDC_SPUN_UP;
    }
}

// After a head movement bit 2 is set while the head stands away from track 0 (restore
// sets it as well); TOS checks it only after a restore.
static uint32_t typeOneStatus() { return FDC_MOTOR_ON | FDC_SPUN_UP | (fdc.track != 0 ? FDC_TRACK0 : 0); }

static uint32_t restore(uint32_t c, uint32_t now) {
    commonStart(c, now, true);
    noticeHeadMovement(fdc.track);
    // The head may stand below track 0 after stepping out; the way back is as long.
    fdc.eventTime += stepTime(c) * uint32_t(std::abs(fdc.track)) + FDC_HEAD_SETTLE;
    fdc.track = 0;
    fdc.finalStatus = FDC_MOTOR_ON | FDC_SPUN_UP | FDC_TRACK0;
    return FDC_EVENT_COMPLETION;
}

static uint32_t seek(uint32_t c, uint32_t now) {
    commonStart(c, now, true);
    int32_t target = int32_t(fdc.data & 0xFF);
    noticeHeadMovement(fdc.track - target);
    if (fdc.track != target) fdc.stepIn = fdc.track < target;
    fdc.eventTime += stepTime(c) * uint32_t(std::abs(fdc.track - target)) + FDC_HEAD_SETTLE;
    fdc.track = target;
    fdc.finalStatus = typeOneStatus();
    return FDC_EVENT_COMPLETION;
}

static uint32_t stepTowards(uint32_t c, uint32_t now, bool in) {
    commonStart(c, now, true);
    noticeHeadMovement(1);
    fdc.stepIn = in;
    fdc.eventTime += stepTime(c);
    fdc.track += in ? 1 : -1;  // no lower bound: out from track 0 gives -1
    fdc.finalStatus = typeOneStatus();
    return FDC_EVENT_COMPLETION;
}

static uint32_t step(uint32_t c, uint32_t now) { return stepTowards(c, now, fdc.stepIn == 1); }
static uint32_t stepIn(uint32_t c, uint32_t now) { return stepTowards(c, now, true); }
static uint32_t stepOut(uint32_t c, uint32_t now) { return stepTowards(c, now, false); }

static uint32_t recordNotFound() {
    fdc.eventTime += FDC_RECORD_NOT_FOUND;
    fdc.finalStatus = FDC_MOTOR_ON | FDC_RECORD_NOT_FOUND_BIT;
    return FDC_EVENT_COMPLETION;
}

// Bit 4 (m) reads sectorCount sectors, one more at each next-sector event.
static uint32_t readSector(uint32_t c, uint32_t now) {
    commonStart(c, now, false);
    if (c & 0x04) fdc.eventTime += FDC_HEAD_SETTLE;
    if (!ReadSector(fdc.track, selectedSide(), fdc.sector)) return recordNotFound();
    bool multiple = c & 0x10;
    fdc.sectorsLeft = multiple ? int32_t(fdc.sectorCount) : 1;
    fdc.eventTime += sectorTime();
    transferSector(UINT32_MAX);
    fdc.sectorsLeft -= 1;
    fdc.finalStatus = FDC_MOTOR_ON;
    if (multiple && fdc.sectorsLeft > 0) {
        fdc.sector += 1;
        return FDC_EVENT_NEXT_SECTOR;
    }
    return FDC_EVENT_COMPLETION;
}

// The busy bit is not set: the data is taken from memory at once.
static uint32_t writeSector(uint32_t c, uint32_t now) {
    fdc.status = fdc.finalStatus = FDC_MOTOR_ON;
    fdc.eventTime = now + FDC_SHORT_COMMAND;
    if (machineSettings.floppyAProtected) {
        fdc.eventTime = now + FDC_WRITE_PROTECTED_TIME;
        fdc.finalStatus = FDC_MOTOR_ON | FDC_WRITE_PROTECT;
        return FDC_EVENT_COMPLETION;
    }
    if (!WriteSector(fdc.track, selectedSide(), fdc.sector, fdc.dmaAddress)) return recordNotFound();
    fdc.eventTime += FDC_SECTOR_TIME;
    pendingDmaEnd = int32_t(fdc.dmaAddress + DISK_SECTOR_SIZE);
    return FDC_EVENT_COMPLETION;
}

static uint32_t readAddress(uint32_t, uint32_t now) {
    fdc.status = fdc.finalStatus = FDC_MOTOR_ON | FDC_SPUN_UP;
    fdc.eventTime = now + FDC_SHORT_COMMAND;
    return FDC_EVENT_COMPLETION;
}

// Whole-track transfers are not emulated; the message tells the user why a program
// that relies on them fails.
static uint32_t readTrack(uint32_t c, uint32_t now) {
    postNotice("FDC READ TRACK !", TRACK_MESSAGE_MS);
    return readAddress(c, now);
}

static uint32_t writeTrack(uint32_t c, uint32_t now) {
    postNotice("FDC WRITE TRACK", TRACK_MESSAGE_MS);
    return readAddress(c, now);
}

// Accepted while busy. Without condition bits (0xD0) the running command stops without
// a completion and the motor-off timer starts; otherwise it completes at once.
static uint32_t forceInterrupt(uint32_t c, uint32_t now) {
    if (c & 0x0C) {
        fdc.eventTime = now;
        fdc.finalStatus = FDC_MOTOR_ON | FDC_SPUN_UP;
        return FDC_EVENT_COMPLETION;
    }
    interruptLine(true);
    fdc.eventTime = now + FDC_MOTOR_OFF_DELAY;
    fdc.status = FDC_MOTOR_ON | FDC_SPUN_UP;
    return FDC_EVENT_MOTOR_OFF;
}

static const FdcCommand commands[16] = {
    restore,    seek,       step,        step,           stepIn,    stepIn,     stepOut,  stepOut,
    readSector, readSector, writeSector, writeSector,    readAddress, forceInterrupt, readTrack, writeTrack,
};

static void command(uint32_t c, uint32_t now) {
    uint32_t kind = c >> 4;
    bool forced = kind == 0xD;
    if ((fdc.status & FDC_BUSY) && !forced && kind != 1) return;  // seek is taken even while busy
    fdc.eventType = commands[kind](c, now);
    if (forced) return;
    endSliceNow();
    if (machineSettings.fastDisk) fdc.eventTime = now + FDC_SHORT_COMMAND;
}

// ---- Next sector and the event --------------------------------------------------------
static void nextSector() {
    interruptLine(false);
    fdc.status = FDC_MOTOR_ON | FDC_BUSY;
    if (!ReadSector(fdc.track, selectedSide(), fdc.sector)) {
        fdc.eventType = recordNotFound();
        return;
    }
    fdc.eventTime += sectorTime();
    transferSector(fdc.sectorCount * DISK_SECTOR_SIZE);
    fdc.sectorsLeft -= 1;
    fdc.sector += 1;
    fdc.finalStatus = FDC_MOTOR_ON;
    fdc.eventType = fdc.sectorsLeft >= 1 ? FDC_EVENT_NEXT_SECTOR : FDC_EVENT_COMPLETION;
}

uint32_t fdcEvent(int32_t now) {
    uint32_t type = fdc.eventType;
    dmaTransferEnds();
    switch (type) {
    case FDC_EVENT_COMPLETION:
        fdc.status = fdc.finalStatus;
        interruptLine(true);
        fdc.eventTime = uint32_t(now) + FDC_MOTOR_OFF_DELAY;
        fdc.eventType = FDC_EVENT_MOTOR_OFF;
        break;
    case FDC_EVENT_NEXT_SECTOR:
        nextSector();
        break;
    case FDC_EVENT_MOTOR_OFF:
        fdc.eventType = FDC_EVENT_NONE;
        fdc.motorOn = false;
        fdc.status = 0;
        noticeDriveSound(DriveSound::MotorStopping);
        break;
    default:  // no such event: nothing stays due for ever
        fdc.eventType = FDC_EVENT_NONE;
        break;
    }
    return type;
}

// ---- Registers ------------------------------------------------------------------------
// Reading the status register releases the interrupt line, as the WD1772 resets INTRQ
// on that read: a driver that has seen the completion leaves the shared line free.
uint32_t fdcReadRegister(uint32_t reg) {
    if (reg == 0) interruptLine(false);
    return fdcPeekRegister(reg);
}

uint32_t fdcPeekRegister(uint32_t reg) {
    switch (reg) {
    case 0: return fdc.status;
    case 1: return uint32_t(fdc.track);
    case 2: return fdc.sector;
    default: return fdc.data;
    }
}

void fdcWriteRegister(uint32_t reg, uint32_t value, uint32_t now) {
    switch (reg) {
    case 0: command(value & 0xFF, now); break;
    case 1: fdc.track = int32_t(value & 0xFF); break;
    case 2: fdc.sector = value & 0xFF; break;
    default: fdc.data = value; break;
    }
}

// ---- Snapshot section ---------------------------------------------------------------
namespace {
struct FdcSection {
    uint32_t version = 2;
    FdcState state;
    int32_t dmaEnd;
    uint8_t portA;  // sound chip register 14: drive and side selection

    template <class S>
    void fields(S& s) {
        s.num(state.eventTime);
        s.num(state.eventType);
        s.num(state.motorOn);
        s.num(state.track);
        s.num(state.sector);
        s.num(state.data);
        s.num(state.status);
        s.num(state.finalStatus);
        s.num(state.stepIn);
        s.num(state.dmaAddress);
        s.num(dmaEnd);
        s.num(state.dmaWrite);
        s.num(state.dmaOff);
        s.num(state.sectorCount);
        s.num(state.sectorsLeft);
        if (version >= 2) s.num(portA);
    }
    bool acceptVersion() const { return true; }
    void capture() {
        state = fdc;
        dmaEnd = pendingDmaEnd;
        portA = hw.ymRegisterImage[14];
    }
    void apply() const {
        fdc = state;
        pendingDmaEnd = dmaEnd;
        if (version >= 2) hw.ymRegisterImage[14] = portA;
    }
    // A pending event is one the controller has, seconds ahead at most (spin-up, a long
    // seek, the motor's stop).
    bool valid() const {
        if (state.eventType == FDC_EVENT_NONE) return true;
        return state.eventType <= FDC_EVENT_NEXT_SECTOR && int32_t(state.eventTime) >= -(1 << 28) &&
               int32_t(state.eventTime) <= (1 << 28);
    }
};
}  // namespace

SectionEntry fdcSnapshotSection() { return sectionEntry<FdcSection>("FDC!"); }
