#include "machine/crash_log.h"

#include <cstdio>

#include "cpu/cpu.h"
#include "machine/memory_map.h"

bool writeCrashLog(const char* fileName) {
    std::FILE* f = std::fopen(fileName, "w");
    if (!f) return false;
    std::fprintf(f, "PC: $%08x  SR: $%04x\n", cpu.pc, cpu.sr);
    for (int n = 0; n < 8; ++n) std::fprintf(f, "D%d: $%08x  A%d: $%08x\n", n, cpu.regs[n], n, cpu.regs[8 + n]);
    std::fprintf(f, "ASP: $%08x\n", cpu.inactiveSp);
    std::fprintf(f, "Odometer: $%08x\n", uint32_t(cpu.odometer));
    std::fprintf(f, "$466 = $%08x\n", peekLong(0x466));
    return std::fclose(f) == 0;
}
