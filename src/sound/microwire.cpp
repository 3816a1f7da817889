// The microwire's two registers and the transfer that carries a word to the LMC1992.
// Data and mask are kept in the DMA sound page's register image, where snapshots find
// them; what a read returns depends on how far the transfer has gone at its cycle.
#include "sound/microwire.h"

#include <initializer_list>

#include "bus/event_log.h"
#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "sound/lmc1992.h"

constexpr uint32_t DATA = 0x22, MASK = 0x24;
constexpr int WORD_BITS = 16, LMC1992_WORD_BITS = 11;

static uint8_t* const image = hw.dmaSound;
static int32_t transferStart = -MICROWIRE_TRANSFER_CYCLES;  // long over
static bool delivered;  // the transfer's word was handed to the chip

static uint32_t registerWord(uint32_t offset) { return uint32_t(image[offset]) << 8 | image[offset + 1]; }

// The bits the transfer has shifted out by cycle `stamp`: 16 once it is over.
static int bitsShifted(int32_t stamp) {
    int32_t elapsed = stamp - transferStart;
    if (elapsed < 0 || elapsed >= MICROWIRE_TRANSFER_CYCLES) return WORD_BITS;
    return elapsed / MICROWIRE_BIT_CYCLES + 1;
}

static uint32_t dataAt(int32_t stamp) { return registerWord(DATA) << bitsShifted(stamp) & 0xFFFF; }
static uint32_t maskAt(int32_t stamp) {
    uint32_t mask = registerWord(MASK), k = uint32_t(bitsShifted(stamp)) % WORD_BITS;
    return (mask << k | mask >> (WORD_BITS - k)) & 0xFFFF;
}

// A new word cuts short a transfer still running: the chip latches a word only when its
// transfer ends, so the interrupted one never takes effect. The chip keeps the last 11
// bits clocked into it; fewer than 11 make no command.
static void sendData(uint32_t value, int32_t stamp) {
    if (delivered && bitsShifted(stamp) < WORD_BITS) lmc1992Withdraw();
    image[DATA] = uint8_t(value >> 8);
    image[DATA + 1] = uint8_t(value);
    transferStart = stamp;
    uint32_t mask = registerWord(MASK), word = 0;
    int clocked = 0;
    for (int bit = WORD_BITS - 1; bit >= 0; --bit) {
        if (!(mask >> bit & 1)) continue;
        word = word << 1 | (value >> bit & 1);
        ++clocked;
    }
    delivered = clocked >= LMC1992_WORD_BITS;
    if (delivered) lmc1992Receive(word & 0x7FF, stamp + MICROWIRE_TRANSFER_CYCLES);
}

static void setMask(uint32_t value) {
    image[MASK] = uint8_t(value >> 8);
    image[MASK + 1] = uint8_t(value);
}

static uint32_t readDataWord(uint32_t, int32_t stamp) { return dataAt(stamp); }
static uint32_t readMaskWord(uint32_t, int32_t stamp) { return maskAt(stamp); }
static uint32_t readByte(uint32_t a, int32_t stamp) {
    uint32_t word = (a & 0xFE) == DATA ? dataAt(stamp) : maskAt(stamp);
    return a & 1 ? word & 0xFF : word >> 8;
}
static void writeDataWord(uint32_t, uint32_t v, int32_t stamp) { sendData(v & 0xFFFF, stamp); }
static void writeMaskWord(uint32_t, uint32_t v, int32_t) { setMask(v & 0xFFFF); }
// A byte written to the low half arrives as the whole word, its high byte 0.
static void writeDataLow(uint32_t, uint32_t v, int32_t stamp) { sendData(v & 0xFF, stamp); }
static void writeMaskLow(uint32_t, uint32_t v, int32_t) { setMask(v & 0xFF); }

void microwireInstallRegisters(IoRegisterTable& t) {
    for (uint32_t o : {DATA, DATA + 1, MASK, MASK + 1}) t.readByte[o] = readByte;
    t.readWord[DATA / 2] = readDataWord;
    t.readWord[MASK / 2] = readMaskWord;
    t.writeWord[DATA / 2] = writeDataWord;
    t.writeWord[MASK / 2] = writeMaskWord;
    t.writeByte[DATA + 1] = writeDataLow;
    t.writeByte[MASK + 1] = writeMaskLow;
}

void microwirePowerOn() {
    transferStart = -MICROWIRE_TRANSFER_CYCLES;
    delivered = false;
}

void microwireFrameStart() {
    transferStart -= FRAME_CYCLES;
    if (transferStart < -MICROWIRE_TRANSFER_CYCLES) transferStart = -MICROWIRE_TRANSFER_CYCLES;
}

MicrowireCarried microwireSave() { return {transferStart, delivered}; }

// Between frames a transfer can only have started in the last cycles of the frame before
// (or in the few past its end that its last instruction ran into).
void microwireRestore(const MicrowireCarried& in) {
    constexpr int32_t PAST_THE_END = 1024;
    transferStart = in.transferStart;
    if (transferStart < -MICROWIRE_TRANSFER_CYCLES || transferStart >= PAST_THE_END)
        transferStart = -MICROWIRE_TRANSFER_CYCLES;
    delivered = in.delivered;
}
