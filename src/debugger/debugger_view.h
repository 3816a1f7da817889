#pragma once
// What the debugger page shows and the keys that move it: the 16 disassembled
// instructions, the memory dump of 16 rows of 8 bytes with its editing cursor, and which
// of the two panes has the keyboard. The page draws from this state; the window's key
// and mouse handling call these operations.
#include <cstdint>

constexpr int DISASSEMBLY_LINES = 16;
constexpr int MEMORY_ROWS = 16;
constexpr int MEMORY_ROW_BYTES = 8;
constexpr uint32_t MEMORY_PAGE_BYTES = MEMORY_ROWS * MEMORY_ROW_BYTES;

struct DebuggerView {
    uint32_t lines[DISASSEMBLY_LINES];  // addresses of the instructions shown
    uint32_t disassemblyEnd;            // after the last one
    uint32_t memoryTop;                 // first byte of the dump
    uint32_t memoryCursor;
    bool lowNibble;       // the next hex digit goes into the cursor byte's low nibble
    bool memoryHasKeys;   // else the disassembly pane has them
};

extern DebuggerView debuggerView;

// The disassembly from an address ("G", and the start).
void viewDisassemblyAt(uint32_t address);
// After a step or a stop: re-based at the PC only when the PC is not among the lines.
void viewFollowPc();
// The memory dump from an address, cursor on it ("M").
void viewMemoryAt(uint32_t address);
// Ctrl+Tab.
void viewSwitchPane();
// PageUp (-1) and PageDown (+1): the memory pane by 128 bytes, the disassembly by 16
// instructions.
void viewPage(int direction);
// Up and Down arrows in the disassembly pane: one instruction.
void viewScrollLine(int direction);
// Arrows and Backspace in the memory pane: the cursor by a number of bytes, the dump
// following it by rows.
void viewMoveCursor(int bytes);
// A hex digit 0-15 in the memory pane: the cursor byte's high nibble, then its low nibble,
// then the cursor advances. Written through the address tables.
void viewHexDigit(int digit);
// A click on a byte of the dump.
void viewClickMemory(int row, int column);
// A click on a line of the disassembly: that instruction's breakpoint on or off (false
// when the list is full).
bool viewToggleBreakpointAtLine(int line);

// The byte at an address as the dump shows it: the word there as a read would give it,
// taken without changing the machine (all ones where nothing answers), the high byte at
// even addresses.
uint8_t viewReadByte(uint32_t address);
