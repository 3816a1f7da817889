#pragma once
// The processor's state as the debugger shows it, in text: the pieces of the page's
// register pane, and the report a headless run prints when the debugger's run stops.
#include <cstdint>
#include <cstdio>

// The status register's letters by bit, bit 0 first: C V Z N X, S at 13, T at 15.
extern const char SrLetters[17];

// The 5 words (5 bytes at an odd address) from an address, as the dump shows them:
// "0000 0000 0000 0000 0000" or "00 00 00 00 00".
void formatMemoryPreview(uint32_t address, char* out, int size);
// The video address counter as read from $FF8205, $FF8207 and $FF8209.
uint32_t videoCounterAddress();
// The letters of the set bits of T S X N Z V C, "-" for a clear one: "-S--Z--".
void formatSrFlags(uint16_t sr, char out[8]);

// "Stopped: <reason>", the registers, then 16 instructions from the PC:
//   PC 00FC0060  SR 2704 -S--Z--  CS 00001A2C  Video:07F800
//   D0 0000FFFF  A0 00004000  0000 0000 0000 0000 0000
//   ... (D7 and A7)
//   A7'00000000
//   FC0060  bsr.w   $FC0172
void printDebuggerReport(std::FILE* out);
