#include "peripherals/blitter.h"

#include <algorithm>

#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "bus/memory_map.h"
#include "bus/processor_slice.h"
#include "bus/st_memory.h"

namespace {
// What the register image does not hold: the X count the lines start from, the source
// buffer, and the bus turns.
struct BlitterEngine {
    bool running;               // BUSY: the blit wants the bus
    uint16_t xCountLatch;       // the X count written, reloaded at each line end
    uint32_t sourceBuffer;      // the last two source words; the skew picks 16 bits of it
    int32_t turnAccesses;       // the blitter's bus accesses in its current turn
    int32_t processorTurnLeft;  // cycles the 68000 still has of its turn (shared mode)
};
BlitterEngine engine;

// The bits each register has; the others read as 0. Addresses have bits 23-1,
// increments have no bit 0.
constexpr uint8_t registerBits[BLIT_REGISTERS_END] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // halftone
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFE, 0xFF, 0xFE,                                                                          // source increments
    0x00, 0xFF, 0xFF, 0xFE,                                                                          // source address
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,                                                              // end masks
    0xFF, 0xFE, 0xFF, 0xFE,                                                                          // dest increments
    0x00, 0xFF, 0xFF, 0xFE,                                                                          // dest address
    0xFF, 0xFF, 0xFF, 0xFF,                                                                          // counts
    0x03, 0x0F, 0xEF, 0xCF,                                                                          // HOP, OP, control, skew
};

uint16_t registerWord(int offset) { return uint16_t(hw.blitter[offset] << 8 | hw.blitter[offset + 1]); }
void setRegisterWord(int offset, uint16_t v) {
    hw.blitter[offset] = uint8_t(v >> 8);
    hw.blitter[offset + 1] = uint8_t(v);
}
uint32_t registerLong(int offset) { return uint32_t(registerWord(offset)) << 16 | registerWord(offset + 2); }
void setRegisterLong(int offset, uint32_t v) {
    setRegisterWord(offset, uint16_t(v >> 16));
    setRegisterWord(offset + 2, uint16_t(v));
}

// The registers a blit works on, held in locals while it runs.
struct Blit {
    uint32_t source, dest;
    int32_t sourceXStep, sourceYStep, destXStep, destYStep;
    uint16_t xCount, yCount;
    uint16_t endMask[3];
    uint8_t hop, op, control, skew;
    bool readsSource;
};

// Operations 0, 5, 10 and 15 ignore the source; 0, 3, 12 and 15 the destination.
constexpr bool opUsesSource(int op) { return op != 0 && op != 5 && op != 10 && op != 15; }
constexpr bool opUsesDest(int op) { return op != 0 && op != 3 && op != 12 && op != 15; }

