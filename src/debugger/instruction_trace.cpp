#include "debugger/instruction_trace.h"

#include <cstdio>
#include <cstring>

#include "base/safe_file.h"
#include "cpu/cpu.h"
#include "cpu/disassembler.h"

static ReplacingFile traceFile;
static bool tracing;
static std::string failure;
static uint32_t tracedPc;
static char tracedText[DISASSEMBLY_TEXT_SIZE];

// Millions of lines: written through a large buffer.
bool traceOpen(const std::string& path) {
    traceClose();
    failure.clear();
    if (!replacingOpen(traceFile, path)) {
        failure = replacingError();
        return false;
    }
    std::setvbuf(traceFile.file, nullptr, _IOFBF, 1 << 20);
    tracing = true;
    return true;
}

// A write that failed (a full disk, a file size limit) leaves a trace that is not a
// whole one: the commit refuses it and the old file stays.
static void finish() {
    tracing = false;
    if (replacingCommit(traceFile)) return;
    failure = replacingError();
    std::fprintf(stderr, "quarv: the trace stopped: %s\n", failure.c_str());
}

bool traceClose() {
    if (tracing) finish();
    return failure.empty();
}

bool traceActive() { return tracing; }

const std::string& traceFailure() { return failure; }

void traceBefore(uint32_t pc) {
    tracedPc = pc & 0xFFFFFF;
    disassembleOne(tracedPc);
    std::memcpy(tracedText, disassemblyText, sizeof tracedText);
}

// Millions of lines a second: the hex fields are written by hand, not through printf.
static char* hex(char* p, uint32_t value, int digits) {
    for (int i = digits - 1; i >= 0; --i) p[i] = "0123456789ABCDEF"[value & 15], value >>= 4;
    return p + digits;
}

static char* text(char* p, const char* s) {
    while (*s) *p++ = *s++;
    return p;
}

void traceAfter() {
    if (!tracing) return;
    char line[256];
    char* p = hex(line, tracedPc, 6);
    p = text(p, "  ");
    char* field = p;
    p = text(p, tracedText);
    while (p < field + 34) *p++ = ' ';
    for (int r = 0; r < 16; ++r) {
        if (r % 8 == 0) p = text(p, r ? "  A" : "  D");
        *p++ = ' ';
        p = hex(p, cpu.regs[r], 8);
    }
    p = text(p, "  SR ");
    p = hex(p, cpu.sr, 4);
    p += std::snprintf(p, size_t(line + sizeof line - p), "  CS %d\n", cpu.odometer);
    if (!replacingWrite(traceFile, line, size_t(p - line))) finish();
}
