#include "debugger/watchpoints.h"

#include <cstdio>
#include <cstring>

#include "bus/memory_map.h"
#include "cpu/cpu.h"
#include "debugger/debug_run.h"

Watchpoint watchpoints[MAX_WATCHPOINTS];
int watchpointCount;
WatchHit watchHit;

bool parseWatchpoint(const char* text, Watchpoint& out) {
    char buffer[64];
    if (std::strlen(text) >= sizeof buffer) return false;
    std::strcpy(buffer, text);
    uint8_t access = WATCH_READ_WRITE;
    if (char* colon = std::strchr(buffer, ':')) {
        *colon = 0;
        const char* kind = colon + 1;
        if (std::strcmp(kind, "r") == 0) access = WATCH_READ;
        else if (std::strcmp(kind, "w") == 0) access = WATCH_WRITE;
        else if (std::strcmp(kind, "rw") != 0) return false;
    }
    uint32_t start, end;
    // The range's dash, past a leading "0x" or "$".
    char* dash = std::strchr(buffer + 1, '-');
    if (dash) *dash = 0;
    if (!parseHexAddress(buffer, start, false)) return false;
    end = start;
    if (dash && (!parseHexAddress(dash + 1, end, false) || end < start)) return false;
    out = {start, end, access};
    return true;
}

void formatWatchpoint(const Watchpoint& w, char* out, int size) {
    static const char* const kinds[4] = {"", "r", "w", "rw"};
    if (w.start == w.end) std::snprintf(out, size_t(size), "$%06X %s", w.start, kinds[w.access & 3]);
    else std::snprintf(out, size_t(size), "$%06X-$%06X %s", w.start, w.end, kinds[w.access & 3]);
}

bool addWatchpoint(const Watchpoint& w) {
    if (watchpointCount == MAX_WATCHPOINTS) return false;
    watchpoints[watchpointCount++] = w;
    return true;
}

void removeWatchpoint(int index) {
    if (index < 0 || index >= watchpointCount) return;
    for (int i = index + 1; i < watchpointCount; ++i) watchpoints[i - 1] = watchpoints[i];
    --watchpointCount;
}

void clearWatchpoints() { watchpointCount = 0; }

namespace {
MapSet plainMaps;  // the machine's tables, which the watch handlers walk
bool armed;
// Whether a handler row of the machine's tables answered an access of the running
// instruction (see beginAccess).
bool handlerReached;

bool watched(uint32_t a, uint32_t size, uint8_t access) {
    uint32_t last = a + size - 1;
    for (int i = 0; i < watchpointCount; ++i) {
        const Watchpoint& w = watchpoints[i];
        if ((w.access & access) && a <= w.end && last >= w.start) return true;
    }
    return false;
}

void record(uint32_t a, uint8_t size, bool write, uint32_t value) {
    if (!watchHit.hit) watchHit = {true, write, size, a, value};
}

// The processor counts every handler call as an I/O access of its instruction (the sound
// chip's wait states depend on the first one). Behind the watch row every access is a
// handler call, so before each access the mark is taken back when the instruction's
// earlier accesses only reached plain memory. The mark is clear at the start of every
// instruction, and every access of the instruction comes through here.
void beginAccess() {
    if (!ioAccessMark) handlerReached = false;
    else if (!handlerReached) ioAccessMark = nullptr;
}

// The machine's handlers, called as the processor calls them: the processor has already
// set its budget aside around the watch handler, and checks the bus error after it.
struct InnerCaller {
    int32_t stamp;
    uint32_t read(const ReadRow* row, uint32_t a, int extra) {
        handlerReached = true;
        return row->handler(a, row, stamp + extra);
    }
    void write(const WriteRow* row, uint32_t a, uint32_t v, int extra) {
        handlerReached = true;
        row->handler(a, v, row, stamp + extra);
    }
    static void unanswered(uint32_t a) {
        if (readFaults(a)) cpuRequestBusError();
    }
};

uint32_t watchReadByte(uint32_t a, const ReadRow*, int32_t stamp) {
    beginAccess();
    InnerCaller call{stamp};
    uint32_t v = walkReadByte(plainMaps.readByte, a, call);
    if (watched(a, 1, WATCH_READ)) record(a, 1, false, v);
    return v;
}

// Long accesses reach the watch row as two word calls, the second stamped 4 cycles
// later, as the machine's handler rows see them.
uint32_t watchReadWord(uint32_t a, const ReadRow*, int32_t stamp) {
    beginAccess();
    InnerCaller call{stamp};
    uint32_t v = walkReadWord(plainMaps.readWord, a, call);
    if (watched(a, 2, WATCH_READ)) record(a, 2, false, v);
    return v;
}

void watchWriteByte(uint32_t a, uint32_t v, const WriteRow*, int32_t stamp) {
    beginAccess();
    if (watched(a, 1, WATCH_WRITE)) record(a, 1, true, v);
    InnerCaller call{stamp};
    if (!walkWriteByte(plainMaps.writeByte, a, v, call)) cpuRequestBusError();
}

void watchWriteWord(uint32_t a, uint32_t v, const WriteRow*, int32_t stamp) {
    beginAccess();
    if (watched(a, 2, WATCH_WRITE)) record(a, 2, true, v);
    InnerCaller call{stamp};
    if (!walkWriteWord(plainMaps.writeWord, a, v, call)) cpuRequestBusError();
}

const ReadRow WatchReadByteMap[2] = {{0, ADDRESS_MASK, watchReadByte, nullptr}, {MAP_END, MAP_END, nullptr, nullptr}};
const ReadRow WatchReadWordMap[2] = {{0, ADDRESS_MASK, watchReadWord, nullptr}, {MAP_END, MAP_END, nullptr, nullptr}};
const WriteRow WatchWriteByteMap[2] = {{0, ADDRESS_MASK, watchWriteByte, nullptr},
                                       {MAP_END, MAP_END, nullptr, nullptr}};
const WriteRow WatchWriteWordMap[2] = {{0, ADDRESS_MASK, watchWriteWord, nullptr},
                                       {MAP_END, MAP_END, nullptr, nullptr}};
}  // namespace

// Both of the processor's map sets are the machine's tables; instruction fetches keep
// their table (the PC is not watched).
void armWatchpoints() {
    if (armed || watchpointCount == 0) return;
    plainMaps = cpu.supervisor;
    cpuSetMaps({plainMaps.fetch, WatchReadByteMap, WatchReadWordMap, WatchWriteByteMap, WatchWriteWordMap});
    armed = true;
}

void disarmWatchpoints() {
    if (!armed) return;
    cpuSetMaps(plainMaps);
    armed = false;
}
