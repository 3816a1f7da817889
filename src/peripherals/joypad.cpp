// Each joypad is a matrix of four rows of buttons. Writing $FF9202 drives the select lines
// (bits 0-3 joypad A's rows, bits 4-7 joypad B's; a row is selected while its bit is 0);
// a pressed button of a selected row pulls its line low. Reading $FF9202 gives the four
// column lines of each joypad (bits 8-11 A, 12-15 B); $FF9200 gives the two other lines,
// Pause (bit 0 A, bit 2 B, row 0 only) and fire (bit 1 A, bit 3 B: button A, B, C or
// Option by row). Lines of several selected rows combine, a low line winning.
#include "peripherals/joypad.h"

#include "bus/io_dispatch.h"
#include "peripherals/input.h"

static uint8_t selectLines = 0xFF;

struct JoypadRow {
    uint32_t columns[4];
    uint32_t pause, fire;
};
static constexpr JoypadRow rows[4] = {
    {{JOYPAD_UP, JOYPAD_DOWN, JOYPAD_LEFT, JOYPAD_RIGHT}, JOYPAD_PAUSE, JOYPAD_A},
    {{JOYPAD_STAR, joypadKey(7), joypadKey(4), joypadKey(1)}, 0, JOYPAD_B},
    {{joypadKey(0), joypadKey(8), joypadKey(5), joypadKey(2)}, 0, JOYPAD_C},
    {{JOYPAD_HASH, joypadKey(9), joypadKey(6), joypadKey(3)}, 0, JOYPAD_OPTION},
};

// The lines of a joypad that its selected rows pull low: columns in bits 0-3, Pause in
// bit 4, fire in bit 5.
constexpr uint32_t LINE_PAUSE = 0x10, LINE_FIRE = 0x20;
static uint32_t lowLines(int pad) {
    uint32_t pressed = joypadButtons(pad), low = 0;
    for (int r = 0; r < 4; ++r) {
        if (selectLines >> (4 * pad + r) & 1) continue;
        for (int c = 0; c < 4; ++c)
            if (pressed & rows[r].columns[c]) low |= 1u << c;
        if (pressed & rows[r].pause) low |= LINE_PAUSE;
        if (pressed & rows[r].fire) low |= LINE_FIRE;
    }
    return low;
}

// Unconnected bits read 1.
static uint32_t readButtons(uint32_t, int32_t) {
    uint32_t v = 0xFFFF;
    for (int pad = 0; pad < JOYPAD_COUNT; ++pad) {
        uint32_t low = lowLines(pad);
        if (low & LINE_PAUSE) v &= ~(1u << (2 * pad));
        if (low & LINE_FIRE) v &= ~(2u << (2 * pad));
    }
    return v;
}

// The select lines cannot be read back: the low byte reads all ones.
static uint32_t readColumns(uint32_t, int32_t) {
    uint32_t v = 0xFFFF;
    for (int pad = 0; pad < JOYPAD_COUNT; ++pad) v &= ~((lowLines(pad) & 0xF) << (8 + 4 * pad));
    return v;
}

static uint32_t readButtonsHigh(uint32_t a, int32_t s) { return readButtons(a, s) >> 8; }
static uint32_t readColumnsHigh(uint32_t a, int32_t s) { return readColumns(a, s) >> 8; }

// A byte write to $FF9202 drives data lines the select register does not use.
static void writeSelect(uint32_t, uint32_t v, int32_t) { selectLines = uint8_t(v); }

// Without a paddle its counter runs out at 255; without a light pen its position stays 0.
static uint32_t readPaddle(uint32_t, int32_t) { return 0x00FF; }
static uint32_t readLightPen(uint32_t, int32_t) { return 0; }
static uint32_t readPaddleByte(uint32_t a, int32_t) { return (a & 1) ? 0xFF : 0x00; }

void joypadInstallRegisters(IoRegisterTable& t) {
    t.readWord[0x00 / 2] = readButtons;
    t.readByte[0x00] = readButtonsHigh;
    t.readByte[0x01] = readButtons;
    t.readWord[0x02 / 2] = readColumns;
    t.readByte[0x02] = readColumnsHigh;
    t.writeWord[0x02 / 2] = writeSelect;
    t.writeByte[0x03] = writeSelect;
    for (uint32_t o = 0x10; o <= 0x16; o += 2) {  // paddles 0 and 1, X and Y
        t.readWord[o / 2] = readPaddle;
        t.readByte[o] = t.readByte[o + 1] = readPaddleByte;
    }
    for (uint32_t o = 0x20; o <= 0x22; o += 2) {  // light pen X and Y
        t.readWord[o / 2] = readLightPen;
        t.readByte[o] = t.readByte[o + 1] = readLightPen;
    }
}

void joypadReset() { selectLines = 0xFF; }
