#pragma once
// Where the chips meet on the ST's board: each chip's registers on its I/O page, and the
// lines from one chip to another and into the processor (bus/chip_lines.h).

// Builds the four I/O page tables with every chip's registers, and connects the lines.
void buildIoTables();
