#include "bus/memory_map.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <cstring>

#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "bus/processor_slice.h"
#include "bus/screen_write_logger.h"
#include "bus/snapshot_section.h"

FetchRow FetchMap[MAP_ROWS];
ReadRow ReadByteMap[MAP_ROWS];
ReadRow ReadWordMap[MAP_ROWS];
WriteRow WriteByteMap[MAP_ROWS];
WriteRow WriteWordMap[MAP_ROWS];

static uint8_t* hostBlock;
static void (*fetchRowsListener)();
static int ramIndex = 1;
static uint32_t ramBytes = 0x100000;

// Row positions of the initial tables.
enum { ROW_RAM = 0, ROW_ROM = 1, ROW_CARTRIDGE = 2, ROW_IO = 3 };
enum { WROW_SCREEN = 0, WROW_RAM = 1, WROW_IO = 2 };

bool allocateHostMemory() {
    if (!hostBlock) {
        // 16 bytes of slack so that a long load at the very end stays inside the block.
        hostBlock = static_cast<uint8_t*>(std::calloc(HOST_BLOCK_SIZE + 16, 1));
        if (!hostBlock) return false;
    }
    hw.ram = hostBlock;
    hw.rom = hostBlock + ROM_AREA_OFFSET;
    hw.cartridge = hostBlock + CARTRIDGE_AREA_OFFSET;
    return true;
}

void freeHostMemory() {
    std::free(hostBlock);
    hostBlock = nullptr;
    hw.ram = hw.rom = hw.cartridge = nullptr;
}

void setFetchRowsListener(void (*changed)()) { fetchRowsListener = changed; }

static void fetchRowsChanged() {
    if (fetchRowsListener) fetchRowsListener();
}

static void setFetchRow(int i, uint32_t start, uint32_t end, const uint8_t* host) {
    FetchMap[i] = {start, end, intptr_t(host) - intptr_t(start)};
    fetchRowsChanged();
}
static void setReadRows(int i, uint32_t start, uint32_t end, ReadHandler byteHandler, ReadHandler wordHandler,
                        uint8_t* host) {
    ReadByteMap[i] = {start, end, byteHandler, host};
    ReadWordMap[i] = {start, end, wordHandler, host};
}
static void setWriteRows(int i, uint32_t start, uint32_t end, WriteHandler byteHandler, WriteHandler wordHandler,
                         uint8_t* host) {
    WriteByteMap[i] = {start, end, byteHandler, host};
    WriteWordMap[i] = {start, end, wordHandler, host};
}

void buildAddressMaps() {
    setFetchRow(ROW_RAM, 0x000000, 0x0FFFFF, hw.ram);
    setFetchRow(ROW_ROM, 0xFC0000, 0xFEFFFF, hw.rom);
    setFetchRow(ROW_CARTRIDGE, CARTRIDGE_BASE, 0xFBFFFF, hw.cartridge);
    setFetchRow(ROW_IO, MAP_END, MAP_END, nullptr);

    setReadRows(ROW_RAM, 0x000000, 0x0FFFFF, nullptr, nullptr, hw.ram);
    setReadRows(ROW_ROM, 0xFC0000, 0xFEFFFF, nullptr, nullptr, hw.rom);
    setReadRows(ROW_CARTRIDGE, CARTRIDGE_BASE, 0xFBFFFF, nullptr, nullptr, hw.cartridge);
    setReadRows(ROW_IO, 0xFF8000, 0xFFFFFF, ioReadByte, ioReadWord, nullptr);
    setReadRows(ROW_IO + 1, MAP_END, MAP_END, nullptr, nullptr, nullptr);

    setWriteRows(WROW_SCREEN, 0x000000, 0x00FFFF, ScreenWriteLoggerByte, ScreenWriteLoggerWord, hw.ram);
    setWriteRows(WROW_RAM, RESET_VECTOR_BYTES, 0x3FFFFF, nullptr, nullptr, hw.ram + RESET_VECTOR_BYTES);
    setWriteRows(WROW_IO, 0xFF8000, 0xFFFFFF, ioWriteByte, ioWriteWord, nullptr);
    setWriteRows(WROW_IO + 1, MAP_END, MAP_END, nullptr, nullptr, nullptr);

    ramBytes = 0x100000;
}

void setRamSize(int index) {
    static const uint32_t sizes[4] = {0x80000, 0x100000, 0x200000, 0x400000};
    index &= 3;
    if (index == 3) index = 2;  // the largest readable RAM is 2 MB
    ramIndex = index;
    ramBytes = sizes[index];
    // Only the read side shrinks: writes above the size still land in host RAM.
    FetchMap[ROW_RAM].end = ramBytes - 1;
    fetchRowsChanged();
    ReadByteMap[ROW_RAM].end = ramBytes - 1;
    ReadWordMap[ROW_RAM].end = ramBytes - 1;
}

int ramSizeIndex() { return ramIndex; }
uint32_t ramSizeBytes() { return ramBytes; }

void placeRom(uint32_t base, uint32_t size) {
    uint32_t end = base + size - 1;
    setFetchRow(ROW_ROM, base, end, hw.rom);
    ReadByteMap[ROW_ROM].start = ReadWordMap[ROW_ROM].start = base;
    ReadByteMap[ROW_ROM].end = ReadWordMap[ROW_ROM].end = end;
}

