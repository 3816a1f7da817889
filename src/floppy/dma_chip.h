#pragma once
// The ST's DMA chip at $FF8600: the DMA address and sector count registers, the mode
// register that routes $FF8604 to the WD1772's registers or to the ACSI bus, and the
// transfers between ST memory and the floppy controller or an ACSI device. The DMA
// address register and the sector count live in FdcState (floppy/wd1772.h).
#include <cstdint>

struct IoRegisterTable;

// The page $FF8600: the DMA chip's registers and, through $FF8604, the WD1772's or the
// ACSI bus's.
void fdcInstallRegisters(IoRegisterTable& t);

// GPIP 5 of the MFP is one wire that the floppy controller's INTRQ and the ACSI bus's
// IRQ both pull low: it reads low while either source holds it active.
enum DiskInterruptSource : uint8_t { DISK_IRQ_FDC = 1, DISK_IRQ_ACSI = 2 };
void diskInterruptLine(DiskInterruptSource source, bool active);
// The sources holding the line now (a DiskInterruptSource mask), and their restoration
// from a snapshot, which also sets GPIP 5 to match.
uint8_t diskInterruptSources();
void setDiskInterruptSources(uint8_t sources);

// A transfer from a device into ST memory at the DMA address: never into the first 8
// bytes (the reset vectors come from the ROM) nor past the end of RAM, and only while
// the mode register has the DMA on and pointing towards memory. `swap` is 1 when the
// bytes are already in ST memory order (each word's bytes exchanged), 0 for file order.
// The address register moves to the transfer's end at the device's next event.
void dmaStore(const uint8_t* bytes, uint32_t length, uint32_t swap);
// A transfer from ST memory at the DMA address to a device (in file order), only while
// the mode register has the DMA on and pointing away from memory; returns the bytes
// moved. The address register moves on at the device's next event.
uint32_t dmaLoad(uint8_t* bytes, uint32_t length);
// The device's event: the address register takes the end of the last transfer.
void dmaTransferEnds();

// Mode register bits.
constexpr uint32_t DMA_MODE_A1 = 0x02;         // register select bit 0; the ACSI A1 line
constexpr uint32_t DMA_MODE_ACSI = 0x08;       // chip select to the ACSI bus
constexpr uint32_t DMA_MODE_SECTOR_COUNT = 0x10;
constexpr uint32_t DMA_MODE_OFF = 0x40;
constexpr uint32_t DMA_MODE_FLOPPY_DRQ = 0x80; // clear: the ACSI bus requests the transfers
constexpr uint32_t DMA_MODE_WRITE = 0x100;     // memory to the device
