#pragma once
// The STE blitter: a block transfer between a source and a destination area of ST RAM,
// word by word through one of 16 logic operations, started by setting BUSY. The whole
// transfer happens inside the register write that starts it.
#include <cstdint>

// Offsets of the registers in the blitter register image (hw.blitter); words are
// big-endian, even byte first.
enum BlitterRegister : int {
    BLIT_HALFTONE = 0x00,           // 16 words, stored only
    BLIT_SOURCE_X_INCREMENT = 0x20, // signed, in bytes
    BLIT_SOURCE_Y_INCREMENT = 0x22,
    BLIT_SOURCE_ADDRESS = 0x24,     // long
    BLIT_END_MASK_1 = 0x28,         // end masks 1-3, stored only
    BLIT_DEST_X_INCREMENT = 0x2E,
    BLIT_DEST_Y_INCREMENT = 0x30,
    BLIT_DEST_ADDRESS = 0x32,       // long
    BLIT_X_COUNT = 0x36,            // words per line, 0 = 65536
    BLIT_Y_COUNT = 0x38,            // lines, 0 = 65536
    BLIT_HOP = 0x3A,                // stored only
    BLIT_OP = 0x3B,                 // low 4 bits: the logic operation
    BLIT_CONTROL = 0x3C,            // bit 7 BUSY; the other bits stored only
    BLIT_SKEW = 0x3D,               // stored only
};

constexpr uint8_t BLIT_BUSY = 0x80;

// Runs the transfer the registers describe and clears BUSY. Every access stays inside
// the 4 MB RAM area: addresses wrap around modulo 4 MB.
void runBlit();
