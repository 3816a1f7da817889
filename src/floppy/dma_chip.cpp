#include "floppy/dma_chip.h"

#include <algorithm>

#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "bus/memory_map.h"
#include "bus/mfp_registers.h"
#include "bus/st_memory.h"
#include "floppy/acsi_bus.h"
#include "floppy/wd1772.h"

static uint8_t interruptSources;

constexpr int32_t SECTOR_COUNT_SELECT = 4;

// ---- The shared interrupt line ---------------------------------------------------------
static void driveGpip5() {
    if (interruptSources)
        hw.mfp[MFP_GPIP] &= uint8_t(~MFP_GPIP_FDC);
    else
        hw.mfp[MFP_GPIP] |= MFP_GPIP_FDC;
}

void diskInterruptLine(DiskInterruptSource source, bool active) {
    interruptSources = active ? interruptSources | source : interruptSources & ~source;
    driveGpip5();
}

uint8_t diskInterruptSources() { return interruptSources; }

void setDiskInterruptSources(uint8_t sources) {
    interruptSources = sources & (DISK_IRQ_FDC | DISK_IRQ_ACSI);
    driveGpip5();
}

// ---- Transfers ---------------------------------------------------------------------------
void dmaStore(const uint8_t* bytes, uint32_t length, uint32_t swap) {
    uint32_t address = fdc.dmaAddress, ramEnd = ramSizeBytes();
    if (address < RESET_VECTOR_BYTES) pendingDmaEnd = RESET_VECTOR_BYTES;
    if (fdc.dmaOff || fdc.dmaWrite || address >= ramEnd) return;
    length = std::min(length, ramEnd - address);
    if (length == 0) return;
    for (uint32_t i = address < RESET_VECTOR_BYTES ? RESET_VECTOR_BYTES - address : 0; i < length; ++i)
        stWriteByte(hw.ram, address + i, bytes[i ^ swap]);
    pendingDmaEnd = int32_t(address + length);
}

// The chip reads through the whole 4 MB RAM area, as its address lines reach it.
uint32_t dmaLoad(uint8_t* bytes, uint32_t length) {
    if (fdc.dmaOff || !fdc.dmaWrite || length == 0) return 0;
    uint32_t address = fdc.dmaAddress;
    for (uint32_t i = 0; i < length; ++i) bytes[i] = stReadByte(hw.ram, (address + i) & (RAM_AREA_SIZE - 1));
    pendingDmaEnd = int32_t(address + length);
    return length;
}

void dmaTransferEnds() {
    if (pendingDmaEnd == -1) return;
    fdc.dmaAddress = uint32_t(pendingDmaEnd);
    pendingDmaEnd = -1;
}

// ---- Registers ---------------------------------------------------------------------------
// Mode bit 7 clear or bit 3 set: $FF8604 talks to the ACSI bus, with A1 from bit 1. The
// sector count register (bit 4) is reached whatever the other bits say.
static bool acsiSelected() { return !(hw.dmaModeFlags & DMA_MODE_FLOPPY_DRQ) || (hw.dmaModeFlags & DMA_MODE_ACSI); }

// A peek gives what the read would without its effects (a status read frees the line).
template <bool peek>
static uint32_t readSelectedRegister(uint32_t, int32_t) {
    if (hw.fdcRegisterSelect == SECTOR_COUNT_SELECT) return fdc.sectorCount;
    if (acsiSelected()) return peek ? acsiPeekByte() : acsiReadByte();
    uint32_t reg = uint32_t(hw.fdcRegisterSelect);
    return peek ? fdcPeekRegister(reg) : fdcReadRegister(reg);
}

static void writeSelectedRegister(uint32_t, uint32_t value, int32_t stamp) {
    if (hw.fdcRegisterSelect == SECTOR_COUNT_SELECT)
        fdc.sectorCount = value;
    else if (acsiSelected())
        acsiWriteByte(uint8_t(value), hw.dmaModeFlags & DMA_MODE_A1, uint32_t(stamp));
    else
        fdcWriteRegister(uint32_t(hw.fdcRegisterSelect), value, uint32_t(stamp));
}

static void writeMode(uint32_t, uint32_t value, int32_t) {
    hw.dmaModeFlags = int32_t(value);
    fdc.dmaOff = (value & DMA_MODE_OFF) != 0;
    fdc.dmaWrite = (value & DMA_MODE_WRITE) != 0;
    hw.fdcRegisterSelect = (value & DMA_MODE_SECTOR_COUNT) ? SECTOR_COUNT_SELECT : int32_t(value >> 1) & 3;
}

// $FF8609, $FF860B and $FF860D hold bits 23-16, 15-8 and 7-0 of the DMA address.
static int dmaAddressShift(uint32_t address) { return 16 - 8 * int(((address & 0xFF) - 0x09) / 2); }

static uint32_t readDmaAddressByte(uint32_t address, int32_t) { return (fdc.dmaAddress >> dmaAddressShift(address)) & 0xFF; }

// Writing the address drops the end of a transfer still waiting for its event.
static void writeDmaAddressByte(uint32_t address, uint32_t value, int32_t) {
    int shift = dmaAddressShift(address);
    fdc.dmaAddress = (fdc.dmaAddress & ~(0xFFu << shift)) | (value & 0xFF) << shift;
    pendingDmaEnd = -1;
}

// Word accesses at the even addresses reach the byte at the following odd one.
static uint32_t readDmaAddressWord(uint32_t address, int32_t stamp) { return 0xFF00 | readDmaAddressByte(address + 1, stamp); }
static void writeDmaAddressWord(uint32_t address, uint32_t value, int32_t stamp) { writeDmaAddressByte(address + 1, value, stamp); }

// $FF8606 reads all ones (the DMA status is not emulated) through its empty read entry.
void fdcInstallRegisters(IoRegisterTable& t) {
    t.readWord[0x04 / 2] = readSelectedRegister<false>;
    t.peekWord[0x04 / 2] = readSelectedRegister<true>;
    t.writeWord[0x04 / 2] = writeSelectedRegister;
    t.writeWord[0x06 / 2] = writeMode;
    for (uint32_t offset : {0x08u, 0x0Au, 0x0Cu}) {
        t.readByte[offset + 1] = readDmaAddressByte;
        t.writeByte[offset + 1] = writeDmaAddressByte;
        t.readWord[offset / 2] = readDmaAddressWord;
        t.writeWord[offset / 2] = writeDmaAddressWord;
    }
}
