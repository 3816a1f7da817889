#include "peripherals/acia.h"

#include <initializer_list>

#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "peripherals/ikbd.h"
#include "peripherals/mfp.h"

static uint32_t readKeyboardStatus(uint32_t, int32_t) { return hw.acia[ACIA_KEYBOARD_STATUS] | ACIA_TRANSMIT_EMPTY; }

// Reading the received byte empties the receiver and releases the interrupt line. An
// unread byte is simply overwritten by the next delivery: no overrun is flagged.
static uint32_t readKeyboardData(uint32_t, int32_t) {
    hw.acia[ACIA_KEYBOARD_STATUS] = 0;
    hw.mfp[MFP_GPIP] |= MFP_GPIP_ACIA;
    return hw.acia[ACIA_KEYBOARD_DATA];
}

static void writeKeyboardControl(uint32_t, uint32_t v, int32_t) { hw.acia[ACIA_KEYBOARD_STATUS] = uint8_t(v); }

// The byte reaches the keyboard processor at once; transmission time is not modelled.
static void writeKeyboardData(uint32_t, uint32_t v, int32_t) { ikbdReceiveCommandByte(uint8_t(v)); }

static uint32_t readStored(uint32_t a, int32_t) { return hw.acia[a & 0xFF]; }
static void writeStored(uint32_t a, uint32_t v, int32_t) { hw.acia[a & 0xFF] = uint8_t(v); }

// Byte accesses only: the page has no word entries, so word reads see all ones and word
// writes are ignored.
void aciaInstallRegisters(IoRegisterTable& t) {
    t.readByte[ACIA_KEYBOARD_STATUS] = readKeyboardStatus;
    t.writeByte[ACIA_KEYBOARD_STATUS] = writeKeyboardControl;
    t.readByte[ACIA_KEYBOARD_DATA] = readKeyboardData;
    t.writeByte[ACIA_KEYBOARD_DATA] = writeKeyboardData;
    for (int r : {ACIA_MIDI_STATUS, ACIA_MIDI_DATA}) {
        t.readByte[r] = readStored;
        t.writeByte[r] = writeStored;
    }
}
