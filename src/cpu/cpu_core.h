#pragma once
// Inside the 68000 core: the state that lives only while instructions run, and the
// small operations every instruction handler is built from (fetching, charging cycles,
// bus accesses, flags, the status register, jumps).
#include <cstdint>
#include <cstring>

#include "cpu/cpu.h"

// ---- Run flags ----------------------------------------------------------------------
enum : uint8_t {
    RUN_FLAG_RUNNING = 1,     // inside cpuRun or cpuStepInstruction
    RUN_FLAG_GROUP0 = 4,      // building a bus or address error frame
    RUN_FLAG_HALTED = 8,      // double fault inside the slice
    RUN_FLAG_STEPPING = 16,   // one instruction without the trace and interrupt steps
    RUN_FLAG_RESET_STOP = 32, // RESET met without a reset operation
};

// The fetch region holding the PC: host pointer of its first byte, its length in bytes
// and the host offset (host address of ST address a = a + hostOffset). A length of 0
// forces a lookup before the next instruction.
struct PcRegionBounds {
    const uint8_t* low;
    uintptr_t span;
    intptr_t hostOffset;
};

extern PcRegionBounds PcRegion;
extern const uint8_t* pcHost;  // the PC while running
extern int32_t cyclesLeft;     // remaining budget of the slice while running
extern uint8_t flagN, flagZ, flagV, flagC, flagX;
extern uint8_t runFlags;
extern uint8_t traceArmed;
extern uint32_t faultAddress;
extern int32_t PairCredit;
extern int32_t LastInstrCycles;
extern uint32_t PrefetchCopy;  // the two words after the instruction, the first in the high half
// Whether the next opcode comes from PrefetchCopy: after a read-modify-write instruction
// (kept across the event check and the slice end), or after a register MOVE to memory
// (only while the slice goes on without an event check).
extern uint8_t usePrefetchCopy;
constexpr uint8_t PREFETCH_HELD = 1;
constexpr uint8_t PREFETCH_UNTIL_EVENT = 2;

// ---- Registers ----------------------------------------------------------------------
inline uint32_t& D(int n) { return cpu.regs[n]; }
inline uint32_t& A(int n) { return cpu.regs[8 + n]; }
inline bool supervisorMode() { return cpu.sr & 0x2000; }

template <int S> constexpr uint32_t sizeMask = S == 1 ? 0xFFu : S == 2 ? 0xFFFFu : 0xFFFFFFFFu;
template <int S> inline uint32_t msbOf(uint32_t v) { return (v >> (S * 8 - 1)) & 1; }
template <int S> inline uint32_t signExtend(uint32_t v) {
    if constexpr (S == 1) return uint32_t(int32_t(int8_t(v)));
    else if constexpr (S == 2) return uint32_t(int32_t(int16_t(v)));
    else return v;
}
// Writes the low S bytes of a data register, keeping the others.
template <int S> inline void writeD(int n, uint32_t v) {
    D(n) = (D(n) & ~sizeMask<S>) | (v & sizeMask<S>);
}

// ---- Instruction stream -------------------------------------------------------------
inline uint32_t fetchWord() {
    uint16_t w;
    std::memcpy(&w, pcHost, 2);
    pcHost += 2;
    return w;
}
inline uint32_t fetchLong() {
    uint32_t high = fetchWord();
    return high << 16 | fetchWord();
}
inline uint32_t pcAddress() { return uint32_t(intptr_t(pcHost) - PcRegion.hostOffset) & ADDRESS_MASK; }
// Copies the two words at the PC at the point where the 68000 prefetches them.
inline void takePrefetchCopy() {
    uint32_t w;
    std::memcpy(&w, pcHost, 4);
    PrefetchCopy = (w << 16) | (w >> 16);
}

// Moves the PC to a new 24-bit address: inside the cached region a pointer move, else a
// walk of the fetch table. An odd target raises an address error.
void jumpTo(uint32_t address);
inline bool hostInPcRegion(const uint8_t* p) { return uintptr_t(p) - uintptr_t(PcRegion.low) < PcRegion.span; }
// Relative branches move the pointer; the loop checks the region before every opcode.
inline void branchBy(int32_t displacement, const uint8_t* base) {
    if (displacement & 1) jumpTo(uint32_t(intptr_t(base) - PcRegion.hostOffset) + displacement);
    else pcHost = base + displacement;
}

