// The STE blitter through its registers. Lines that skip their final source read, or
// add an extra first one, are checked against words worked out by hand from the pixels
// they copy. The other cases go against a model written here bit by bit: the source
// words run through a two-word buffer that the skew reads 16 bits from, the halftone
// operation picks the source or the pattern, the logic operation is the truth table in
// OP, and the end mask chooses between result and destination for every bit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "bus/memory_map.h"
#include "cpu/cpu.h"
#include "peripherals/blitter.h"
#include "support/test_machine.h"

namespace {

constexpr uint32_t MODEL_SPAN = 0x80000;  // the words the model keeps (all the tests use)

struct BlitSetup {
    uint16_t halftone[16];
    int16_t sourceX, sourceY;
    uint32_t source;
    uint16_t mask[3];
    int16_t destX, destY;
    uint32_t dest;
    uint16_t xCount, yCount;
    uint8_t hop, op, control, skew;
};

// ---- The model ----------------------------------------------------------------------
struct Model {
    std::vector<uint16_t> ram;  // words of ST RAM 0 .. MODEL_SPAN
    BlitSetup r;
    uint16_t older = 0, newer = 0;  // the last two source words fed, in reading order

    uint16_t& word(uint32_t a) { return ram[(a & (MODEL_SPAN - 1)) / 2]; }
    void feed(uint16_t w) { older = newer, newer = w; }

    void run() {
        for (; r.yCount; --r.yCount) {
            for (int w = 0; w < r.xCount; ++w) {
                bool first = w == 0, last = w == r.xCount - 1;
                if (first && (r.skew & 0x80)) feed(word(r.source)), r.source += r.sourceX;
                feed(word(r.source));
                r.source += last ? r.sourceY : r.sourceX;
                writeWord(first ? r.mask[0] : last ? r.mask[2] : r.mask[1]);
                r.dest += last ? r.destY : r.destX;
            }
            int line = r.control & 15;
            line = (line + (r.destY < 0 ? 15 : 1)) & 15;
            r.control = uint8_t((r.control & 0xF0) | line);
        }
        r.control &= 0x7F;
    }

    // Bit i of the skewed source: bit i + skew of the buffer, whose high half is the
    // older word going right and the newer word going left.
    int skewedBit(int i) const {
        uint16_t high = r.sourceX < 0 ? newer : older, low = r.sourceX < 0 ? older : newer;
        int pos = i + (r.skew & 15);
        return pos < 16 ? (low >> pos) & 1 : (high >> (pos - 16)) & 1;
    }

    void writeWord(uint16_t mask) {
        int index = r.control & 15;
        if (r.control & 0x20) {  // SMUDGE: the pattern line from the skewed source
            index = 0;
            for (int i = 0; i < 4; ++i) index |= skewedBit(i) << i;
        }
        uint16_t& d = word(r.dest);
        uint16_t out = 0;
        for (int i = 0; i < 16; ++i) {
            int s = skewedBit(i), h = (r.halftone[index] >> i) & 1, db = (d >> i) & 1;
            int src = r.hop == 0 ? 1 : r.hop == 1 ? h : r.hop == 2 ? s : s & h;
            int result = (r.op >> (3 - (2 * src + db))) & 1;
            out |= uint16_t(((mask >> i) & 1 ? result : db) << i);
        }
        d = out;
    }
};

// ---- The chip through the I/O dispatch ---------------------------------------------------
class BlitterTest : public ::testing::Test {
protected:
    void SetUp() override {
        setUpMemoryMap();
        hw.machineFlags = MACHINE_STE;
        busErrorPending = 0;
        blitterReset();
        for (uint32_t a = 0; a < BLIT_REGISTERS_END; a += 2) ioWriteWord(0xFF8A00 + a, 0, nullptr, 0);
    }
    void TearDown() override { hw.machineFlags = 0; }

    static void reg(int offset, uint16_t v) { ioWriteWord(0xFF8A00 + offset, v, nullptr, 0); }
    static uint16_t readReg(int offset) { return uint16_t(ioReadWord(0xFF8A00 + offset, nullptr, 0)); }

