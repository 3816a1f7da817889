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

const ReadRow* directReadByte;
const ReadRow* directReadWord;

uint32_t readByteWalk(uint32_t a) {
    CoreCaller call;
    if (const ReadRow* r = directReadByte; r && rowHolds(r->start, r->end, a)) return call.read(r, a, 0) & 0xFF;
    return walkReadByte(cpu.active.readByte, a, call);
}
uint32_t readWordWalk(uint32_t a) {
    CoreCaller call;
    if (const ReadRow* r = directReadWord; r && rowHolds(r->start, r->end, a)) return call.read(r, a, 0) & 0xFFFF;
    return walkReadWord(cpu.active.readWord, a, call);
}
// A long on a row of handlers: the handler twice, the second word 4 cycles later.
uint32_t readLongWalk(uint32_t a) {
    CoreCaller call;
    if (const ReadRow* r = directReadWord; r && rowHolds(r->start, r->end, a) && r->end >= a + 2) {
        uint32_t high = call.read(r, a, 0) & 0xFFFF;
        return high << 16 | (call.read(r, (a + 2) & ADDRESS_MASK, 4) & 0xFFFF);
    }
    return walkReadLong(cpu.active.readWord, a, call);
}

// Inside the window and the plain row, which no other row overlaps.
template <int S>
static bool writeWindow(const DirectWrite& d, uint32_t a, uint32_t v, CoreCaller& call) {
    const WriteRow *w = d.window, *p = d.plain;
    if (!w || !rowHolds(w->start, w->end, a) || !rowHolds(p->start, p->end, a)) return false;
    auto store = [&] {
        if constexpr (S == 1) stWriteByte(p->hostBase, a - p->start, uint8_t(v));
        else stWriteWord(p->hostBase, a - p->start, uint16_t(v));
    };
    if (p < w) store();
    call.write(w, a, v, 0);
    if (p > w) store();
    return true;
}

static bool onHandlerRow(const DirectWrite& d, uint32_t a) {
    return d.handlers && rowHolds(d.handlers->start, d.handlers->end, a);
}

void writeByteWalk(uint32_t a, uint32_t v) {
    CoreCaller call;
    if (onHandlerRow(directWriteByte, a)) return call.write(directWriteByte.handlers, a, v & 0xFF, 0);
    if (writeWindow<1>(directWriteByte, a, v & 0xFF, call)) return;
    if (!walkWriteByte(cpu.active.writeByte, a, v, call)) raiseBusError(a);
}
void writeWordWalk(uint32_t a, uint32_t v) {
    CoreCaller call;
    if (onHandlerRow(directWriteWord, a)) return call.write(directWriteWord.handlers, a, v & 0xFFFF, 0);
    if (writeWindow<2>(directWriteWord, a, v & 0xFFFF, call)) return;
    if (!walkWriteWord(cpu.active.writeWord, a, v, call)) raiseBusError(a);
}
// The high word first, the low one 4 cycles later.
void writeLongWalk(uint32_t a, uint32_t v) {
    CoreCaller call;
    if (onHandlerRow(directWriteWord, a) && directWriteWord.handlers->end >= a + 2) {
        call.write(directWriteWord.handlers, a, v >> 16, 0);
        call.write(directWriteWord.handlers, (a + 2) & ADDRESS_MASK, v & 0xFFFF, 4);
        return;
    }
    if (!walkWriteLong(cpu.active.writeWord, a, v, call)) raiseBusError(a);
}