// ---- Cycles -------------------------------------------------------------------------
inline void charge(int n) { cyclesLeft -= n; }
// Ends an instruction: its nominal count, a cleared pairing credit, and the rounding
// of the remaining budget down to the 4-cycle grid when the count is not on it.
inline void finishInstruction(int nominal) {
    LastInstrCycles = nominal;
    PairCredit = 0;
    if (nominal & 3) cyclesLeft &= ~3;
}
// The same for instructions that hand 4 cycles to the next one.
inline void finishGranting(int nominal) {
    LastInstrCycles = nominal;
    PairCredit = 4;
    if (nominal & 3) cyclesLeft &= ~3;
}
inline void useCredit() {
    cyclesLeft += PairCredit;
    PairCredit = 0;
}

// ---- Flags and status register ------------------------------------------------------
inline uint32_t packCcr() { return flagX << 4 | flagN << 3 | flagZ << 2 | flagV << 1 | flagC; }
inline void unpackCcr(uint32_t ccr) {
    flagX = (ccr >> 4) & 1;
    flagN = (ccr >> 3) & 1;
    flagZ = (ccr >> 2) & 1;
    flagV = (ccr >> 1) & 1;
    flagC = ccr & 1;
}
inline uint32_t packSr() { return (cpu.sr & 0xA700) | packCcr(); }
// Loads SR keeping only the defined bits; a change of S swaps the stack pointers and the
// map set.
void setSr(uint32_t value);

template <int S> inline void setNZ(uint32_t r) {
    flagN = msbOf<S>(r);
    flagZ = (r & sizeMask<S>) == 0;
}
template <int S> inline void setLogicFlags(uint32_t r) {
    setNZ<S>(r);
    flagV = flagC = 0;
}

// Condition codes 0-15 (T, F, HI, LS, CC, CS, NE, EQ, VC, VS, PL, MI, GE, LT, GT, LE).
template <int Cond> inline bool conditionTrue() {
    if constexpr (Cond == 0) return true;
    else if constexpr (Cond == 1) return false;
    else if constexpr (Cond == 2) return !flagC && !flagZ;
    else if constexpr (Cond == 3) return flagC || flagZ;
    else if constexpr (Cond == 4) return !flagC;
    else if constexpr (Cond == 5) return flagC;
    else if constexpr (Cond == 6) return !flagZ;
    else if constexpr (Cond == 7) return flagZ;
    else if constexpr (Cond == 8) return !flagV;
    else if constexpr (Cond == 9) return flagV;
    else if constexpr (Cond == 10) return !flagN;
    else if constexpr (Cond == 11) return flagN;
    else if constexpr (Cond == 12) return flagN == flagV;
    else if constexpr (Cond == 13) return flagN != flagV;
    else if constexpr (Cond == 14) return !flagZ && flagN == flagV;
    else return flagZ || flagN != flagV;
}

// ---- Exceptions (exceptions.cpp) ----------------------------------------------------
// Group 1 and 2 entry through vector number `vector`, stacking `stackedPc`.
void cpuRaiseException(int vector, uint32_t stackedPc);
// Bus and address errors abandon the running instruction: the frame is built and the
// core goes on at the handler (a double fault halts).
[[noreturn]] void raiseBusError(uint32_t address);
[[noreturn]] void raiseAddressError(uint32_t address);
// Takes the highest interrupt due against the mask, if any (returns whether one was).
bool cpuAcknowledgeInterrupt();
inline bool interruptDue() {
    uint32_t pending = cpu.interrupt[0] & 0xFE;
    return (pending & 0x80) || (pending >> (cpuInterruptMask() + 1)) != 0;
}
// Privilege violation, illegal instruction, line A and line F: the stacked PC is the
// instruction's own address (no extension word has been fetched yet).
void raiseInstructionTrap(int vector);
// After MOVE to SR and ANDI/EORI/ORI to SR: take an interrupt now due, arm trace.
void afterSrChange();
// Single stepping: the rest of the budget is held back so that the event check comes
// after the next instruction.
void armTrace();
// Leaves the abandoned instruction for the instruction loop (cpu_run.cpp).
[[noreturn]] void abandonInstruction();
// The slice ends after the current instruction, the cycles used so far counted.
inline void cutSlice() {
    cyclesLeft -= SliceBudget;
    SliceBudget = 0;
}
// Switches to supervisor mode if needed (exception entry).
void enterSupervisor();

