// Bus accesses that leave plain memory: table walks that call the I/O and logging
// handlers with the access's cycle position, and the bus errors of accesses that
// nothing answers.
#include "cpu/cpu_core.h"

namespace {
// Around every handler call the remaining budget is put where the handler can see it
// (for its stamp, wait states and slice ends) and taken back afterwards.
struct CoreCaller {
    static int32_t stamp(int extra) { return cpu.odometer + (SliceBudget - RemainingCycles - HeldBackCycles) + extra; }
    static void after(uint32_t a) {
        cyclesLeft = RemainingCycles;
        RemainingCycles = -1;
        ioAccessMark = pcHost;
        if (busErrorPending) {
            busErrorPending = 0;
            raiseBusError(a);
        }
    }
    uint32_t read(const ReadRow* row, uint32_t a, int extra) {
        RemainingCycles = cyclesLeft;
        uint32_t v = row->handler(a, row, stamp(extra));
        after(a);
        return v;
    }
    void write(const WriteRow* row, uint32_t a, uint32_t v, int extra) {
        RemainingCycles = cyclesLeft;
        row->handler(a, v, row, stamp(extra));
        after(a);
    }
    static void unanswered(uint32_t a) {
        if (readFaults(a)) raiseBusError(a);
    }
};
}  // namespace

uint32_t readByteWalk(uint32_t a) {
    CoreCaller call;
    return walkReadByte(cpu.active.readByte, a, call);
}
uint32_t readWordWalk(uint32_t a) {
    CoreCaller call;
    return walkReadWord(cpu.active.readWord, a, call);
}
uint32_t readLongWalk(uint32_t a) {
    CoreCaller call;
    return walkReadLong(cpu.active.readWord, a, call);
}
void writeByteWalk(uint32_t a, uint32_t v) {
    CoreCaller call;
    if (!walkWriteByte(cpu.active.writeByte, a, v, call)) raiseBusError(a);
}
void writeWordWalk(uint32_t a, uint32_t v) {
    CoreCaller call;
    if (!walkWriteWord(cpu.active.writeWord, a, v, call)) raiseBusError(a);
}
void writeLongWalk(uint32_t a, uint32_t v) {
    CoreCaller call;
    if (!walkWriteLong(cpu.active.writeWord, a, v, call)) raiseBusError(a);
}
