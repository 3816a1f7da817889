#pragma once
// The STE's microwire interface at $FF8922 (data) and $FF8924 (mask): a write to the data
// register sends it, bit 15 first, to the LMC1992, one bit a microsecond; only the bits
// whose mask bit is set are clocked out. As each bit goes, the data register shifts left
// (zeros in) and the mask register rotates left, the first shift at once: a program
// waits until the mask reads as written again, or the data reads 0, and the word has
// then reached the chip.
#include <cstdint>

struct IoRegisterTable;

constexpr int32_t MICROWIRE_BIT_CYCLES = 8;  // 1 MHz
// From the write to the last of the 16 bits.
constexpr int32_t MICROWIRE_TRANSFER_CYCLES = 15 * MICROWIRE_BIT_CYCLES;

// The registers in the DMA sound page.
void microwireInstallRegisters(IoRegisterTable& t);
void microwirePowerOn();  // program start: no transfer running
// At the frame's end: a transfer's start moves back by one frame.
void microwireFrameStart();

// Snapshots: the frame cycle at which the running or last transfer started, and whether
// its word went to the chip (the data and mask live in the register page).
struct MicrowireCarried {
    int32_t transferStart;
    bool delivered;
};
MicrowireCarried microwireSave();
void microwireRestore(const MicrowireCarried& in);