// ---- Bus accesses -------------------------------------------------------------------
// Handler rows are called through these; plain memory in the first row is reached
// directly, anything else walks the table.
uint32_t readByteWalk(uint32_t a);
uint32_t readWordWalk(uint32_t a);
uint32_t readLongWalk(uint32_t a);
void writeByteWalk(uint32_t a, uint32_t v);
void writeWordWalk(uint32_t a, uint32_t v);
void writeLongWalk(uint32_t a, uint32_t v);

template <int S> inline uint32_t readMem(uint32_t a) {
    a &= ADDRESS_MASK;
    if constexpr (S > 1) {
        if (a & 1) raiseAddressError(a);
    }
    const ReadRow* r = S == 1 ? cpu.active.readByte : cpu.active.readWord;
    uint32_t offset = a - r->start;
    if (uint64_t(offset) + (S == 4 ? 2 : 0) <= uint64_t(r->end - r->start) && !r->handler) {
        if constexpr (S == 1) return stReadByte(r->hostBase, offset);
        else if constexpr (S == 2) return stReadWord(r->hostBase, offset);
        else return stReadLong(r->hostBase, offset);
    }
    if constexpr (S == 1) return readByteWalk(a);
    else if constexpr (S == 2) return readWordWalk(a);
    else return readLongWalk(a);
}

// Reads from the first row of handlers that no row before it overlaps (the I/O row) call
// its handler without a walk, which would stop there.
extern const ReadRow* directReadByte;
extern const ReadRow* directReadWord;

// Writes into plain memory that no row of handlers covers go straight to it: the walk,
// which applies every row holding the address, would find that row alone. Inside the one
// row of handlers lying over it (the screen window) a byte or word write calls the
// handler and writes the plain row, in table order, without a walk. A row of handlers
// that no other row overlaps (the I/O row) has its handler called without a walk. A long
// whose row ends before its second word walks (it is split there).
struct DirectWrite {
    const WriteRow* plain;     // null: every write walks
    const WriteRow* window;    // the handlers lying over part of it, or null
    const WriteRow* handlers;  // handlers overlapping no other row, or null
};
extern DirectWrite directWriteByte, directWriteWord;

template <int S> inline bool writeDirect(uint32_t a, uint32_t v) {
    const DirectWrite& d = S == 1 ? directWriteByte : directWriteWord;
    const WriteRow* p = d.plain;
    if (!p) return false;
    uint32_t offset = a - p->start;
    if (uint64_t(offset) + (S == 4 ? 2 : 0) > uint64_t(p->end - p->start)) return false;
    if (const WriteRow* w = d.window; w && a - w->start <= w->end - w->start) return false;
    if constexpr (S == 1) stWriteByte(p->hostBase, offset, uint8_t(v));
    else if constexpr (S == 2) stWriteWord(p->hostBase, offset, uint16_t(v));
    else stWriteLong(p->hostBase, offset, v);
    return true;
}

template <int S> inline void writeMem(uint32_t a, uint32_t v) {
    a &= ADDRESS_MASK;
    if constexpr (S > 1) {
        if (a & 1) raiseAddressError(a);
    }
    if (writeDirect<S>(a, v)) return;
    if constexpr (S == 1) writeByteWalk(a, v);
    else if constexpr (S == 2) writeWordWalk(a, v);
    else writeLongWalk(a, v);
}

inline void push32(uint32_t v) {
    uint32_t sp = A(7) - 4;
    A(7) = sp;
    writeMem<4>(sp, v);
}
inline uint32_t pop32() {
    uint32_t v = readMem<4>(A(7));
    A(7) += 4;
    return v;
}
