#pragma once
// The two MC6850 ACIAs at $FFFC00: the keyboard ACIA, through which the processor talks
// to the keyboard processor, and the MIDI ACIA, kept here as plain storage.
#include <cstdint>

struct IoRegisterTable;

void aciaInstallRegisters(IoRegisterTable& t);  // $FFFC00

// Offsets of the registers in the ACIA register image (hw.acia).
enum AciaRegister : int {
    ACIA_KEYBOARD_STATUS = 0x00,  // status on read, control on write; one byte holds both
    ACIA_KEYBOARD_DATA = 0x02,
    ACIA_MIDI_STATUS = 0x04,
    ACIA_MIDI_DATA = 0x06,
};

// Status bits.
constexpr uint8_t ACIA_RECEIVE_FULL = 0x01;
constexpr uint8_t ACIA_TRANSMIT_EMPTY = 0x02;  // always reads set: a written byte leaves at once
constexpr uint8_t ACIA_INTERRUPT_REQUEST = 0x80;
