#include "peripherals/blitter.h"

#include <array>
#include <utility>

#include "machine/hardware_state.h"
#include "machine/io_dispatch.h"
#include "machine/memory_map.h"
#include "machine/st_memory.h"

// Word addresses inside the 4 MB RAM area. Addresses are kept as 32-bit sums and masked
// at each access; as 2^32 is a multiple of 4 MB, that is the same as wrapping each step.
constexpr uint32_t RAM_WORD_MASK = (RAM_AREA_SIZE - 1) & ~1u;

static uint16_t registerWord(int offset) { return uint16_t(hw.blitter[offset] << 8 | hw.blitter[offset + 1]); }
static uint32_t registerLong(int offset) { return uint32_t(registerWord(offset)) << 16 | registerWord(offset + 2); }

// An increment register counts bytes; the blitter ignores bit 0, so it steps whole words
// ($FFFE is one word back).
static int32_t incrementBytes(int offset) { return int32_t(int16_t(registerWord(offset)) & ~1); }

static uint32_t countOf(int offset) {
    uint32_t n = registerWord(offset);
    return n ? n : 65536;
}

struct Blit {
    uint32_t source, dest;
    int32_t sourceXStep, sourceYStep, destXStep, destYStep;
    uint32_t xCount, yCount;
};

template <int OP>
static inline uint16_t logicOperation(uint16_t s, uint16_t d) {
    switch (OP) {
    case 0: return 0;
    case 1: return s & d;
    case 2: return s & ~d;
    case 3: return s;
    case 4: return ~s & d;
    case 5: return d;
    case 6: return s ^ d;
    case 7: return s | d;
    case 8: return ~s & ~d;
    case 9: return ~s ^ d;
    case 10: return ~d;
    case 11: return s | ~d;
    case 12: return ~s;
    case 13: return ~s | d;
    case 14: return ~s | ~d;
    default: return 0xFFFF;
    }
}

// After each word but the last of a line both addresses take their X step; after the
// last word only the Y step.
template <int OP>
static void blitWith(const Blit& b) {
    uint8_t* ram = hw.ram;
    uint32_t s = b.source, d = b.dest;
    for (uint32_t line = b.yCount; line; --line) {
        for (uint32_t word = b.xCount;;) {
            uint16_t sv = stReadWord(ram, s & RAM_WORD_MASK);
            uint16_t dv = stReadWord(ram, d & RAM_WORD_MASK);
            stWriteWord(ram, d & RAM_WORD_MASK, logicOperation<OP>(sv, dv));
            if (--word == 0) break;
            s += b.sourceXStep;
            d += b.destXStep;
        }
        s += b.sourceYStep;
        d += b.destYStep;
    }
}

template <int... OPS>
static constexpr auto blitTable(std::integer_sequence<int, OPS...>) {
    return std::array<void (*)(const Blit&), sizeof...(OPS)>{blitWith<OPS>...};
}
static constexpr auto BlitByOperation = blitTable(std::make_integer_sequence<int, 16>{});

// Straight into RAM, not through the address tables: blitter writes raise no bus errors
// and are not seen by the screen write logger.
void runBlit() {
    Blit b;
    b.source = registerLong(BLIT_SOURCE_ADDRESS) & 0xFFFFFE;
    b.dest = registerLong(BLIT_DEST_ADDRESS) & 0xFFFFFE;
    b.sourceXStep = incrementBytes(BLIT_SOURCE_X_INCREMENT);
    b.sourceYStep = incrementBytes(BLIT_SOURCE_Y_INCREMENT);
    b.destXStep = incrementBytes(BLIT_DEST_X_INCREMENT);
    b.destYStep = incrementBytes(BLIT_DEST_Y_INCREMENT);
    b.xCount = countOf(BLIT_X_COUNT);
    b.yCount = countOf(BLIT_Y_COUNT);
    BlitByOperation[hw.blitter[BLIT_OP] & 15](b);
    hw.blitter[BLIT_CONTROL] &= ~BLIT_BUSY;
}

// A write that leaves BUSY set starts the blit, whichever register it went to.
static void startIfBusy() {
    if (hw.blitter[BLIT_CONTROL] & BLIT_BUSY) runBlit();
}

static void writeByte(uint32_t a, uint32_t v, int32_t) {
    hw.blitter[a & 0xFF] = uint8_t(v);
    startIfBusy();
}

static void writeWord(uint32_t a, uint32_t v, int32_t) {
    hw.blitter[a & 0xFE] = uint8_t(v >> 8);
    hw.blitter[(a & 0xFE) + 1] = uint8_t(v);
    startIfBusy();
}

// Write-only: the dispatcher answers reads of the page with all ones, and raises the bus
// error for writes on machines that are not STEs.
void blitterInstallRegisters(IoRegisterTable& t) {
    for (auto& f : t.writeByte) f = writeByte;
    for (auto& f : t.writeWord) f = writeWord;
}
