#include "bus/io_dispatch.h"

#include "bus/hardware_state.h"
#include "bus/processor_slice.h"

IoPageTable IoByteReadPages, IoByteWritePages, IoWordReadPages, IoWordWritePages;

static IoRegisterTable registerTables[128];

// ---- What each machine type decodes ----------------------------------------------------
// An I/O address that no chip of the machine decodes gets no DTACK, and the bus error
// follows: TOS relies on it to find out which chips are fitted (blitter, DMA sound,
// Mega ST clock, FPU, TT MFP). Inside a decoded range, an offset without a register
// reads all ones and ignores writes.
struct DecodedRange {
    uint32_t first, last;
};
static constexpr DecodedRange stfmDecodedRanges[] = {
    {0xFF8000, 0xFF80FF},  // memory configuration
    {0xFF8200, 0xFF82FF},  // Shifter
    {0xFF8600, 0xFF86FF},  // DMA and floppy controller
    {0xFF8800, 0xFF88FF},  // YM2149, mirrored every 4 bytes
    {0xFFFA00, 0xFFFA3F},  // MFP 68901 (the Mega ST's FPU would sit at $FFFA40)
    {0xFFFC00, 0xFFFC1F},  // keyboard and MIDI ACIAs (the Mega ST's clock would sit at $FFFC20)
};
// The STE decodes the STFM's ranges and these.
static constexpr DecodedRange steAddedRanges[] = {
    {0xFF8900, 0xFF89FF},  // DMA sound and Microwire
    {0xFF8A00, 0xFF8AFF},  // blitter
    {0xFF9200, 0xFF923F},  // joypad, paddle and light pen ports
};

// One bit per 32-byte block of the I/O area, per machine type (0 STFM, 1 STE).
constexpr int IO_BLOCK_SHIFT = 5;
static uint32_t decodedBlocks[2][0x8000 >> IO_BLOCK_SHIFT >> 5];

template <size_t N>
static void markDecoded(uint32_t* blocks, const DecodedRange (&ranges)[N]) {
    for (const DecodedRange& r : ranges)
        for (uint32_t a = r.first; a <= r.last; a += 1u << IO_BLOCK_SHIFT) {
            uint32_t block = (a & 0x7FFF) >> IO_BLOCK_SHIFT;
            blocks[block >> 5] |= 1u << (block & 31);
        }
}

bool ioDecoded(uint32_t address) {
    uint32_t block = (address & 0x7FFF) >> IO_BLOCK_SHIFT;
    return decodedBlocks[isSte() ? 1 : 0][block >> 5] >> (block & 31) & 1;
}

// ---- Dispatch through a page's register table ----------------------------------------
static uint32_t registerReadByte(uint32_t a, int32_t stamp) {
    IoReadFn f = registerTables[ioPageOf(a)].readByte[a & 0xFF];
    return f ? f(a, stamp) & 0xFF : 0xFF;
}
static uint32_t registerReadWord(uint32_t a, int32_t stamp) {
    IoReadFn f = registerTables[ioPageOf(a)].readWord[(a & 0xFE) >> 1];
    return f ? f(a, stamp) & 0xFFFF : 0xFFFF;
}
static void registerWriteByte(uint32_t a, uint32_t v, int32_t stamp) {
    if (IoWriteFn f = registerTables[ioPageOf(a)].writeByte[a & 0xFF]) f(a, v & 0xFF, stamp);
}
static void registerWriteWord(uint32_t a, uint32_t v, int32_t stamp) {
    if (IoWriteFn f = registerTables[ioPageOf(a)].writeWord[(a & 0xFE) >> 1]) f(a, v & 0xFFFF, stamp);
}

// ---- Pages with wait states or machine-type checks -----------------------------------
// Every MFP access costs 4 cycles.
static uint32_t mfpReadByte(uint32_t a, int32_t s) { cpuAddWaitCycles(4); return registerReadByte(a, s); }
static uint32_t mfpReadWord(uint32_t a, int32_t s) { cpuAddWaitCycles(4); return registerReadWord(a, s); }
static void mfpWriteByte(uint32_t a, uint32_t v, int32_t s) { cpuAddWaitCycles(4); registerWriteByte(a, v, s); }
static void mfpWriteWord(uint32_t a, uint32_t v, int32_t s) { cpuAddWaitCycles(4); registerWriteWord(a, v, s); }

// Reading the keyboard ACIA's data register costs 8 cycles.
static uint32_t aciaReadByte(uint32_t a, int32_t s) {
    if ((a & 0xFF) == 0x02) cpuAddWaitCycles(8);
    return registerReadByte(a, s);
}

