#pragma once
// The STE blitter: a block transfer of words from a source to a destination area,
// through the source skew, the halftone pattern, one of 16 logic operations and the end
// masks, started by setting BUSY. It takes the bus from the 68000 and runs in steps that
// the frame loop interleaves with the rest of the machine; its registers count as it goes.
#include <cstdint>

struct IoRegisterTable;

// The blitter's page $FF8A00 (the STE decodes it).
void blitterInstallRegisters(IoRegisterTable& t);

// Offsets of the registers in the blitter register image (hw.blitter); words are
// big-endian, even byte first. The image holds what the registers read back.
enum BlitterRegister : int {
    BLIT_HALFTONE = 0x00,           // 16 words of halftone RAM
    BLIT_SOURCE_X_INCREMENT = 0x20, // signed, in bytes, bit 0 absent
    BLIT_SOURCE_Y_INCREMENT = 0x22,
    BLIT_SOURCE_ADDRESS = 0x24,     // long, bits 23-1
    BLIT_END_MASK_1 = 0x28,         // first word of a line
    BLIT_END_MASK_2 = 0x2A,         // middle words
    BLIT_END_MASK_3 = 0x2C,         // last word
    BLIT_DEST_X_INCREMENT = 0x2E,
    BLIT_DEST_Y_INCREMENT = 0x30,
    BLIT_DEST_ADDRESS = 0x32,       // long, bits 23-1
    BLIT_X_COUNT = 0x36,            // words left in the line (0: 65536)
    BLIT_Y_COUNT = 0x38,            // lines left
    BLIT_HOP = 0x3A,                // bits 0-1: halftone operation
    BLIT_OP = 0x3B,                 // bits 0-3: logic operation
    BLIT_CONTROL = 0x3C,            // BUSY, HOG, SMUDGE, line number
    BLIT_SKEW = 0x3D,               // FXSR, NFSR, skew
    BLIT_REGISTERS_END = 0x3E,
};

constexpr uint8_t BLIT_BUSY = 0x80;
constexpr uint8_t BLIT_HOG = 0x40;
constexpr uint8_t BLIT_SMUDGE = 0x20;
constexpr uint8_t BLIT_LINE_NUMBER = 0x0F;
constexpr uint8_t BLIT_FXSR = 0x80;
constexpr uint8_t BLIT_NFSR = 0x40;
constexpr uint8_t BLIT_SKEW_BITS = 0x0F;

// In the shared mode the blitter and the 68000 take turns of this many bus accesses.
constexpr int32_t BLIT_TURN_ACCESSES = 64;
constexpr int32_t BUS_ACCESS_CYCLES = 4;

// Power-on and RESET: no blit runs, BUSY clear.
void blitterReset();
// Whether a blit runs: without one the 68000 has the bus to itself.
bool blitterRunning();
// Whether the blitter holds the bus now (the 68000 is off it).
bool blitterOwnsBus();
// Runs the blit while it holds the bus from cycle `start`, for about `budget` cycles (at
// least one destination word): its turn ends, the blit ends, or the budget is spent.
// Returns the cycles it took, which pass on the odometer.
int32_t blitterRun(int32_t start, int32_t budget);
// The part of a budget the 68000 may run before the blitter takes the bus back, and
// the processor's time actually used, which ends its turn.
int32_t blitterProcessorBudget(int32_t budget);
void blitterProcessorRan(int32_t cycles);
