#include "debugger/debug_report.h"

#include "bus/memory_map.h"
#include "cpu/cpu.h"
#include "cpu/disassembler.h"
#include "debugger/debug_run.h"
#include "debugger/debugger_view.h"

const char SrLetters[17] = "CVZNX        S T";

void formatMemoryPreview(uint32_t address, char* out, int size) {
    int length = 0;
    for (int i = 0; i < 5 && length < size; ++i) {
        const char* separator = i ? " " : "";
        if (address & 1)
            length += std::snprintf(out + length, size_t(size - length), "%s%02X", separator,
                                    viewReadByte(address + uint32_t(i)));
        else
            length += std::snprintf(out + length, size_t(size - length), "%s%04X", separator,
                                    peekWordMapped(address + 2 * uint32_t(i), cpu.odometer) & 0xFFFF);
    }
}

uint32_t videoCounterAddress() {
    return uint32_t(viewReadByte(0xFF8205)) << 16 | uint32_t(viewReadByte(0xFF8207)) << 8 | viewReadByte(0xFF8209);
}

void formatSrFlags(uint16_t sr, char out[8]) {
    static const int bits[7] = {15, 13, 4, 3, 2, 1, 0};
    for (int i = 0; i < 7; ++i) out[i] = sr & (1 << bits[i]) ? SrLetters[bits[i]] : '-';
    out[7] = 0;
}

void printDebuggerReport(std::FILE* out) {
    char reason[128], flags[8], preview[32];
    debugStopText(reason, sizeof reason);
    formatSrFlags(cpu.sr, flags);
    std::fprintf(out, "Stopped: %s\n", reason);
    std::fprintf(out, "PC %08X  SR %04X %s  CS %08X  Video:%06X\n", cpu.pc, cpu.sr, flags, uint32_t(cpu.odometer),
                 videoCounterAddress());
    for (int n = 0; n < 8; ++n) {
        formatMemoryPreview(cpu.regs[8 + n], preview, sizeof preview);
        std::fprintf(out, "D%d %08X  A%d %08X  %s\n", n, cpu.regs[n], n, cpu.regs[8 + n], preview);
    }
    std::fprintf(out, "A7'%08X\n", cpu.inactiveSp);
    uint32_t address = cpu.pc & ADDRESS_MASK;
    for (int line = 0; line < DISASSEMBLY_LINES; ++line) {
        uint32_t next = disassembleOne(address);
        std::fprintf(out, "%06X  %s\n", address, disassemblyText);
        address = next;
    }
}
