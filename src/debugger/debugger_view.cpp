#include "debugger/debugger_view.h"

#include "bus/memory_map.h"
#include "cpu/cpu.h"
#include "cpu/disassembler.h"
#include "debugger/debug_run.h"

DebuggerView debuggerView;

void viewDisassemblyAt(uint32_t address) {
    address &= ADDRESS_MASK & ~1u;
    for (uint32_t& line : debuggerView.lines) {
        line = address;
        address = disassembleOne(address);
    }
    debuggerView.disassemblyEnd = address;
}

void viewFollowPc() {
    uint32_t pc = cpu.pc & ADDRESS_MASK;
    for (uint32_t line : debuggerView.lines)
        if (line == pc) return;
    viewDisassemblyAt(pc);
}

void viewMemoryAt(uint32_t address) {
    debuggerView.memoryTop = debuggerView.memoryCursor = address & ADDRESS_MASK;
    debuggerView.lowNibble = false;
}

void viewSwitchPane() { debuggerView.memoryHasKeys = !debuggerView.memoryHasKeys; }

// Code has no marks where instructions begin. Decoding from far enough back falls into
// step with the instruction stream after a few words, so the first start address whose
// chain of instructions lands exactly on `target` gives the lines before it.
static uint32_t instructionsBack(uint32_t target, int count) {
    constexpr uint32_t SEARCH_BYTES = 10 * DISASSEMBLY_LINES;  // 68000 instructions are at most 10 bytes
    for (uint32_t back = SEARCH_BYTES; back >= 2; back -= 2) {
        uint32_t chain[SEARCH_BYTES / 2];
        int length = 0;
        uint32_t a = (target - back) & ADDRESS_MASK;
        while (length < int(SEARCH_BYTES / 2) && ((target - a) & ADDRESS_MASK) - 1 < back) {
            chain[length++] = a;
            a = disassembleOne(a);
        }
        if (a == target && length > 0) return chain[length > count ? length - count : 0];
    }
    return (target - 2 * uint32_t(count)) & ADDRESS_MASK;
}

void viewScrollLine(int direction) {
    viewDisassemblyAt(direction > 0 ? debuggerView.lines[1] : instructionsBack(debuggerView.lines[0], 1));
}

void viewPage(int direction) {
    if (debuggerView.memoryHasKeys) {
        uint32_t move = direction > 0 ? MEMORY_PAGE_BYTES : -MEMORY_PAGE_BYTES;
        debuggerView.memoryTop = (debuggerView.memoryTop + move) & ADDRESS_MASK;
        debuggerView.memoryCursor = (debuggerView.memoryCursor + move) & ADDRESS_MASK;
        debuggerView.lowNibble = false;
        return;
    }
    viewDisassemblyAt(direction > 0 ? debuggerView.disassemblyEnd
                                    : instructionsBack(debuggerView.lines[0], DISASSEMBLY_LINES));
}

void viewMoveCursor(int bytes) {
    DebuggerView& v = debuggerView;
    v.memoryCursor = (v.memoryCursor + uint32_t(bytes)) & ADDRESS_MASK;
    v.lowNibble = false;
    // The dump scrolls by whole rows to keep the cursor in sight.
    while (((v.memoryCursor - v.memoryTop) & ADDRESS_MASK) >= MEMORY_PAGE_BYTES) {
        bool below = ((v.memoryCursor - v.memoryTop) & ADDRESS_MASK) < (ADDRESS_MASK + 1) / 2;
        v.memoryTop = (v.memoryTop + (below ? MEMORY_ROW_BYTES : -MEMORY_ROW_BYTES)) & ADDRESS_MASK;
    }
}

uint8_t viewReadByte(uint32_t address) {
    uint32_t word = peekWordMapped(address, cpu.odometer);
    return uint8_t(address & 1 ? word : word >> 8);
}

void viewHexDigit(int digit) {
    DebuggerView& v = debuggerView;
    uint8_t byte = viewReadByte(v.memoryCursor);
    if (!v.lowNibble) {
        writeByteMapped(v.memoryCursor, uint8_t((digit & 15) << 4 | (byte & 0x0F)), cpu.odometer);
        v.lowNibble = true;
        return;
    }
    writeByteMapped(v.memoryCursor, uint8_t((byte & 0xF0) | (digit & 15)), cpu.odometer);
    viewMoveCursor(1);
}

void viewClickMemory(int row, int column) {
    if (row < 0 || row >= MEMORY_ROWS || column < 0 || column >= MEMORY_ROW_BYTES) return;
    debuggerView.memoryCursor = (debuggerView.memoryTop + uint32_t(row * MEMORY_ROW_BYTES + column)) & ADDRESS_MASK;
    debuggerView.lowNibble = false;
    debuggerView.memoryHasKeys = true;
}

bool viewToggleBreakpointAtLine(int line) {
    if (line < 0 || line >= DISASSEMBLY_LINES) return false;
    return toggleBreakpoint(debuggerView.lines[line]);
}
