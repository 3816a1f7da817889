// Slices of execution: the instruction loop, the event check between instructions,
// the PC lookup, and the requests the rest of the machine makes of the processor.
#include <utility>
#include <cstring>

#include "bus/event_log.h"
#include "bus/snapshot_section.h"
#include "cpu/cpu_core.h"
#include "cpu/opcode_table.h"

CpuState cpu;

PcRegionBounds PcRegion;
const uint8_t* pcHost;
int32_t cyclesLeft;
uint8_t flagN, flagZ, flagV, flagC, flagX;
uint8_t runFlags;
uint8_t traceArmed;
uint32_t faultAddress;
int32_t PairCredit;
int32_t LastInstrCycles;
uint32_t PrefetchCopy;
uint8_t usePrefetchCopy;

// The PC points here after a failed lookup, so that nothing reads outside host memory.
alignas(4) static const uint8_t nowhere[16] = {};

// An instruction abandoned by a bus or address error unwinds to the slice it ran in. Bus
// errors are rare (TOS probes for chips with them), so the slices pay nothing to be ready
// for one.
namespace {
struct InstructionAbandoned {};
}  // namespace
void abandonInstruction() { throw InstructionAbandoned{}; }

// ---- PC lookup ----------------------------------------------------------------------
// Finds the fetch row holding the address and makes the PC a host pointer into it. On a
// miss the PC keeps the address but points at no memory: the next opcode fetch is the
// bus error (fetchRegionCheck), as on the 68000, which faults when it fetches.
static bool lookupPc(uint32_t address) {
    for (const FetchRow* r = cpu.active.fetch; r && !isTerminator(r->start, r->end); ++r) {
        if (!rowHolds(r->start, r->end, address)) continue;
        PcRegion.low = reinterpret_cast<const uint8_t*>(intptr_t(r->start) + r->hostOffset);
        PcRegion.span = uintptr_t(r->end - r->start) + 1;
        PcRegion.hostOffset = r->hostOffset;
        pcHost = reinterpret_cast<const uint8_t*>(intptr_t(address) + r->hostOffset);
        return true;
    }
    PcRegion = {nowhere, 0, intptr_t(nowhere) - intptr_t(address)};
    pcHost = nowhere;
    return false;
}

// Before every opcode: a PC that left its row is looked up again; nothing to fetch from
// is a bus error at the PC.
static inline void fetchRegionCheck() {
    if (!hostInPcRegion(pcHost) && !lookupPc(pcAddress())) raiseBusError(pcAddress());
}

// Inside the cached region a pointer move, else a walk of the fetch table.
static void placePc(uint32_t address) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(intptr_t(address) + PcRegion.hostOffset);
    if (hostInPcRegion(p)) pcHost = p;
    else lookupPc(address);
}

void jumpTo(uint32_t address) {
    address &= ADDRESS_MASK;
    if (address & 1) raiseAddressError(address);
    placePc(address);
}

// ---- Status register ----------------------------------------------------------------
static void switchStacks(bool supervisor) {
    std::swap(A(7), cpu.inactiveSp);
    cpu.active = supervisor ? cpu.supervisor : cpu.user;
    PcRegion.span = 0;  // the new set's fetch table may place the PC elsewhere
}

void setSr(uint32_t value) {
    value &= 0xA71F;
    uint32_t old = cpu.sr;
    cpu.sr = uint16_t(value);
    unpackCcr(value);
    if ((old ^ value) & 0x2000) switchStacks(value & 0x2000);
}

void enterSupervisor() {
    if (supervisorMode()) return;
    cpu.sr |= 0x2000;
    switchStacks(true);
}

void armTrace() {
    traceArmed = 1;
    HeldBackCycles += cyclesLeft;
    cyclesLeft = 0;
}

void afterSrChange() {
    if (runFlags & RUN_FLAG_STEPPING) return;
    if (interruptDue()) cpuAcknowledgeInterrupt();
    if (cpu.sr & 0x8000) armTrace();
}

void cpuFetchRowsChanged() { PcRegion.span = 0; }

// ---- Slices -------------------------------------------------------------------------
// The PC's fetch row stays known from one slice to the next while the rows stay as they
// are.
static inline void enterSlice(int32_t budget, uint8_t flags) {
    runFlags = RUN_FLAG_RUNNING | flags;
    SliceBudget = cyclesLeft = budget;
    HeldBackCycles = 0;
    cpu.sr &= 0xA71F;
    unpackCcr(cpu.sr);
    placePc(cpu.pc & ADDRESS_MASK);
}

