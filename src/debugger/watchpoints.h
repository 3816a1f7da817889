#pragma once
// Memory watchpoints: the debugger's run stops when the 68000 reads or writes a watched
// address range. While the debugger executes instructions with watchpoints set, the
// processor runs on a map set of its own whose one row covers the whole address space
// and sends every access through the watch handlers, which look at the access and then
// walk the machine's own tables; at all other times the processor's tables are the
// machine's, untouched, so the plain memory accesses keep their direct path.
#include <cstdint>

constexpr int MAX_WATCHPOINTS = 16;

enum WatchAccess : uint8_t { WATCH_READ = 1, WATCH_WRITE = 2, WATCH_READ_WRITE = 3 };

struct Watchpoint {
    uint32_t start, end;  // 24-bit, inclusive
    uint8_t access;       // WatchAccess
};

// The first watched access since the hit was cleared.
struct WatchHit {
    bool hit;
    bool write;
    uint8_t size;      // 1 or 2: a long access is seen as its two words
    uint32_t address;  // of the byte or word
    uint32_t value;    // read or written
};

extern Watchpoint watchpoints[MAX_WATCHPOINTS];
extern int watchpointCount;
extern WatchHit watchHit;

// "ADDR[-END][:r|w|rw]" in hexadecimal ("$" or "0x" allowed), reads and writes when no
// access is given; false for anything else.
bool parseWatchpoint(const char* text, Watchpoint& out);
// "$9000-$9003 rw", or "$9000 w" for a single byte.
void formatWatchpoint(const Watchpoint& w, char* out, int size);
// False when the list is full.
bool addWatchpoint(const Watchpoint& w);
void removeWatchpoint(int index);
void clearWatchpoints();

// Around the debugger's execution: with watchpoints set, the processor's accesses go
// through the watch handlers until disarmed. Between slices only.
void armWatchpoints();
void disarmWatchpoints();
