#include "debugger/crash_log.h"

#include <cstdio>
#include <string>

#include "base/safe_file.h"
#include "bus/memory_map.h"
#include "cpu/cpu.h"

bool writeCrashLog(const char* fileName) {
    std::string text;
    char line[64];
    auto add = [&](int n) { text.append(line, size_t(n)); };
    add(std::snprintf(line, sizeof line, "PC: $%08x  SR: $%04x\n", cpu.pc, cpu.sr));
    for (int n = 0; n < 8; ++n)
        add(std::snprintf(line, sizeof line, "D%d: $%08x  A%d: $%08x\n", n, cpu.regs[n], n, cpu.regs[8 + n]));
    add(std::snprintf(line, sizeof line, "ASP: $%08x\n", cpu.inactiveSp));
    add(std::snprintf(line, sizeof line, "Odometer: $%08x\n", uint32_t(cpu.odometer)));
    add(std::snprintf(line, sizeof line, "$466 = $%08x\n", peekLong(0x466)));
    return writeFileReplacing(fileName, text.data(), text.size());
}
