#pragma once
// The I/O area $FF8000-$FFFFFF in 128 pages of 256 bytes. The I/O row of each address
// table calls the dispatcher for its access kind, which calls the page's handler from
// the `IoPageTable` of that kind; a mapped page's handler calls the register handler
// from the page's `IoRegisterTable`.
#include <cstdint>

#include "machine/memory_map.h"

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

// Builds the four page tables and asks every chip to fill its register table.
void buildIoTables();

// The I/O rows' handlers, installed in the address tables by buildAddressMaps.
uint32_t ioReadByte(uint32_t address, const ReadRow* row, int32_t stamp);
uint32_t ioReadWord(uint32_t address, const ReadRow* row, int32_t stamp);
void ioWriteByte(uint32_t address, uint32_t value, const WriteRow* row, int32_t stamp);
void ioWriteWord(uint32_t address, uint32_t value, const WriteRow* row, int32_t stamp);

// Register tables filled by each chip (each in its own file).
void memoryConfigInstallRegisters(IoRegisterTable& t);  // $FF8000
void shifterInstallRegisters(IoRegisterTable& t);       // $FF8200
void fdcInstallRegisters(IoRegisterTable& t);           // $FF8600
void ymInstallRegisters(IoRegisterTable& t);            // $FF8800
void dmaSoundInstallRegisters(IoRegisterTable& t);      // $FF8900
void blitterInstallRegisters(IoRegisterTable& t);       // $FF8A00
void joypadInstallRegisters(IoRegisterTable& t);        // $FF9200
void mfpInstallRegisters(IoRegisterTable& t);           // $FFFA00
void aciaInstallRegisters(IoRegisterTable& t);          // $FFFC00