uint16_t logicOperation(int op, uint16_t s, uint16_t d) {
    switch (op) {
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

Blit loadBlit() {
    Blit b;
    b.source = registerLong(BLIT_SOURCE_ADDRESS);
    b.dest = registerLong(BLIT_DEST_ADDRESS);
    b.sourceXStep = int16_t(registerWord(BLIT_SOURCE_X_INCREMENT));
    b.sourceYStep = int16_t(registerWord(BLIT_SOURCE_Y_INCREMENT));
    b.destXStep = int16_t(registerWord(BLIT_DEST_X_INCREMENT));
    b.destYStep = int16_t(registerWord(BLIT_DEST_Y_INCREMENT));
    b.xCount = registerWord(BLIT_X_COUNT);
    b.yCount = registerWord(BLIT_Y_COUNT);
    for (int i = 0; i < 3; ++i) b.endMask[i] = registerWord(BLIT_END_MASK_1 + 2 * i);
    b.hop = hw.blitter[BLIT_HOP];
    b.op = hw.blitter[BLIT_OP];
    b.control = hw.blitter[BLIT_CONTROL];
    b.skew = hw.blitter[BLIT_SKEW];
    // The source is fetched only when the result depends on it: through the operation,
    // and through HOP or the halftone index that SMUDGE takes from it.
    bool hopNeedsSource = b.hop >= 2 || (b.hop == 1 && (b.control & BLIT_SMUDGE));
    b.readsSource = opUsesSource(b.op) && hopNeedsSource;
    return b;
}

void storeBlit(const Blit& b) {
    setRegisterLong(BLIT_SOURCE_ADDRESS, b.source & 0xFFFFFE);
    setRegisterLong(BLIT_DEST_ADDRESS, b.dest & 0xFFFFFE);
    setRegisterWord(BLIT_X_COUNT, b.xCount);
    setRegisterWord(BLIT_Y_COUNT, b.yCount);
    hw.blitter[BLIT_CONTROL] = b.control;
}

// The blitter reaches RAM directly (its writes are not screen writes the renderer
// replays) and everything else through the address tables, ROM fonts and I/O registers
// included, where nothing faults. ST addresses 0-7 hold the ROM's reset vectors and
// take no writes.
uint16_t busRead(uint32_t a, int32_t stamp) {
    if (a <= ReadWordMap[0].end) return stReadWord(hw.ram, a);
    return readWordAt(a, stamp);
}
void busWrite(uint32_t a, uint16_t v, int32_t stamp) {
    if (a < RAM_AREA_SIZE) {
        if (a >= RESET_VECTOR_BYTES) stWriteWord(hw.ram, a, v);
    } else {
        writeWordAt(a, v, stamp);
    }
}

// The source buffer shifts in the direction of travel: new words enter at the low end
// going right, at the high end going left.
void shiftSource(const Blit& b, uint16_t w) {
    if (b.sourceXStep < 0) engine.sourceBuffer = uint32_t(w) << 16 | engine.sourceBuffer >> 16;
    else engine.sourceBuffer = engine.sourceBuffer << 16 | w;
}
uint16_t lastSourceWord(const Blit& b) {
    return uint16_t(b.sourceXStep < 0 ? engine.sourceBuffer >> 16 : engine.sourceBuffer);
}

// One destination word with the source reads before it; returns the bus accesses made.
// The source address steps after every source read of a line by the X increment, and
// after its last read by the Y increment instead. A line without its final read (NFSR)
// has its last read one word earlier, whose X step the Y increment replaces at the end of
// the line: TOS reckons the Y increment from the words a line reads, the line's length
// less the X steps between them. Where the source is not needed the address steps as
// if it were read. The destination steps after every word, by the Y increment after the
// last one.
int blitWord(Blit& b, int32_t stamp) {
    int accesses = 0;
    auto access = [&] { return stamp + BUS_ACCESS_CYCLES * accesses++; };
    bool first = b.xCount == engine.xCountLatch, last = b.xCount == 1;

    if (first && (b.skew & BLIT_FXSR)) {
        if (b.readsSource) shiftSource(b, busRead(b.source & 0xFFFFFE, access()));
        b.source += b.sourceXStep;
    }
    if (last && (b.skew & BLIT_NFSR)) {
        // Without the final read the buffer still shifts; the data latch keeps the word
        // read last.
        if (b.readsSource) shiftSource(b, lastSourceWord(b));
        b.source += b.sourceYStep - b.sourceXStep;
    } else {
        if (b.readsSource) shiftSource(b, busRead(b.source & 0xFFFFFE, access()));
        b.source += last ? b.sourceYStep : b.sourceXStep;
    }

    uint16_t skewed = uint16_t(engine.sourceBuffer >> (b.skew & BLIT_SKEW_BITS));
    int halftoneLine = (b.control & BLIT_SMUDGE) ? skewed & 15 : b.control & BLIT_LINE_NUMBER;
    uint16_t halftone = registerWord(BLIT_HALFTONE + 2 * halftoneLine);
    uint16_t source = b.hop == 0 ? uint16_t(0xFFFF) : b.hop == 1 ? halftone : b.hop == 2 ? skewed : uint16_t(skewed & halftone);

    uint16_t mask = first ? b.endMask[0] : last ? b.endMask[2] : b.endMask[1];
    uint16_t dest = 0;
    if (opUsesDest(b.op) || mask != 0xFFFF) dest = busRead(b.dest & 0xFFFFFE, access());
    uint16_t result = uint16_t((logicOperation(b.op, source, dest) & mask) | (dest & ~mask));
    busWrite(b.dest & 0xFFFFFE, result, access());
    b.dest += last ? b.destYStep : b.destXStep;

    if (!last) {
        --b.xCount;
        return accesses;
    }
    // End of the line: the X count reloads, the halftone line steps the way the
    // destination goes, and the blit ends with the last line.
    b.xCount = engine.xCountLatch;
    int step = b.destYStep < 0 ? -1 : 1;
    b.control = uint8_t((b.control & ~BLIT_LINE_NUMBER) | ((b.control + step) & BLIT_LINE_NUMBER));
    if (--b.yCount == 0) {
        b.control &= ~BLIT_BUSY;
        engine.running = false;
    }
    return accesses;
}

// Setting BUSY starts the blit from the registers as they stand, so a blit stopped or
// finished in pieces goes on where it was; the blitter takes the bus after the current
// instruction. With no line left it only clears BUSY: software restarts the blitter by
// setting BUSY again while it polls, and a finished blit must not begin anew. Clearing
// BUSY stops the blit where it stands.
void controlWritten() {
    if (!(hw.blitter[BLIT_CONTROL] & BLIT_BUSY)) {
        engine.running = false;
        return;
    }
    if (registerWord(BLIT_Y_COUNT) == 0) {
        hw.blitter[BLIT_CONTROL] &= ~BLIT_BUSY;
        engine.running = false;
        return;
    }
    engine.running = true;
    engine.turnAccesses = 0;
    engine.processorTurnLeft = 0;
    endSliceNow();
}

void storeByte(int offset, uint8_t v) {
    hw.blitter[offset] = v & registerBits[offset];
    if (offset == BLIT_X_COUNT || offset == BLIT_X_COUNT + 1) engine.xCountLatch = registerWord(BLIT_X_COUNT);
}

uint32_t readByte(uint32_t a, int32_t) { return hw.blitter[a & 0xFF]; }
uint32_t readWord(uint32_t a, int32_t) { return registerWord(a & 0xFE); }

void writeByte(uint32_t a, uint32_t v, int32_t) {
    int offset = a & 0xFF;
    storeByte(offset, uint8_t(v));
    if (offset == BLIT_CONTROL) controlWritten();
}

void writeWord(uint32_t a, uint32_t v, int32_t) {
    int offset = a & 0xFE;
    storeByte(offset, uint8_t(v >> 8));
    storeByte(offset + 1, uint8_t(v));
    if (offset == BLIT_CONTROL) controlWritten();
}
}  // namespace

void blitterReset() {
    engine = BlitterEngine{};
    engine.xCountLatch = registerWord(BLIT_X_COUNT);
    hw.blitter[BLIT_CONTROL] &= ~BLIT_BUSY;
}

bool blitterRunning() { return engine.running; }
bool blitterOwnsBus() { return engine.running && engine.processorTurnLeft <= 0; }

// In HOG mode the blit keeps the bus to its end; in the shared mode the 68000 gets the
// bus back after 64 blitter accesses, for the time of 64 bus accesses.
int32_t blitterRun(int32_t start, int32_t budget) {
    Blit b = loadBlit();
    int32_t used = 0;
    do {
        int accesses = blitWord(b, start + used);
        used += BUS_ACCESS_CYCLES * accesses;
        engine.turnAccesses += accesses;
        if (!engine.running) break;
        if (!(b.control & BLIT_HOG) && engine.turnAccesses >= BLIT_TURN_ACCESSES) {
            engine.turnAccesses = 0;
            engine.processorTurnLeft = BLIT_TURN_ACCESSES * BUS_ACCESS_CYCLES;
            break;
        }
    } while (used < budget);
    storeBlit(b);
    return used;
}

int32_t blitterProcessorBudget(int32_t budget) {
    return engine.running ? std::min(budget, std::max(engine.processorTurnLeft, 1)) : budget;
}

void blitterProcessorRan(int32_t cycles) {
    if (engine.running) engine.processorTurnLeft -= cycles;
}

void blitterInstallRegisters(IoRegisterTable& t) {
    for (int offset = 0; offset < BLIT_REGISTERS_END; ++offset) {
        t.readByte[offset] = readByte;
        t.writeByte[offset] = writeByte;
    }
    for (int offset = 0; offset < BLIT_REGISTERS_END; offset += 2) {
        t.readWord[offset / 2] = readWord;
        t.writeWord[offset / 2] = writeWord;
    }
}
