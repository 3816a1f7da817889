#include "frontend/instruction_trace.h"

#include <cstdio>
#include <cstring>

#include "cpu/cpu.h"
#include "frontend/disassembler.h"

static std::FILE* traceFile;
static uint32_t tracedPc;
static char tracedText[DISASSEMBLY_TEXT_SIZE];

// Millions of lines: written through a large buffer.
bool traceOpen(const std::string& path) {
    traceClose();
    traceFile = std::fopen(path.c_str(), "w");
    if (traceFile) std::setvbuf(traceFile, nullptr, _IOFBF, 1 << 20);
    return traceFile != nullptr;
}

void traceClose() {
    if (traceFile) std::fclose(traceFile);
    traceFile = nullptr;
}

bool traceActive() { return traceFile != nullptr; }

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
    if (!traceFile) return;
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
    std::fwrite(line, 1, size_t(p - line), traceFile);
}
