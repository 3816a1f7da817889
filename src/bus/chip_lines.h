#pragma once
// Lines on the ST's board between chips, and into the processor: a chip drives a line
// without knowing who listens. The machine connects them when it builds the board
// (machine/board_wiring.h); until then nobody listens.
#include <cstdint>

struct ChipLines {
    // The 68000's interrupt input: a level 1-7 with a vector (0-255, -1 the level's
    // autovector). 0 latched, 1 that level already waits, 2 not taken.
    int (*requestInterrupt)(int level, int vector);
    // The STE's DMA sound frame line, MFP timer A's input: a change of level at a cycle
    // (true when it latched an interrupt), or its level as a reset or restored machine
    // has it, without an edge.
    bool (*timerAInput)(bool level, int32_t stamp);
    void (*setTimerAInputLevel)(bool level);
    // The Shifter's display enable, MFP timer B's input, at a cycle of the current line.
    bool (*displayEnableAt)(int32_t stamp);
};

extern ChipLines chipLines;