    // Writes every register, then the control byte (with BUSY when `start`).
    static void load(const BlitSetup& s) {
        for (int i = 0; i < 16; ++i) reg(BLIT_HALFTONE + 2 * i, s.halftone[i]);
        reg(BLIT_SOURCE_X_INCREMENT, uint16_t(s.sourceX));
        reg(BLIT_SOURCE_Y_INCREMENT, uint16_t(s.sourceY));
        reg(BLIT_SOURCE_ADDRESS, uint16_t(s.source >> 16)), reg(BLIT_SOURCE_ADDRESS + 2, uint16_t(s.source));
        for (int i = 0; i < 3; ++i) reg(BLIT_END_MASK_1 + 2 * i, s.mask[i]);
        reg(BLIT_DEST_X_INCREMENT, uint16_t(s.destX));
        reg(BLIT_DEST_Y_INCREMENT, uint16_t(s.destY));
        reg(BLIT_DEST_ADDRESS, uint16_t(s.dest >> 16)), reg(BLIT_DEST_ADDRESS + 2, uint16_t(s.dest));
        reg(BLIT_X_COUNT, s.xCount);
        reg(BLIT_Y_COUNT, s.yCount);
        reg(BLIT_HOP, uint16_t(s.hop << 8 | s.op));
        reg(BLIT_CONTROL, uint16_t((s.control | BLIT_BUSY) << 8 | s.skew));
    }
    // Runs the blit to its end, giving the processor its turns in the shared mode;
    // returns the number of blitter turns.
    static int runToEnd() {
        int turns = 0;
        while (hw.blitter[BLIT_CONTROL] & BLIT_BUSY) {
            if (blitterOwnsBus()) {
                cpu.odometer += blitterRun(cpu.odometer, 1 << 30);
                ++turns;
            } else {
                blitterProcessorRan(BLIT_TURN_ACCESSES * BUS_ACCESS_CYCLES);
            }
        }
        return turns;
    }

    static std::vector<uint16_t> ramWords() {
        std::vector<uint16_t> words(MODEL_SPAN / 2);
        for (uint32_t a = 0; a < MODEL_SPAN; a += 2) words[a / 2] = peekWord(a);
        return words;
    }
    // The registers the blit changes, as the model has them.
    static void expectRegisters(const Model& m) {
        EXPECT_EQ(uint32_t(readReg(BLIT_SOURCE_ADDRESS)) << 16 | readReg(BLIT_SOURCE_ADDRESS + 2),
                  m.r.source & 0xFFFFFE);
        EXPECT_EQ(uint32_t(readReg(BLIT_DEST_ADDRESS)) << 16 | readReg(BLIT_DEST_ADDRESS + 2), m.r.dest & 0xFFFFFE);
        EXPECT_EQ(readReg(BLIT_X_COUNT), m.r.xCount);
        EXPECT_EQ(readReg(BLIT_Y_COUNT), 0);
        EXPECT_EQ(readReg(BLIT_CONTROL) >> 8, m.r.control);
    }
};

uint32_t nextRandom(uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
}

// Source lines of 24 words at $10000 (both directions walk inside), destination lines
// of 24 words at $40000; 3 lines unless a case says otherwise.
BlitSetup caseSetup(uint32_t& seed, int skew, int flags, bool backwards, int hop, int op, int xCount) {
    BlitSetup s{};
    for (uint16_t& h : s.halftone) h = uint16_t(nextRandom(seed));
    for (uint16_t& m : s.mask) m = uint16_t(nextRandom(seed));
    int step = backwards ? -2 : 2;
    int reads = xCount + ((flags & BLIT_FXSR) ? 1 : 0);
    s.sourceX = int16_t(step);
    s.sourceY = int16_t(step * (25 - reads));  // lines 24 words apart
    s.source = backwards ? 0x10000 + 24 * 2 * 3 : 0x10000;
    s.destX = int16_t(step);
    s.destY = int16_t(step * (25 - xCount));
    s.dest = backwards ? 0x40000 + 24 * 2 * 3 : 0x40000;
    s.xCount = uint16_t(xCount);
    s.yCount = 3;
    s.hop = uint8_t(hop), s.op = uint8_t(op);
    s.control = uint8_t(nextRandom(seed) & 15);
    s.skew = uint8_t(flags | skew);
    return s;
}

// A copy (HOP source, OP source) of one line, every bit written.
BlitSetup copySetup(uint32_t source, uint32_t dest, uint16_t words) {
    BlitSetup s{};
    s.sourceX = s.destX = s.sourceY = s.destY = 2;
    s.source = source, s.dest = dest;
    s.mask[0] = s.mask[1] = s.mask[2] = 0xFFFF;
    s.xCount = words, s.yCount = 1;
    s.hop = 2, s.op = 3;
    return s;
}

TEST_F(BlitterTest, MatchesTheModel) {
    struct Case {
        std::string what;
        BlitSetup setup;
    };
    std::vector<Case> cases;
    uint32_t seed = 12345;
    const int flagSets[] = {0, BLIT_FXSR};
    for (int skew = 0; skew < 16; ++skew)
        for (int flags : flagSets)
            for (bool backwards : {false, true})
                cases.push_back({"skew " + std::to_string(skew) + " flags " + std::to_string(flags) +
                                     (backwards ? " backwards" : ""),
                                 caseSetup(seed, skew, flags, backwards, 2 + (skew & 1), 3 + 3 * (skew % 3), 5)});
    for (int hop = 0; hop < 4; ++hop)
        for (int op = 0; op < 16; ++op) {
            BlitSetup s = caseSetup(seed, op, BLIT_FXSR, hop & 1, hop, op, 4);
            if (op & 1) s.control |= BLIT_SMUDGE;
            cases.push_back({"HOP " + std::to_string(hop) + " OP " + std::to_string(op), s});
        }
    for (int flags : flagSets)
        cases.push_back({"one word a line, flags " + std::to_string(flags), caseSetup(seed, 7, flags, false, 2, 7, 1)});
    BlitSetup up = caseSetup(seed, 3, 0, false, 1, 3, 2);  // halftone only: the lines show the steps
    up.destY = -46, up.yCount = 20;
    cases.push_back({"line number stepping down", up});
    up.destY = 2, up.control = 14;
    cases.push_back({"line number stepping up through 15", up});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        for (uint32_t a = 0x10000; a < 0x50000; a += 2) stWriteWord(hw.ram, a, uint16_t(nextRandom(seed)));
        Model model{ramWords(), c.setup};
        model.run();
        load(c.setup);
        runToEnd();
        ASSERT_EQ(ramWords(), model.ram);
        expectRegisters(model);
    }
}