static inline uint32_t leaveSlice() {
    cyclesLeft += HeldBackCycles;
    HeldBackCycles = 0;
    cpu.sr = uint16_t(packSr());
    cpu.pc = pcAddress();
    uint8_t flags = runFlags;
    if (flags & RUN_FLAG_HALTED) {
        cpu.pc |= 1;
        cpu.interrupt[0] |= 1;
    }
    cpu.odometer += SliceBudget - cyclesLeft;
    runFlags = 0;
    SliceBudget = 0;
    RemainingCycles = -1;
    if (usePrefetchCopy == PREFETCH_UNTIL_EVENT) usePrefetchCopy = 0;
    if (flags & RUN_FLAG_HALTED) return RUN_HALTED;
    if (flags & RUN_FLAG_RESET_STOP) return cpu.pc;
    return RUN_OK;
}

static constexpr uint8_t SLICE_ENDING = RUN_FLAG_HALTED | RUN_FLAG_RESET_STOP;

static inline void executeInstruction() {
    uint32_t op;
    if (usePrefetchCopy) {
        op = PrefetchCopy >> 16;
        usePrefetchCopy = 0;
    } else {
        uint16_t w;
        std::memcpy(&w, pcHost, 2);
        op = w;
    }
    pcHost += 2;
    OpcodeTable[op](op);
    ioAccessMark = nullptr;
}

// After an instruction abandoned by a bus or address error: the bookkeeping its
// handler did not reach.
static void finishAbandoned() {
    ioAccessMark = nullptr;
    PairCredit = 0;
    cyclesLeft &= ~3;
}

// Between instructions once the budget is used: trace, interrupts, then the held-back
// budget is given back. True when the slice goes on.
static bool eventCheck() {
    if (usePrefetchCopy == PREFETCH_UNTIL_EVENT) usePrefetchCopy = 0;
    if (runFlags & SLICE_ENDING) return false;
    if (traceArmed) {
        traceArmed = 0;
        cpuRaiseException(9, pcAddress());
        charge(36);
    }
    if (interruptDue()) cpuAcknowledgeInterrupt();
    cyclesLeft += HeldBackCycles;
    HeldBackCycles = 0;
    return cyclesLeft > 0 && !(runFlags & SLICE_ENDING);
}

static uint32_t runInstructions(bool abandoned) {
    for (;;) {
        if (abandoned) {
            abandoned = false;
            finishAbandoned();
            if (cyclesLeft > 0 && !(runFlags & SLICE_ENDING)) continue;
        } else {
            do {
                fetchRegionCheck();
                executeInstruction();
            } while (cyclesLeft > 0);
        }
        if (!eventCheck()) return leaveSlice();
    }
}

uint32_t cpuRun(int32_t budget) {
    if (runFlags & RUN_FLAG_RUNNING) return RUN_OK;
    if (!cpu.active.fetch) return RUN_BAD_PC;
    if (cpuStopped()) {
        if (cpu.pc & 1) return RUN_HALTED;
        cpu.odometer += budget;
        return RUN_OK;
    }
    enterSlice(budget, 0);
    bool abandoned = false;
    for (;;) {
        try {
            if (!abandoned) {
                if (interruptDue()) cpuAcknowledgeInterrupt();
                traceArmed = 0;
                if (cpu.sr & 0x8000) armTrace();
            }
            return runInstructions(abandoned);
        } catch (const InstructionAbandoned&) {
            abandoned = true;
        }
    }
}

int cpuStepInstruction() {
    if ((runFlags & RUN_FLAG_RUNNING) || !cpu.active.fetch) return 0;
    enterSlice(4, RUN_FLAG_STEPPING);
    try {
        fetchRegionCheck();
        executeInstruction();
    } catch (const InstructionAbandoned&) {
        finishAbandoned();
    }
    int32_t used = SliceBudget - cyclesLeft - HeldBackCycles;
    leaveSlice();
    return used;
}

// ---- Requests from the rest of the machine ------------------------------------------
DirectWrite directWriteByte, directWriteWord;

template <class Row>
static bool rowsOverlap(const Row& a, const Row& b) { return a.start <= b.end && b.start <= a.end; }

template <class Row>
static bool overlapsAnother(const Row* rows, const Row* row) {
    for (const Row* r = rows; !isTerminator(r->start, r->end); ++r)
        if (r != row && rowsOverlap(*r, *row)) return true;
    return false;
}

