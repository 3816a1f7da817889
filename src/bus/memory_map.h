#pragma once
// The ST's 24-bit address space on the host: the host memory block and the five
// address-range tables through which every bus access is resolved.
#include <cstdint>

#include "bus/st_memory.h"

// Host memory block: RAM, then the TOS ROM area, then the cartridge area.
constexpr uint32_t HOST_BLOCK_SIZE = 0x460000;
constexpr uint32_t RAM_AREA_SIZE = 0x400000;
constexpr uint32_t ROM_AREA_OFFSET = 0x400000;
constexpr uint32_t ROM_AREA_SIZE = 0x40000;
constexpr uint32_t CARTRIDGE_AREA_OFFSET = 0x440000;
constexpr uint32_t CARTRIDGE_AREA_SIZE = 0x20000;
constexpr uint32_t CARTRIDGE_BASE = 0xFA0000;
constexpr uint32_t ADDRESS_MASK = 0xFFFFFF;
constexpr uint32_t RESET_VECTOR_BYTES = 8;  // ST addresses 0-7 read the ROM's first 8 bytes
constexpr uint32_t MAX_RAM_BYTES = 0x200000;  // the largest readable RAM
constexpr uint32_t MAP_END = 0xFFFFFFFF;  // start and end of the terminator row

struct ReadRow;
struct WriteRow;
// Handler calling convention: the address (24 bits), the matched row and the access's
// cycle position in the frame (odometer). Read handlers return the value in the low
// 8 or 16 bits.
using ReadHandler = uint32_t (*)(uint32_t address, const ReadRow* row, int32_t stamp);
using WriteHandler = void (*)(uint32_t address, uint32_t value, const WriteRow* row, int32_t stamp);

struct FetchRow {
    uint32_t start, end;  // inclusive
    intptr_t hostOffset;  // host address of ST address a = a + hostOffset
};
struct ReadRow {
    uint32_t start, end;
    ReadHandler handler;  // null: plain memory at hostBase
    uint8_t* hostBase;    // host address of the byte at start
};
struct WriteRow {
    uint32_t start, end;
    WriteHandler handler;
    uint8_t* hostBase;
};

constexpr int MAP_ROWS = 8;  // room for the rows plus terminator; tests may install others
extern FetchRow FetchMap[MAP_ROWS];
extern ReadRow ReadByteMap[MAP_ROWS];
extern ReadRow ReadWordMap[MAP_ROWS];
extern WriteRow WriteByteMap[MAP_ROWS];
extern WriteRow WriteWordMap[MAP_ROWS];

// Allocates the host block once and records the RAM, ROM and cartridge pointers in
// HardwareState; false when the memory is not available.
bool allocateHostMemory();
void freeHostMemory();
// The initial rows of the five tables (RAM 1 MB readable until setRamSize).
void buildAddressMaps();
// RAM size index 0-3 (taken modulo 4, 3 lowered to 2): 512 KB, 1 MB, 2 MB.
void setRamSize(int index);
int ramSizeIndex();
uint32_t ramSizeBytes();
// Maps n bytes of the ROM area at base (both $FC0000 and $E00000 images work).
void placeRom(uint32_t base, uint32_t size);
// The processor keeps the PC's fetch row from slice to slice: it is told here whenever the
// bounds of a fetch row move (RAM size, ROM placement).
void setFetchRowsListener(void (*changed)());
// Moves the recorded screen-write window to `bytes` bytes from base (22 bits), up to the
// end of the RAM area at most.
void setScreenWindow(uint32_t base, uint32_t bytes = 0x10000);

// The debugger's look at memory through the tables at cycle position `stamp` (the
// processor's odometer), which never changes the machine: plain memory directly, I/O
// registers through ioPeekWord; $FFFFFFFF when no row matches, all ones from a row of any
// other handler.
uint32_t peekWordMapped(uint32_t address, int32_t stamp);
// The debugger's write of a byte: through the tables as the 68000 would write it.
void writeByteMapped(uint32_t address, uint8_t value, int32_t stamp);
// Word accesses by another bus master (the blitter) at cycle position `stamp`: through
// the tables, nothing faults (all ones where nothing answers).
uint16_t readWordAt(uint32_t address, int32_t stamp);
void writeWordAt(uint32_t address, uint16_t value, int32_t stamp);
uint16_t peekWord(uint32_t address);  // RAM directly, no tables
uint32_t peekLong(uint32_t address);
// Host code moving bytes between ST memory and its own buffers (file order, the ST's
// byte order undone), without side effects: reads from the plain memory the 68000
// reads (RAM, ROM, cartridge; no register is touched), writes into the installed RAM
// above the reset vectors. False, with nothing copied, when part of the range is
// elsewhere.
bool copyFromSt(uint32_t address, void* out, uint32_t length);
bool copyToSt(uint32_t address, const void* in, uint32_t length);

inline bool rowHolds(uint32_t start, uint32_t end, uint32_t a) { return a >= start && a <= end; }
inline bool isTerminator(uint32_t start, uint32_t end) { return start == MAP_END && end == MAP_END; }