// The sound chip's bus cycles are counted over the instruction: the first access of an
// instruction pays 4 cycles, and a further 4 every `limit` byte or word-read accesses.
static void ymCountAccess(int limit) {
    if (cpuFirstIoAccess()) {
        cpuAddWaitCycles(4);
        hw.ymAccessCounter = 0;
    }
    if (++hw.ymAccessCounter == limit) {
        cpuAddWaitCycles(4);
        hw.ymAccessCounter = 0;
    }
}
// Word writes pay on the first access and then on every fifth: a MOVEM of eight word
// writes pays 4 + 4.
static void ymCountWordWrite() {
    if (cpuFirstIoAccess()) {
        cpuAddWaitCycles(4);
        hw.ymAccessCounter = 8;
    }
    if (hw.ymAccessCounter == 0) {
        cpuAddWaitCycles(4);
        hw.ymAccessCounter = 8;
    }
    hw.ymAccessCounter -= 2;
}
static uint32_t ymReadByte(uint32_t a, int32_t s) { ymCountAccess(9); return registerReadByte(a, s); }
static uint32_t ymReadWord(uint32_t a, int32_t s) { ymCountAccess(5); return registerReadWord(a, s); }
static void ymWriteByte(uint32_t a, uint32_t v, int32_t s) { ymCountAccess(9); registerWriteByte(a, v, s); }
static void ymWriteWord(uint32_t a, uint32_t v, int32_t s) { ymCountWordWrite(); registerWriteWord(a, v, s); }

static void mapPage(int page, IoReadFn readByte, IoWriteFn writeByte, IoReadFn readWord, IoWriteFn writeWord) {
    IoByteReadPages.read[page] = readByte;
    IoByteWritePages.write[page] = writeByte;
    IoWordReadPages.read[page] = readWord;
    IoWordWritePages.write[page] = writeWord;
}

// ---- Memory configuration register ($FF8001) -----------------------------------------
static uint32_t memoryConfigRead(uint32_t, int32_t) { return hw.memoryConfig[1]; }
static uint32_t memoryConfigReadWord(uint32_t, int32_t) { return 0xFF00 | hw.memoryConfig[1]; }
static void memoryConfigWrite(uint32_t, uint32_t v, int32_t) { hw.memoryConfig[1] = uint8_t(v); }

static void memoryConfigInstallRegisters(IoRegisterTable& t) {
    hw.memoryConfig[0] = 0xFF;
    t.readByte[0x01] = memoryConfigRead;
    t.writeByte[0x01] = memoryConfigWrite;
    t.readWord[0] = memoryConfigReadWord;
    t.writeWord[0] = memoryConfigWrite;
}

void resetIoTables() {
    markDecoded(decodedBlocks[0], stfmDecodedRanges);
    markDecoded(decodedBlocks[1], stfmDecodedRanges);
    markDecoded(decodedBlocks[1], steAddedRanges);
    // A decoded page without registers of its own reads all ones and ignores writes.
    for (int page = 0; page < 128; ++page) {
        registerTables[page] = IoRegisterTable{};
        mapPage(page, registerReadByte, registerWriteByte, registerReadWord, registerWriteWord);
    }
    memoryConfigInstallRegisters(registerTables[PAGE_MEMORY_CONFIG]);
    mapPage(PAGE_YM, ymReadByte, ymWriteByte, ymReadWord, ymWriteWord);
    mapPage(PAGE_MFP, mfpReadByte, mfpWriteByte, mfpReadWord, mfpWriteWord);
    // The ACIAs answer byte accesses only: word reads see all ones, word writes vanish.
    mapPage(PAGE_ACIA, aciaReadByte, registerWriteByte, registerReadWord, registerWriteWord);
}

IoRegisterTable& ioRegisters(int page) { return registerTables[page & 0x7F]; }

// The I/O rows: addresses the machine does not decode fault before any page is asked.
uint32_t ioReadByte(uint32_t a, const ReadRow*, int32_t stamp) {
    if (!ioDecoded(a)) return cpuRequestBusError(), 0xFF;
    return IoByteReadPages.read[ioPageOf(a)](a, stamp);
}
uint32_t ioReadWord(uint32_t a, const ReadRow*, int32_t stamp) {
    if (!ioDecoded(a)) return cpuRequestBusError(), 0xFFFF;
    return IoWordReadPages.read[ioPageOf(a)](a, stamp);
}
void ioWriteByte(uint32_t a, uint32_t v, const WriteRow*, int32_t stamp) {
    if (!ioDecoded(a)) return cpuRequestBusError();
    IoByteWritePages.write[ioPageOf(a)](a, v, stamp);
}
uint32_t ioPeekWord(uint32_t a, int32_t stamp) {
    if (!ioDecoded(a)) return 0xFFFF;
    const IoRegisterTable& t = registerTables[ioPageOf(a)];
    int index = int(a & 0xFE) >> 1;
    IoReadFn f = t.peekWord[index] ? t.peekWord[index] : t.readWord[index];
    return f ? f(a, stamp) & 0xFFFF : 0xFFFF;
}

void ioWriteWord(uint32_t a, uint32_t v, const WriteRow*, int32_t stamp) {
    if (!ioDecoded(a)) return cpuRequestBusError();
    IoWordWritePages.write[ioPageOf(a)](a, v, stamp);
}
