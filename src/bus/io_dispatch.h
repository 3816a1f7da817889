#pragma once
// The I/O area $FF8000-$FFFFFF in 128 pages of 256 bytes. The I/O row of each address
// table calls the dispatcher for its access kind, which calls the page's handler from
// the `IoPageTable` of that kind; a mapped page's handler calls the register handler
// from the page's `IoRegisterTable`.
#include <cstdint>

#include "bus/memory_map.h"

// Register handlers: the 24-bit address and the access's cycle position.
using IoReadFn = uint32_t (*)(uint32_t address, int32_t stamp);
using IoWriteFn = void (*)(uint32_t address, uint32_t value, int32_t stamp);

// Byte entries are indexed by address & $FF, word entries by (address & $FE) / 2.
// A null entry reads all ones and ignores writes.
struct IoRegisterTable {
    IoReadFn readByte[256];
    IoWriteFn writeByte[256];
    IoReadFn readWord[128];
    IoWriteFn writeWord[128];
    // Where reading a word changes the chip (a flag it clears, an engine it runs up to the
    // access), the same word without the change, for the debugger's view; a null entry
    // lets the read entry serve, which changes nothing.
    IoReadFn peekWord[128];
};

struct IoPageTable {
    IoReadFn read[128];  // unused in the write tables
    IoWriteFn write[128];
};

extern IoPageTable IoByteReadPages, IoByteWritePages, IoWordReadPages, IoWordWritePages;

inline int ioPageOf(uint32_t address) { return (address >> 8) & 0x7F; }

// Whether a chip of the current machine type answers at this I/O address; an access
// anywhere else is a bus error.
bool ioDecoded(uint32_t address);

// The I/O pages that chips answer on.
enum IoPage : int {
    PAGE_MEMORY_CONFIG = 0x00,  // $FF8000
    PAGE_SHIFTER = 0x02,        // $FF8200
    PAGE_FDC = 0x06,            // $FF8600
    PAGE_YM = 0x08,             // $FF8800
    PAGE_DMA_SOUND = 0x09,      // $FF8900
    PAGE_BLITTER = 0x0A,        // $FF8A00
    PAGE_JOYPAD = 0x12,         // $FF9200
    PAGE_MFP = 0x7A,            // $FFFA00
    PAGE_ACIA = 0x7C,           // $FFFC00
};

// Empties every page's register table (a decoded page without registers reads all ones
// and ignores writes), installs the memory configuration register and the pages' wait
// states. The chips then fill their pages' tables (machine/board_wiring.h).
void resetIoTables();
// The register table of a page, for its chip to fill.
IoRegisterTable& ioRegisters(int page);

// The I/O rows' handlers, installed in the address tables by buildAddressMaps.
uint32_t ioReadByte(uint32_t address, const ReadRow* row, int32_t stamp);
uint32_t ioReadWord(uint32_t address, const ReadRow* row, int32_t stamp);
void ioWriteByte(uint32_t address, uint32_t value, const WriteRow* row, int32_t stamp);
void ioWriteWord(uint32_t address, uint32_t value, const WriteRow* row, int32_t stamp);

// The word a read at `address` would give at cycle position `stamp`, taken from the
// registers as they stand: no wait state, no bus error, no chip changed. All ones where
// the machine decodes nothing.
uint32_t ioPeekWord(uint32_t address, int32_t stamp);