// A read that no row answers: inside the 4 MB RAM area the bus still answers (all ones
// above the installed RAM, where software sizes memory); anywhere else nothing answers
// and the 68000 gets a bus error.
inline bool readFaults(uint32_t a) { return a >= RAM_AREA_SIZE; }

// ---- Table walks -------------------------------------------------------------------
// Shared by the processor core and the host-side accesses. `Caller` supplies how a
// handler row is called (the processor saves its budget and checks for bus errors
// around the call): uint32_t read(const ReadRow*, uint32_t address, int extraStamp),
// void write(const WriteRow*, uint32_t address, uint32_t value, int extraStamp), and
// void unanswered(uint32_t address) for a read that no row holds.

// Reads: the first matching row wins; no match reads all ones.
template <class Caller>
inline uint32_t walkReadByte(const ReadRow* rows, uint32_t a, Caller& call) {
    for (const ReadRow* r = rows; !isTerminator(r->start, r->end); ++r) {
        if (!rowHolds(r->start, r->end, a)) continue;
        if (r->handler) return call.read(r, a, 0) & 0xFF;
        return stReadByte(r->hostBase, a - r->start);
    }
    call.unanswered(a);
    return 0xFF;
}

template <class Caller>
inline uint32_t walkReadWord(const ReadRow* rows, uint32_t a, Caller& call, int extraStamp = 0) {
    for (const ReadRow* r = rows; !isTerminator(r->start, r->end); ++r) {
        if (!rowHolds(r->start, r->end, a)) continue;
        if (r->handler) return call.read(r, a, extraStamp) & 0xFFFF;
        return stReadWord(r->hostBase, a - r->start);
    }
    call.unanswered(a);
    return 0xFFFF;
}

// A long whose row ends before a + 2 is two word reads, each with its own walk; on a
// handler row it is two handler calls. Either way the second word is stamped 4 cycles
// after the first.
template <class Caller>
inline uint32_t walkReadLong(const ReadRow* rows, uint32_t a, Caller& call) {
    for (const ReadRow* r = rows; !isTerminator(r->start, r->end); ++r) {
        if (!rowHolds(r->start, r->end, a)) continue;
        uint32_t a2 = (a + 2) & ADDRESS_MASK;
        if (r->end < a + 2) {
            uint32_t high = walkReadWord(rows, a, call);
            return high << 16 | walkReadWord(rows, a2, call, 4);
        }
        if (r->handler) {
            uint32_t high = call.read(r, a, 0) & 0xFFFF;
            return high << 16 | (call.read(r, a2, 4) & 0xFFFF);
        }
        return stReadLong(r->hostBase, a - r->start);
    }
    call.unanswered(a);
    return 0xFFFFFFFF;
}

// Writes: every matching row is applied in table order; false when none matched (the
// processor then raises a bus error).
template <class Caller>
inline bool walkWriteByte(const WriteRow* rows, uint32_t a, uint32_t v, Caller& call) {
    bool matched = false;
    for (const WriteRow* r = rows; !isTerminator(r->start, r->end); ++r) {
        if (!rowHolds(r->start, r->end, a)) continue;
        matched = true;
        if (r->handler)
            call.write(r, a, v & 0xFF, 0);
        else
            stWriteByte(r->hostBase, a - r->start, uint8_t(v));
    }
    return matched;
}

template <class Caller>
inline bool walkWriteWord(const WriteRow* rows, uint32_t a, uint32_t v, Caller& call, int extraStamp = 0) {
    bool matched = false;
    for (const WriteRow* r = rows; !isTerminator(r->start, r->end); ++r) {
        if (!rowHolds(r->start, r->end, a)) continue;
        matched = true;
        if (r->handler)
            call.write(r, a, v & 0xFFFF, extraStamp);
        else
            stWriteWord(r->hostBase, a - r->start, uint16_t(v));
    }
    return matched;
}

// The high word is written first. The split decision is taken on the first matching
// row, as for reads.
template <class Caller>
inline bool walkWriteLong(const WriteRow* rows, uint32_t a, uint32_t v, Caller& call) {
    uint32_t a2 = (a + 2) & ADDRESS_MASK;
    bool matched = false;
    for (const WriteRow* r = rows; !isTerminator(r->start, r->end); ++r) {
        if (!rowHolds(r->start, r->end, a)) continue;
        if (!matched && r->end < a + 2) {
            bool high = walkWriteWord(rows, a, v >> 16, call);
            bool low = walkWriteWord(rows, a2, v & 0xFFFF, call, 4);
            return high && low;
        }
        matched = true;
        if (r->handler) {
            call.write(r, a, v >> 16, 0);
            call.write(r, a2, v & 0xFFFF, 4);
        } else {
            stWriteLong(r->hostBase, a - r->start, v);
        }
    }
    return matched;
}

// Snapshots: the RAM size and contents ("RAM!").
struct SectionEntry;
SectionEntry ramSnapshotSection();