// The window stops at the end of the RAM area: above it nothing answers a write, and the
// logger, which works on RAM offsets, must not wrap such a write to the bottom of RAM.
void setScreenWindow(uint32_t base, uint32_t bytes) {
    base &= RAM_AREA_SIZE - 1;
    for (WriteRow* row : {&WriteByteMap[WROW_SCREEN], &WriteWordMap[WROW_SCREEN]}) {
        row->start = base;
        row->end = std::min(base + bytes, RAM_AREA_SIZE) - 1;
        row->hostBase = hw.ram + base;
    }
}

// Handler calls from outside the processor (host code, the blitter): stamped with the
// given cycle position; a bus error has no processor to raise it and is dropped.
namespace {
struct OutsideCaller {
    int32_t stamp;
    uint32_t read(const ReadRow* row, uint32_t a, int extra) {
        uint32_t v = row->handler(a, row, stamp + extra);
        busErrorPending = 0;
        return v;
    }
    void write(const WriteRow* row, uint32_t a, uint32_t v, int extra) {
        row->handler(a, v, row, stamp + extra);
        busErrorPending = 0;
    }
    static void unanswered(uint32_t) {}
};
}  // namespace

uint32_t peekWordMapped(uint32_t address, int32_t stamp) {
    address &= ADDRESS_MASK & ~1u;
    for (const ReadRow* r = ReadWordMap; !isTerminator(r->start, r->end); ++r) {
        if (!rowHolds(r->start, r->end, address)) continue;
        if (!r->handler) return stReadWord(r->hostBase, address - r->start);
        return r->handler == ioReadWord ? ioPeekWord(address, stamp) : 0xFFFF;
    }
    return 0xFFFFFFFF;
}

void writeByteMapped(uint32_t address, uint8_t value, int32_t stamp) {
    OutsideCaller call{stamp};
    walkWriteByte(WriteByteMap, address & ADDRESS_MASK, value, call);
}

uint16_t readWordAt(uint32_t address, int32_t stamp) {
    OutsideCaller call{stamp};
    return uint16_t(walkReadWord(ReadWordMap, address & ADDRESS_MASK & ~1u, call));
}

void writeWordAt(uint32_t address, uint16_t value, int32_t stamp) {
    OutsideCaller call{stamp};
    walkWriteWord(WriteWordMap, address & ADDRESS_MASK & ~1u, value, call);
}

uint16_t peekWord(uint32_t address) { return stReadWord(hw.ram, address & 0x3FFFFE); }

uint32_t peekLong(uint32_t address) { return uint32_t(peekWord(address)) << 16 | peekWord(address + 2); }

// The plain-memory read row holding `address`, or null.
static const ReadRow* memoryRowOf(uint32_t address) {
    for (const ReadRow* r = ReadByteMap; !isTerminator(r->start, r->end); ++r)
        if (!r->handler && rowHolds(r->start, r->end, address)) return r;
    return nullptr;
}

bool copyFromSt(uint32_t address, void* out, uint32_t length) {
    if (uint64_t(address) + length > ADDRESS_MASK + 1ull) return false;
    for (uint32_t a = address, end = address + length; a < end;) {
        const ReadRow* r = memoryRowOf(a);
        if (!r) return false;
        a = std::min<uint64_t>(end, uint64_t(r->end) + 1);
    }
    auto* bytes = static_cast<uint8_t*>(out);
    for (uint32_t a = address, end = address + length; a < end;) {
        const ReadRow* r = memoryRowOf(a);
        uint32_t last = uint32_t(std::min<uint64_t>(end, uint64_t(r->end) + 1));
        for (; a < last; ++a) *bytes++ = stReadByte(r->hostBase, a - r->start);
    }
    return true;
}

bool copyToSt(uint32_t address, const void* in, uint32_t length) {
    if (address < RESET_VECTOR_BYTES || uint64_t(address) + length > ramBytes) return false;
    auto* bytes = static_cast<const uint8_t*>(in);
    for (uint32_t i = 0; i < length; ++i) stWriteByte(hw.ram, address + i, bytes[i]);
    return true;
}

// ---- Snapshot section ---------------------------------------------------------------
namespace {
uint8_t ramStage[MAX_RAM_BYTES];

uint32_t ramBytesOfIndex(uint32_t index) {
    static const uint32_t sizes[4] = {0x80000, 0x100000, 0x200000, 0x200000};
    return sizes[index & 3];
}

struct RamSection {
    uint32_t version = 1;
    uint32_t sizeIndex;
    uint32_t length;
    uint8_t* data = ramStage;

    template <class S>
    void fields(S& s) {
        s.num(sizeIndex);
        s.block(data, ramBytesOfIndex(sizeIndex), length);
    }
    bool acceptVersion() const { return true; }
    void capture() {
        sizeIndex = uint32_t(ramSizeIndex());
        length = ramSizeBytes();
        data = hw.ram;  // written straight from RAM, in its host byte order
    }
    void apply() const {
        setRamSize(int(sizeIndex));
        std::memcpy(hw.ram, data, length);
    }
};
}  // namespace

SectionEntry ramSnapshotSection() { return sectionEntry<RamSection>("RAM!"); }
