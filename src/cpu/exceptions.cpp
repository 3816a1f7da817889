// Exception entry (the 68000's groups 0, 1 and 2), interrupt acceptance and the reset
// sequence.
#include "cpu/cpu_core.h"

// A fault while a bus or address error frame is being built halts the processor: the
// slice ends at once and cpuRun reports RUN_HALTED until the next reset.
[[noreturn]] static void doubleFault() {
    runFlags |= RUN_FLAG_HALTED;
    runFlags &= ~RUN_FLAG_GROUP0;
    cpu.interrupt[0] |= 1;
    cutSlice();
    abandonInstruction();
}

// Steps shared by both groups: the new PC from the vector, the old SR packed, supervisor
// mode with T cleared. Returns the new PC and the old SR.
static uint32_t beginException(int vector, uint32_t& oldSr) {
    cpu.interrupt[0] &= ~1;
    uint32_t newPc = readMem<4>(uint32_t(vector) * 4);
    oldSr = packSr();
    enterSupervisor();
    cpu.sr = uint16_t((oldSr & 0x271F) | 0x2000);
    traceArmed = 0;
    usePrefetchCopy = 0;
    return newPc;
}

void cpuRaiseException(int vector, uint32_t stackedPc) {
    if (runFlags & RUN_FLAG_GROUP0) doubleFault();
    uint32_t oldSr;
    uint32_t newPc = beginException(vector, oldSr);
    uint32_t sp = A(7);
    writeMem<4>(sp - 4, stackedPc);
    writeMem<2>(sp - 6, oldSr);
    A(7) = sp - 6;
    jumpTo(newPc);
}

// Bus and address errors: a 14-byte frame (status word, access address, instruction
// register, SR, PC); the status word and the instruction register are stored as 0.
[[noreturn]] static void raiseGroup0(int vector, uint32_t address) {
    if (runFlags & RUN_FLAG_GROUP0) doubleFault();
    uint32_t stackedPc = pcAddress();
    faultAddress = address & ADDRESS_MASK;
    runFlags |= RUN_FLAG_GROUP0;
    uint32_t oldSr;
    uint32_t newPc = beginException(vector, oldSr);
    uint32_t sp = A(7);
    writeMem<4>(sp - 4, stackedPc);
    writeMem<2>(sp - 6, oldSr);
    writeMem<2>(sp - 8, 0);
    writeMem<4>(sp - 12, faultAddress);
    writeMem<2>(sp - 14, 0);
    A(7) = sp - 14;
    if (newPc & 1) doubleFault();
    runFlags &= ~RUN_FLAG_GROUP0;
    jumpTo(newPc);
    charge(56);
    abandonInstruction();
}

void raiseBusError(uint32_t address) { raiseGroup0(2, address); }
void raiseAddressError(uint32_t address) { raiseGroup0(3, address); }

void raiseInstructionTrap(int vector) {
    cpuRaiseException(vector, pcAddress() - 2);
    charge(34);
    finishInstruction(34);
}

// Level 7 is taken whatever the mask; otherwise the highest pending level above it.
bool cpuAcknowledgeInterrupt() {
    int mask = cpuInterruptMask();
    for (int level = 7; level >= 1; --level) {
        if (!(cpu.interrupt[0] & (1 << level))) continue;
        if (level != 7 && level <= mask) return false;
        cpu.interrupt[0] &= uint8_t(~(1 << level));
        cpuRaiseException(cpu.interrupt[level], pcAddress());
        cpu.sr = uint16_t((cpu.sr & ~0x0700) | level << 8);
        charge(56);
        return true;
    }
    return false;
}

int cpuReset() {
    if ((runFlags & RUN_FLAG_RUNNING) || !cpu.supervisor.fetch) return 1;
    runFlags = 0;
    for (uint32_t& r : cpu.regs) r = 0;
    cpu.inactiveSp = 0;
    cpu.sr = 0x2700;
    cpu.active = cpu.supervisor;
    cpu.interrupt[0] = 1;  // halted until the vectors are read
    cpu.pc = 1;
    traceArmed = 0;
    usePrefetchCopy = 0;
    PairCredit = 0;
    LastInstrCycles = 0;
    HeldBackCycles = 0;
    busErrorPending = 0;
    for (const FetchRow* r = cpu.active.fetch; !isTerminator(r->start, r->end); ++r) {
        if (!rowHolds(r->start, r->end, 0) || r->end < 7) continue;
        const uint8_t* vectors = reinterpret_cast<const uint8_t*>(intptr_t(0) + r->hostOffset);
        A(7) = stReadLong(vectors, 0);
        uint32_t pc = stReadLong(vectors, 4) & ADDRESS_MASK;
        cpu.pc = pc;
        if (pc & 1) return -1;  // an odd initial PC leaves the processor halted
        cpu.interrupt[0] = 0;
        return 0;
    }
    return 1;
}