// The first plain row, if no more than one other row, of handlers, overlaps it; and the
// first row of handlers that overlaps no other row.
static DirectWrite directWriteOf(const WriteRow* rows) {
    DirectWrite d{};
    if (!rows) return d;
    for (const WriteRow* r = rows; !isTerminator(r->start, r->end); ++r)
        if (r->handler && !overlapsAnother(rows, r)) {
            d.handlers = r;
            break;
        }
    const WriteRow* plain = rows;
    while (!isTerminator(plain->start, plain->end) && plain->handler) ++plain;
    if (isTerminator(plain->start, plain->end)) return d;
    for (const WriteRow* r = rows; !isTerminator(r->start, r->end); ++r) {
        if (r == plain || !rowsOverlap(*r, *plain)) continue;
        if (d.window || !r->handler) return {nullptr, nullptr, d.handlers};
        d.window = r;
    }
    d.plain = plain;
    return d;
}

// The first row of handlers, if no row before it overlaps it.
static const ReadRow* directReadOf(const ReadRow* rows) {
    if (!rows) return nullptr;
    const ReadRow* r = rows;
    while (!isTerminator(r->start, r->end) && !r->handler) ++r;
    if (isTerminator(r->start, r->end)) return nullptr;
    for (const ReadRow* before = rows; before != r; ++before)
        if (rowsOverlap(*before, *r)) return nullptr;
    return r;
}

void cpuSetMaps(const MapSet& maps) {
    cpu.active = cpu.supervisor = cpu.user = maps;
    setFetchRowsListener(cpuFetchRowsChanged);
    cpuFetchRowsChanged();
    directReadByte = directReadOf(maps.readByte);
    directReadWord = directReadOf(maps.readWord);
    directWriteByte = directWriteOf(maps.writeByte);
    directWriteWord = directWriteOf(maps.writeWord);
}

int cpuRequestInterrupt(int level, int vector) {
    if (level < 1 || level > 7 || vector > 255 || vector < -2) return 2;
    uint8_t bit = uint8_t(1 << level);
    if (cpu.interrupt[0] & bit) return 1;
    cpu.interrupt[level] = uint8_t(vector == -1 ? 24 + level : vector == -2 ? 24 : vector);
    bool running = runFlags & RUN_FLAG_RUNNING;
    // A halted processor (stopped with an odd PC) stays halted; a stopped one wakes.
    bool halted = !running && (cpu.interrupt[0] & 1) && (cpu.pc & 1);
    cpu.interrupt[0] |= bit;
    if (!halted) cpu.interrupt[0] &= ~1;
    if (running) {
        // From an access handler: the slice pauses after this instruction so that the
        // interrupt is considered at once.
        HeldBackCycles += RemainingCycles;
        RemainingCycles = 0;
    }
    return 0;
}

void cpuServiceInterrupts() {
    if ((runFlags & RUN_FLAG_RUNNING) || !cpu.active.fetch || !interruptDue()) return;
    if (cpuStopped() && (cpu.pc & 1)) return;  // halted
    enterSlice(0, RUN_FLAG_STEPPING);
    try {
        cpuAcknowledgeInterrupt();
    } catch (const InstructionAbandoned&) {
    }
    leaveSlice();
}

// ---- Snapshot section ---------------------------------------------------------------
namespace {
struct CpuSection {
    uint32_t version = 1;
    CpuState state;

    template <class S>
    void fields(S& s) {
        for (int n = 0; n < 8; ++n) {
            s.num(state.regs[n]);
            s.num(state.regs[8 + n]);
            s.num(state.interrupt[n]);
        }
        s.num(state.inactiveSp);
        s.num(state.pc);
        s.num(state.odometer);
        s.num(state.sr);
    }
    bool acceptVersion() const { return true; }
    void capture() { state = cpu; }
    void apply() const {
        std::memcpy(cpu.regs, state.regs, sizeof cpu.regs);
        std::memcpy(cpu.interrupt, state.interrupt, sizeof cpu.interrupt);
        cpu.inactiveSp = state.inactiveSp;
        cpu.pc = state.pc;
        cpu.odometer = state.odometer;
        cpu.sr = state.sr & 0xA71F;  // only the defined bits
    }
    // A snapshot is taken between frames: the frame position lies within a few frames of
    // the frame's start, never where the scheduler's arithmetic would overflow.
    bool valid() const { return state.odometer >= -4 * FRAME_CYCLES && state.odometer <= 4 * FRAME_CYCLES; }
};
}  // namespace

SectionEntry cpuSnapshotSection() { return sectionEntry<CpuSection>("68K!"); }