// Lines that skip their final source read (NFSR), some with an extra first one (FXSR),
// as TOS's raster copy sets them up: the Y increments count only the words a line reads.
// Every expected word is worked out from the pixels the blit copies; the source
// addresses the registers end on follow from the reads.
TEST_F(BlitterTest, LinesWithoutTheirFinalReadCopyThePixels) {
    constexpr uint32_t SOURCE = 0x10000, DEST = 0x20000, DEST_END = 0x20100;
    struct Case {
        const char* what;
        BlitSetup setup;
        std::vector<uint16_t> source;  // the source words from SOURCE on
        uint16_t destFill;             // every word from DEST to DEST_END before the blit
        std::vector<std::pair<uint32_t, uint16_t>> written;  // the words that change
        uint32_t sourceAfter, destAfter;
    };
    const Case cases[] = {
        // An icon drawn leftwards: 2 lines of 32 pixels (4 bytes) to pixels 4-35 of a
        // low-resolution line (words 8 bytes apart, lines 160), bottom line first.
        // Shifted right by 4 pixels, line 1's $9ABC $DEF7 becomes $09AB $CDEF $7000, line
        // 0's $1234 $5678 becomes $0123 $4567 $8000; OP 4 over $FFFF inverts them inside
        // the masks (first word written is the rightmost: mask $F000).
        {"leftwards, skew 4, no final read",
         {{}, -2, -2, SOURCE + 6, {0xF000, 0xFFFF, 0x0FFF}, -8, -144, DEST + 160 + 16, 3, 2, 2, 4, 0, BLIT_NFSR | 4},
         {0x1234, 0x5678, 0x9ABC, 0xDEF7},
         0xFFFF,
         {{DEST, 0xFEDC}, {DEST + 8, 0xBA98}, {DEST + 16, 0x7FFF},
          {DEST + 160, 0xF654}, {DEST + 168, 0x3210}, {DEST + 176, 0x8FFF}},
         SOURCE - 2, DEST - 144},
        // The same to pixels 5-36 with OP 7 over 0: line 0's solid pixels show the masks;
        // line 1's pixels 0, 15, 16 and 31 land on 5, 20, 21 and 36.
        {"leftwards, skew 5, no final read",
         {{}, -2, -2, SOURCE + 6, {0xF800, 0xFFFF, 0x07FF}, -8, -144, DEST + 160 + 16, 3, 2, 2, 7, 0, BLIT_NFSR | 5},
         {0xFFFF, 0xFFFF, 0x8001, 0x8001},
         0x0000,
         {{DEST, 0x07FF}, {DEST + 8, 0xFFFF}, {DEST + 16, 0xF800},
          {DEST + 160, 0x0400}, {DEST + 168, 0x0C00}, {DEST + 176, 0x0800}},
         SOURCE - 2, DEST - 144},
        // Pixels 0-27 of 2-word lines to pixels 8-35 of 4-word lines, rightwards: $ABCD
        // $1234 becomes $00AB $CD12 $3400, $5678 $9ABC becomes $0056 $789A $BC00, copied
        // (OP 3) over $FFFF inside the masks.
        {"rightwards, skew 8, no final read",
         {{}, 2, 2, SOURCE, {0x00FF, 0xFFFF, 0xF000}, 2, 4, DEST, 3, 2, 2, 3, 0, BLIT_NFSR | 8},
         {0xABCD, 0x1234, 0x5678, 0x9ABC},
         0xFFFF,
         {{DEST, 0xFFAB}, {DEST + 2, 0xCD12}, {DEST + 4, 0x3FFF},
          {DEST + 8, 0xFF56}, {DEST + 10, 0x789A}, {DEST + 12, 0xBFFF}},
         SOURCE + 8, DEST + 16},
        // Pixels 4-27 of 2-word lines to the same pixels, leftwards: the extra first read
        // takes the rightmost word, the word left of it comes second, no read is left for
        // the last word.
        {"leftwards, aligned, extra first read, no final read",
         {{}, -2, -2, SOURCE + 6, {0xFFF0, 0xFFFF, 0x0FFF}, -2, -2, DEST + 6, 2, 2, 2, 3, 0, BLIT_FXSR | BLIT_NFSR},
         {0x1111, 0x2222, 0x3333, 0x4444},
         0x0000,
         {{DEST, 0x0111}, {DEST + 2, 0x2220}, {DEST + 4, 0x0333}, {DEST + 6, 0x4440}},
         SOURCE - 2, DEST - 2},
        // Pixels 4-23 to pixels 2-21, rightwards: two pixels to the left (skew 14). $0F0F
        // $F0F0 puts pixels 2-5, 10-17 on; $1234 $5678 gives $48D1 $59E1 in the masks.
        {"rightwards, skew 14, extra first read, no final read",
         {{}, 2, 2, SOURCE, {0x3FFF, 0xFFFF, 0xFC00}, 2, 2, DEST, 2, 2, 2, 3, 0, BLIT_FXSR | BLIT_NFSR | 14},
         {0x0F0F, 0xF0F0, 0x1234, 0x5678},
         0x0000,
         {{DEST, 0x3C3F}, {DEST + 2, 0xC000}, {DEST + 4, 0x08D1}, {DEST + 6, 0x5800}},
         SOURCE + 8, DEST + 8},
        // One word a line read once, by the extra first read; the first word's mask holds.
        {"one word a line, extra first read, no final read",
         {{}, -2, 4, SOURCE, {0x0FF0, 0xFFFF, 0xFFFF}, 2, 4, DEST, 1, 2, 2, 3, 0, BLIT_FXSR | BLIT_NFSR},
         {0xABCD, 0x0000, 0x1234},
         0x0000,
         {{DEST, 0x0BC0}, {DEST + 4, 0x0230}},
         SOURCE + 8, DEST + 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        for (size_t i = 0; i < c.source.size(); ++i) stWriteWord(hw.ram, SOURCE + 2 * uint32_t(i), c.source[i]);
        for (uint32_t a = DEST; a < DEST_END; a += 2) stWriteWord(hw.ram, a, c.destFill);
        load(c.setup);
        runToEnd();
        for (uint32_t a = DEST; a < DEST_END; a += 2) {
            uint16_t expected = c.destFill;
            for (auto [at, word] : c.written)
                if (at == a) expected = word;
            EXPECT_EQ(peekWord(a), expected) << std::hex << "at $" << a;
        }
        EXPECT_EQ(uint32_t(readReg(BLIT_SOURCE_ADDRESS)) << 16 | readReg(BLIT_SOURCE_ADDRESS + 2), c.sourceAfter);
        EXPECT_EQ(uint32_t(readReg(BLIT_DEST_ADDRESS)) << 16 | readReg(BLIT_DEST_ADDRESS + 2), c.destAfter);
        EXPECT_EQ(readReg(BLIT_X_COUNT), c.setup.xCount);
        EXPECT_EQ(readReg(BLIT_Y_COUNT), 0);
    }
}

// A blit of N lines run whole in the shared mode (stopped at every bus turn) or as N
// blits of one line leaves the same memory and registers: the registers hold the whole
// state of a stopped blit.
TEST_F(BlitterTest, ABlitRunInPiecesEndsAsTheWholeBlit) {
    uint32_t seed = 99;
    BlitSetup s = caseSetup(seed, 5, BLIT_NFSR, false, 3, 6, 7);
    s.yCount = 6;
    for (uint32_t a = 0x10000; a < 0x50000; a += 2) stWriteWord(hw.ram, a, uint16_t(nextRandom(seed)));
    std::vector<uint16_t> before = ramWords();
    auto registers = [] {
        std::vector<uint16_t> words;
        for (int offset = BLIT_SOURCE_X_INCREMENT; offset < BLIT_REGISTERS_END; offset += 2)
            words.push_back(readReg(offset));
        return words;
    };

    load(s);
    EXPECT_EQ(runToEnd(), 2) << "6 lines of 6 source reads, 7 destination reads and 7 writes";
    std::vector<uint16_t> whole = ramWords(), wholeRegisters = registers();
    EXPECT_NE(whole, before);

    SetUp();
    for (uint32_t a = 0; a < MODEL_SPAN; a += 2) stWriteWord(hw.ram, a, before[a / 2]);
    BlitSetup one = s;
    one.yCount = 1;
    load(one);
    runToEnd();
    for (int line = 1; line < 6; ++line) {
        reg(BLIT_Y_COUNT, 1);
        reg(BLIT_CONTROL, uint16_t((hw.blitter[BLIT_CONTROL] | BLIT_BUSY) << 8 | hw.blitter[BLIT_SKEW]));
        runToEnd();
    }
    EXPECT_EQ(ramWords(), whole);
    EXPECT_EQ(registers(), wholeRegisters);
}

TEST_F(BlitterTest, RegistersReadBackWhatTheChipHolds) {
    for (int offset = 0; offset < BLIT_CONTROL; offset += 2) reg(offset, 0xFFFF);
    reg(BLIT_Y_COUNT, 0);
    reg(BLIT_CONTROL, 0xFFFF);  // BUSY with no line to do: nothing runs
    EXPECT_FALSE(blitterOwnsBus());
    const uint16_t expected[] = {0xFFFE, 0xFFFE, 0x00FF, 0xFFFE, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFE,
                                 0xFFFE, 0x00FF, 0xFFFE, 0xFFFF, 0x0000, 0x030F, 0x6FCF};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(readReg(BLIT_HALFTONE + 2 * i), 0xFFFF);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(readReg(BLIT_SOURCE_X_INCREMENT + 2 * i), expected[i]) << i;
    EXPECT_EQ(ioReadByte(0xFF8A3C, nullptr, 0), 0x6Fu);
    EXPECT_EQ(ioReadWord(0xFF8A3E, nullptr, 0), 0xFFFFu) << "past the registers";

    // A blit's bus accesses: source read, destination read where the operation or a
    // partial mask needs it, destination write.
    BlitSetup s = copySetup(0x10000, 0x20000, 10);
    const struct {
        int op;
        int32_t cycles;
    } costs[] = {{3, 10 * 8}, {6, 10 * 12}, {15, 10 * 4}, {5, 10 * 8}};
    for (auto c : costs) {
        s.op = uint8_t(c.op);
        load(s);
        cpu.odometer = 0;
        runToEnd();
        EXPECT_EQ(cpu.odometer, c.cycles) << "OP " << c.op;
    }
}

TEST_F(BlitterTest, BusyStartsAndStopsAndTheStepsAreInterleaved) {
    BlitSetup s = copySetup(0x10000, 0x20000, 0);  // X count 0: 65,536 words a line
    s.yCount = 2, s.op = 15, s.control = BLIT_HOG;
    load(s);
    EXPECT_TRUE(blitterOwnsBus());
    EXPECT_EQ(readReg(BLIT_CONTROL) >> 8, BLIT_BUSY | BLIT_HOG);
    EXPECT_EQ(blitterRun(0, 1000), 1000);  // a step: about the budget, then back to the frame loop
    EXPECT_EQ(readReg(BLIT_X_COUNT), 65536 - 250);
    EXPECT_EQ(peekWord(0x20000 + 2 * 249), 0xFFFF);
    EXPECT_EQ(peekWord(0x20000 + 2 * 250), 0);

    reg(BLIT_CONTROL, BLIT_HOG << 8);  // clearing BUSY stops the blit where it stands
    EXPECT_FALSE(blitterOwnsBus());
    reg(BLIT_CONTROL, (BLIT_BUSY | BLIT_HOG) << 8);
    runToEnd();
    EXPECT_EQ(peekWord(0x20000 + 2 * 131071), 0xFFFF);
    EXPECT_EQ(readReg(BLIT_Y_COUNT), 0);
    EXPECT_EQ(readReg(BLIT_X_COUNT), 0);

    // The shared mode: 64 blitter accesses, then the processor's turn of as long.
    s.control = 0, s.xCount = 100;
    load(s);
    blitterRun(cpu.odometer, 1 << 30);
    EXPECT_FALSE(blitterOwnsBus());
    EXPECT_EQ(blitterProcessorBudget(10000), BLIT_TURN_ACCESSES * BUS_ACCESS_CYCLES);
    blitterProcessorRan(BLIT_TURN_ACCESSES * BUS_ACCESS_CYCLES);
    EXPECT_TRUE(blitterOwnsBus());
}

TEST_F(BlitterTest, TheBlitterReadsTheRomAndWritesNeitherRomNorTheResetVectors) {
    stWriteWord(hw.rom, 0x100, 0xBEEF);
    BlitSetup s = copySetup(0xFC0100, 0x20000, 1);
    load(s);
    runToEnd();
    EXPECT_EQ(peekWord(0x20000), 0xBEEF);

    stWriteWord(hw.ram, 4, 0x00FC);
    s.source = 0x20000, s.dest = 0x000004;
    load(s);
    runToEnd();
    EXPECT_EQ(peekWord(4), 0x00FC);
    s.dest = 0xFC0100, s.source = 0x10000;
    load(s);
    runToEnd();
    EXPECT_EQ(stReadWord(hw.rom, 0x100), 0xBEEF);
}

TEST_F(BlitterTest, NotAnSteBusErrorAndNoBlit) {
    hw.machineFlags = 0;
    ioWriteByte(0xFF8A3C, BLIT_BUSY, nullptr, 0);
    EXPECT_TRUE(busErrorPending);
    EXPECT_FALSE(blitterOwnsBus());
    busErrorPending = 0;
}

// ---- A 68000 program on an STE drives it -------------------------------------------------
TEST(BlitterMachine, PollingACopyAndAHugeBlitOverFrames) {
    TestMachineSetup setup;
    setup.rom = m68kProgramPath("blitter_poll");
    setup.ste = true;
    startTestMachine(setup);
    ASSERT_FALSE(HasFatalFailure());
    runTestFrames(3);
    ASSERT_EQ(peekLong(0x1008C), 0x48554745u) << "the program did not reach the huge blit";

    // The copy: polled a few times (once per blitter turn), every word in place, the
    // registers counted to the end.
    uint32_t polls = peekLong(0x10040);
    EXPECT_GE(polls, 2u);
    EXPECT_LE(polls, 20u);
    for (uint32_t line = 0; line < 16; ++line)
        for (uint32_t w = 0; w < 20; ++w) ASSERT_EQ(peekWord(0x40000 + line * 80 + w * 2), line * 20 + w);
    const uint32_t after = 0x10044;
    EXPECT_EQ(peekLong(after + 0x24), 0x30000u + 16 * 40);
    EXPECT_EQ(peekLong(after + 0x32), 0x40000u + 16 * 80);
    EXPECT_EQ(peekWord(after + 0x36), 20);
    EXPECT_EQ(peekWord(after + 0x38), 0);
    EXPECT_EQ(peekWord(after + 0x3C), 0x0000) << "BUSY clear, line number back to 0 after 16 lines";

    // The huge blit shares the bus: frames go on, the vertical blank counts, the program
    // sees the Y count go down.
    uint32_t vblsBefore = peekLong(0x10084);
    runTestFrames(20);
    EXPECT_GE(peekLong(0x10084) - vblsBefore, 19u);
    uint16_t y = peekWord(0x10088);
    EXPECT_LT(y, 0xFFFF - 3);
    EXPECT_GT(y, 0xFFFF - 20);
    EXPECT_TRUE(hw.blitter[BLIT_CONTROL] & BLIT_BUSY);
    stopTestMachine();
}

}  // namespace
