#pragma once
// The debugger's 68000 disassembler: one instruction of emulated memory to text.
#include <cstdint>

// Text of the last instruction disassembled: the lower-case mnemonic with its size
// (".b", ".w", ".l", ".s" for short branches) in a field of 8 characters, then the
// operands from column 9, numbers in "$" hexadecimal. Words that are no 68000
// instruction read "dc.w    $%X".
constexpr int DISASSEMBLY_TEXT_SIZE = 64;
extern char disassemblyText[DISASSEMBLY_TEXT_SIZE];

// Disassembles the instruction at the 24-bit address into disassemblyText and returns
// the address after the last word it read. Memory is read through the address tables
// without changing anything (bus/memory_map.h, peekWordMapped): I/O registers show what a
// read would give; nothing answering reads as $FFFF.
uint32_t disassembleOne(uint32_t address);
