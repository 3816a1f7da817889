// The 68000 disassembler. The top ten bits of the opcode select a routine, one per
// instruction group and operand layout, and the size of the group's immediates; the
// six-bit effective-address fields go through a table of 64 formatters. Validity is the
// 68000's own: an addressing mode that the instruction does not allow makes the word
// no instruction, as the processor raises its illegal-instruction exception for it.
#include "cpu/disassembler.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <utility>

#include "bus/memory_map.h"
#include "cpu/cpu.h"

char disassemblyText[DISASSEMBLY_TEXT_SIZE];

static uint32_t instructionAddress;  // the opcode's address
static uint32_t wordAddress;         // the next word to read
static int textLength;
static int operandSize;  // of the opcode's immediates: 0 byte, 1 word, 2 long

static const char* const SIZE_SUFFIX[3] = {".b", ".w", ".l"};
static const char* const CONDITIONS[16] = {"t",  "f",  "hi", "ls", "cc", "cs", "ne", "eq",
                                           "vc", "vs", "pl", "mi", "ge", "lt", "gt", "le"};

static uint16_t nextWord() {
    uint16_t word = uint16_t(peekWordMapped(wordAddress, cpu.odometer));  // all ones when nothing answers
    wordAddress = (wordAddress + 2) & ADDRESS_MASK;
    return word;
}

[[gnu::format(printf, 1, 2)]] static void emit(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(disassemblyText + textLength, size_t(DISASSEMBLY_TEXT_SIZE - textLength), format, args);
    va_end(args);
    if (n > 0) textLength = std::min(textLength + n, DISASSEMBLY_TEXT_SIZE - 1);
}

// The mnemonic field is 8 characters wide: operands start in column 9.
static void padMnemonic() {
    if (textLength < 8) emit("%*s", 8 - textLength, "");
}
static void mnemonic(const char* name, const char* suffix = "") {
    emit("%s%s", name, suffix);
    padMnemonic();
}
static const char* sized() { return SIZE_SUFFIX[operandSize]; }

// Displacements of indexed forms: sign character and magnitude.
static void signedHex(int value) { emit("%c$%X", value < 0 ? '-' : '+', unsigned(value < 0 ? -value : value)); }
// The brief extension word's index register: bit 15 address or data, bits 14-12 its
// number, bit 11 long or sign-extended word. Bits 10-8 play no part on the 68000.
static char indexKind(uint16_t ext) { return ext & 0x8000 ? 'a' : 'd'; }
static int indexNumber(uint16_t ext) { return (ext >> 12) & 7; }

// ---- Effective addresses -------------------------------------------------------------

static void immediate() {
    uint32_t value = nextWord();
    if (operandSize == 0) value &= 0xFF;  // a byte immediate is the low half of its word
    if (operandSize == 2) value = value << 16 | nextWord();
    emit("#$%X", value);
}

template <int Field> static void formatEa() {
    constexpr int mode = Field >> 3, reg = Field & 7;
    if constexpr (mode == 0) {
        emit("d%d", reg);
    } else if constexpr (mode == 1) {
        emit("a%d", reg);
    } else if constexpr (mode == 2) {
        emit("(a%d)", reg);
    } else if constexpr (mode == 3) {
        emit("(a%d)+", reg);
    } else if constexpr (mode == 4) {
        emit("-(a%d)", reg);
    } else if constexpr (mode == 5) {
        signedHex(int16_t(nextWord()));
        emit("(a%d)", reg);
    } else if constexpr (mode == 6) {
        uint16_t ext = nextWord();
        signedHex(int8_t(ext));
        emit("(a%d,%c%d.%c)", reg, indexKind(ext), indexNumber(ext), ext & 0x800 ? 'l' : 'w');
    } else if constexpr (reg == 0) {  // abs.W, sign-extended to a 32-bit address
        uint16_t word = nextWord();
        emit("$%s%X.W", word & 0x8000 ? "FFFF" : "", word);
    } else if constexpr (reg == 1) {
        uint32_t high = nextWord();
        emit("$%X", high << 16 | nextWord());
    } else if constexpr (reg == 2) {  // PC-relative: the target counts from the extension word
        uint32_t base = wordAddress;
        emit("$%X(pc)", (base + int16_t(nextWord())) & ADDRESS_MASK);
    } else if constexpr (reg == 3) {
        uint32_t base = wordAddress;
        uint16_t ext = nextWord();
        emit("$%X(pc,%c%d)", (base + int8_t(ext)) & ADDRESS_MASK, indexKind(ext), indexNumber(ext));
    } else if constexpr (reg == 4) {
        immediate();
    } else {
        emit("????");  // fields $3D-$3F name no addressing mode
    }
}

using EaFormatter = void (*)();
template <size_t... Field> static constexpr std::array<EaFormatter, 64> eaFormatters(std::index_sequence<Field...>) {
    return {{&formatEa<int(Field)>...}};
}
static constexpr std::array<EaFormatter, 64> EaFormatters = eaFormatters(std::make_index_sequence<64>());

static void ea(int field) { EaFormatters[field & 0x3F](); }
static void immediateOperand() { ea(0x3C); }

// Addressing-mode classes of the 68000 manual as sets of the twelve modes, bit n for
// mode n in the order Dn, An, (An), (An)+, -(An), d16(An), d8(An,Xn), abs.W, abs.L,
// d16(PC), d8(PC,Xn), #imm.
constexpr uint16_t ALL_MODES = 0xFFF;
constexpr uint16_t DATA_REGISTER = 1 << 0;
constexpr uint16_t ADDRESS_REGISTER = 1 << 1;
constexpr uint16_t POSTINCREMENT = 1 << 3;
constexpr uint16_t PREDECREMENT = 1 << 4;
constexpr uint16_t IMMEDIATE = 1 << 11;
constexpr uint16_t DATA_MODES = ALL_MODES & ~ADDRESS_REGISTER;
constexpr uint16_t MEMORY_ALTERABLE = 0x1FC;  // (An) to abs.L
constexpr uint16_t DATA_ALTERABLE = MEMORY_ALTERABLE | DATA_REGISTER;
constexpr uint16_t ALTERABLE = DATA_ALTERABLE | ADDRESS_REGISTER;
constexpr uint16_t CONTROL = 0x7E4;  // (An), d16(An) to d8(PC,Xn)
constexpr uint16_t CONTROL_ALTERABLE = CONTROL & ALTERABLE;

static bool allows(uint16_t modes, int field) {
    int mode = (field >> 3) & 7, reg = field & 7;
    int n = mode < 7 ? mode : reg <= 4 ? 7 + reg : 12;  // 12: no mode
    return (modes >> n) & 1;
}
static int modeOf(uint16_t op) { return (op >> 3) & 7; }
static int lowRegister(uint16_t op) { return op & 7; }
static int highRegister(uint16_t op) { return (op >> 9) & 7; }

// ---- Instruction routines ------------------------------------------------------------

static void noInstruction(uint16_t op) {
    textLength = 0;
    mnemonic("dc.w");
    emit("$%X", op);
    wordAddress = (instructionAddress + 2) & ADDRESS_MASK;
}

// Line 0: immediates, bit operations, MOVEP.
static const char* const IMMEDIATE_NAMES[8] = {"ori", "andi", "subi", "addi", nullptr, "eori", "cmpi", nullptr};

static void opImmediate(uint16_t op) {
    if (!allows(DATA_ALTERABLE, op)) return noInstruction(op);
    mnemonic(IMMEDIATE_NAMES[highRegister(op)], sized());
    immediateOperand();
    emit(",");
    ea(op);
}
// ORI, ANDI and EORI also reach the condition codes (byte) and the whole SR (word)
// through the immediate mode's field.
static void opLogicImmediate(uint16_t op) {
    if ((op & 0x3F) != 0x3C || operandSize == 2) return opImmediate(op);
    mnemonic(IMMEDIATE_NAMES[highRegister(op)], sized());
    immediateOperand();
    emit(operandSize == 0 ? ",ccr" : ",sr");
}

static const char* const BIT_NAMES[4] = {"btst", "bchg", "bclr", "bset"};

// The bit number is the low byte of its word.
static void opBitStatic(uint16_t op) {
    int kind = (op >> 6) & 3;
    if (!allows(kind == 0 ? DATA_MODES & ~IMMEDIATE : DATA_ALTERABLE, op)) return noInstruction(op);
    mnemonic(BIT_NAMES[kind]);
    immediateOperand();
    emit(",");
    ea(op);
}

// MOVEP moves a register's bytes to or from every other byte of memory; it takes the
// address-register field that the dynamic bit operations leave out.
static void opBitDynamicOrMovep(uint16_t op) {
    if (modeOf(op) == 1) {
        mnemonic("movep", op & 0x40 ? ".l" : ".w");
        int address = 0x28 | lowRegister(op);  // d16(An)
        if (op & 0x80) {
            emit("d%d,", highRegister(op));
            ea(address);
        } else {
            ea(address);
            emit(",d%d", highRegister(op));
        }
        return;
    }
    int kind = (op >> 6) & 3;
    if (!allows(kind == 0 ? DATA_MODES : DATA_ALTERABLE, op)) return noInstruction(op);
    mnemonic(BIT_NAMES[kind]);
    emit("d%d,", highRegister(op));
    ea(op);
}

// Lines 1-3: MOVE and MOVEA. The destination field has its register and mode swapped.
static int moveDestination(uint16_t op) { return ((op >> 3) & 0x38) | highRegister(op); }

static void opMove(uint16_t op) {
    int destination = moveDestination(op);
    if (!allows(operandSize == 0 ? DATA_MODES : ALL_MODES, op) || !allows(DATA_ALTERABLE, destination))
        return noInstruction(op);
    mnemonic("move", sized());
    ea(op);
    emit(",");
    ea(destination);
}
static void opMoveAddress(uint16_t op) {
    if (!allows(ALL_MODES, op)) return noInstruction(op);
    mnemonic("movea", sized());
    ea(op);
    emit(",a%d", highRegister(op));
}

// Line 4: the single-operand group and the system instructions.
static void opSingleOperand(uint16_t op) {
    static const char* const names[8] = {"negx", "clr", "neg", "not", nullptr, "tst", nullptr, nullptr};
    if (!allows(DATA_ALTERABLE, op)) return noInstruction(op);
    mnemonic(names[highRegister(op)], sized());
    ea(op);
}
static void opMoveFromSr(uint16_t op) {
    if (!allows(DATA_ALTERABLE, op)) return noInstruction(op);
    mnemonic("move.w");
    emit("sr,");
    ea(op);
}
// MOVE to CCR ($44C0) and to SR ($46C0).
static void opMoveToStatus(uint16_t op) {
    if (!allows(DATA_MODES, op)) return noInstruction(op);
    mnemonic("move.w");
    ea(op);
    emit(op & 0x200 ? ",sr" : ",ccr");
}
static void opCheck(uint16_t op) {
    if (!allows(DATA_MODES, op)) return noInstruction(op);
    mnemonic("chk.w");
    ea(op);
    emit(",d%d", highRegister(op));
}
static void opLoadAddress(uint16_t op) {
    if (!allows(CONTROL, op)) return noInstruction(op);
    mnemonic("lea");
    ea(op);
    emit(",a%d", highRegister(op));
}
static void opNbcd(uint16_t op) {
    if (!allows(DATA_ALTERABLE, op)) return noInstruction(op);
    mnemonic("nbcd");
    ea(op);
}
static void opSwapOrPea(uint16_t op) {
    if (modeOf(op) == 0) {
        mnemonic("swap");
        emit("d%d", lowRegister(op));
        return;
    }
    if (!allows(CONTROL, op)) return noInstruction(op);
    mnemonic("pea");
    ea(op);
}
static void opTasOrIllegal(uint16_t op) {
    if (op == 0x4AFC) return mnemonic("illegal");  // the one opcode reserved to be illegal
    if (!allows(DATA_ALTERABLE, op)) return noInstruction(op);
    mnemonic("tas");
    ea(op);
}

// MOVEM register lists: runs of two or more registers as "d0-d3", joined by "/". The
// predecrement form stores its mask reversed (bit 0 is A7). An empty list shows the
// mask itself.
static void registerList(uint16_t mask, bool reversed) {
    if (reversed) {
        uint16_t straight = 0;
        for (int i = 0; i < 16; ++i)
            if (mask & (1 << i)) straight |= uint16_t(0x8000 >> i);
        mask = straight;
    }
    if (!mask) return emit("#$0");
    const char* separator = "";
    for (int i = 0; i < 16;) {
        if (!(mask & (1 << i))) {
            ++i;
            continue;
        }
        int last = i;
        while (last % 8 != 7 && (mask & (1 << (last + 1)))) ++last;
        char kind = i < 8 ? 'd' : 'a';
        emit("%s%c%d", separator, kind, i % 8);
        if (last > i) emit("-%c%d", kind, last % 8);
        separator = "/";
        i = last + 1;
    }
}
// $4880/$48C0: EXT on a data register, otherwise MOVEM registers to memory.
static void opExtOrMovemStore(uint16_t op) {
    if (modeOf(op) == 0) {
        mnemonic("ext", sized());
        emit("d%d", lowRegister(op));
        return;
    }
    if (!allows(CONTROL_ALTERABLE | PREDECREMENT, op)) return noInstruction(op);
    mnemonic("movem", sized());
    registerList(nextWord(), modeOf(op) == 4);
    emit(",");
    ea(op);
}
static void opMovemLoad(uint16_t op) {
    if (!allows(CONTROL | POSTINCREMENT, op)) return noInstruction(op);
    mnemonic("movem", sized());
    uint16_t mask = nextWord();  // the mask word comes before the address's extension
    ea(op);
    emit(",");
    registerList(mask, false);
}
static void opJump(uint16_t op) {
    if (!allows(CONTROL, op)) return noInstruction(op);
    mnemonic(op & 0x40 ? "jmp" : "jsr");
    ea(op);
}
// $4E40-$4E7F: TRAP, LINK, UNLK, MOVE USP and the instructions without operands.
static void opSystem(uint16_t op) {
    int reg = lowRegister(op);
    switch ((op >> 3) & 7) {
    case 0:
    case 1:
        mnemonic("trap");
        return emit("#%d", op & 15);
    case 2:
        mnemonic("link");
        emit("a%d,", reg);
        return immediateOperand();
    case 3:
        mnemonic("unlk");
        return emit("a%d", reg);
    case 4:
        mnemonic("move.l");
        return emit("a%d,usp", reg);
    case 5:
        mnemonic("move.l");
        return emit("usp,a%d", reg);
    }
    static const char* const names[8] = {"reset", "nop", "stop", "rte", nullptr, "rts", "trapv", "rtr"};
    if (op > 0x4E77 || !names[reg]) return noInstruction(op);
    mnemonic(names[reg]);
    if (op == 0x4E72) immediateOperand();
}

// Line 5: ADDQ, SUBQ, Scc, DBcc. The quick value 0 stands for 8.
static void opQuick(uint16_t op) {
    if (!allows(operandSize == 0 ? DATA_ALTERABLE : ALTERABLE, op)) return noInstruction(op);
    mnemonic(op & 0x100 ? "subq" : "addq", sized());
    emit("#%d,", highRegister(op) ? highRegister(op) : 8);
    ea(op);
}
static void opSetOrDecrement(uint16_t op) {
    const char* condition = CONDITIONS[(op >> 8) & 15];
    if (modeOf(op) == 1) {
        uint32_t base = wordAddress;  // the displacement counts from its own word
        int16_t displacement = int16_t(nextWord());
        emit("db%s", condition);
        padMnemonic();
        return emit("d%d,$%X", lowRegister(op), (base + displacement) & ADDRESS_MASK);
    }
    if (!allows(DATA_ALTERABLE, op)) return noInstruction(op);
    emit("s%s", condition);
    padMnemonic();
    ea(op);
}

// Line 6: BRA, BSR, Bcc. A zero byte displacement announces a word displacement.
static void opBranch(uint16_t op) {
    int condition = (op >> 8) & 15;
    uint32_t base = wordAddress;
    int displacement = int8_t(op);
    const char* size = ".s";
    if (!displacement) {
        displacement = int16_t(nextWord());
        size = ".w";
    }
    if (condition < 2) emit("%s%s", condition ? "bsr" : "bra", size);
    else emit("b%s%s", CONDITIONS[condition], size);
    padMnemonic();
    emit("$%X", (base + displacement) & ADDRESS_MASK);
}

// Line 7.
static void opMoveq(uint16_t op) {
    mnemonic("moveq");
    emit("#$%X,d%d", op & 0xFF, highRegister(op));
}

// Lines 8, 9, B, C, D: two-operand arithmetic with a data or address register.
static const char* lineName(uint16_t op) {
    switch (op >> 12) {
    case 0x8: return "or";
    case 0x9: return "sub";
    case 0xB: return "cmp";
    case 0xC: return "and";
    default: return "add";
    }
}
static void toDataRegister(uint16_t op, const char* name, uint16_t modes) {
    if (!allows(modes, op)) return noInstruction(op);
    mnemonic(name, sized());
    ea(op);
    emit(",d%d", highRegister(op));
}
// OR, AND: data modes only. ADD, SUB, CMP: any mode, but no byte access to An.
static void opLogicToRegister(uint16_t op) { toDataRegister(op, lineName(op), DATA_MODES); }
static void opArithToRegister(uint16_t op) {
    toDataRegister(op, lineName(op), operandSize == 0 ? DATA_MODES : ALL_MODES);
}
static void opMulDiv(uint16_t op) {
    bool isSigned = op & 0x100;
    const char* name = op >> 12 == 0x8 ? (isSigned ? "divs" : "divu") : isSigned ? "muls" : "mulu";
    toDataRegister(op, name, DATA_MODES);
}
static void opToAddressRegister(uint16_t op) {
    if (!allows(ALL_MODES, op)) return noInstruction(op);
    emit("%sa%s", lineName(op), sized());
    padMnemonic();
    ea(op);
    emit(",a%d", highRegister(op));
}
static void toMemory(uint16_t op, uint16_t modes) {
    if (!allows(modes, op)) return noInstruction(op);
    mnemonic(lineName(op), sized());
    emit("d%d,", highRegister(op));
    ea(op);
}
// ABCD, SBCD, ADDX, SUBX: register to register, or -(Ay) to -(Ax) when bit 3 is set.
static void registerPair(uint16_t op, const char* name, const char* suffix) {
    mnemonic(name, suffix);
    if (op & 8) emit("-(a%d),-(a%d)", lowRegister(op), highRegister(op));
    else emit("d%d,d%d", lowRegister(op), highRegister(op));
}
// OR/AND Dn,<ea>, where the register modes hold SBCD, ABCD and EXG.
static void opLogicToMemory(uint16_t op) {
    int opmode = (op >> 6) & 7, mode = modeOf(op);
    if (mode > 1) return toMemory(op, MEMORY_ALTERABLE);
    if (opmode == 4) return registerPair(op, op >> 12 == 0x8 ? "sbcd" : "abcd", "");
    if (op >> 12 == 0xC && (opmode == 5 || mode == 1)) {
        mnemonic("exg");
        char first = opmode == 5 && mode == 1 ? 'a' : 'd', second = mode == 1 ? 'a' : 'd';
        return emit("%c%d,%c%d", first, highRegister(op), second, lowRegister(op));
    }
    noInstruction(op);
}
// ADD/SUB Dn,<ea>, where the register modes hold ADDX and SUBX.
static void opArithToMemory(uint16_t op) {
    if (modeOf(op) > 1) return toMemory(op, MEMORY_ALTERABLE);
    registerPair(op, op >> 12 == 0x9 ? "subx" : "addx", sized());
}
// EOR Dn,<ea>, where the address-register mode holds CMPM.
static void opEorOrCmpm(uint16_t op) {
    if (modeOf(op) != 1) {
        if (!allows(DATA_ALTERABLE, op)) return noInstruction(op);
        mnemonic("eor", sized());
        emit("d%d,", highRegister(op));
        return ea(op);
    }
    mnemonic("cmpm", sized());
    emit("(a%d)+,(a%d)+", lowRegister(op), highRegister(op));
}

// Line E: shifts and rotates. Register forms count by an immediate 1-8 (0 is 8) or by
// a data register; memory forms shift a word by one.
static const char* const SHIFT_NAMES[4] = {"as", "ls", "rox", "ro"};

static void opShiftRegister(uint16_t op) {
    emit("%s%c%s", SHIFT_NAMES[(op >> 3) & 3], op & 0x100 ? 'l' : 'r', sized());
    padMnemonic();
    int count = highRegister(op);
    if (op & 0x20) emit("d%d,", count);
    else emit("#%d,", count ? count : 8);
    emit("d%d", lowRegister(op));
}
static void opShiftMemory(uint16_t op) {
    if (!allows(MEMORY_ALTERABLE, op)) return noInstruction(op);
    emit("%s%c.w", SHIFT_NAMES[(op >> 9) & 3], op & 0x100 ? 'l' : 'r');
    padMnemonic();
    ea(op);
}

// ---- Dispatch tables -----------------------------------------------------------------

using DisasmRoutine = void (*)(uint16_t op);

// The routine for the opcodes whose top ten bits are `group`: line in bits 9-6, the
// register field (opcode bits 11-9) in bits 5-3, the operation mode (bits 8-6) in 2-0.
// Line A and line F words are no 68000 instructions (they trap to emulation routines).
static constexpr DisasmRoutine routineFor(int group) {
    int line = group >> 6, high = (group >> 3) & 7, opmode = group & 7;
    bool sizeField = (opmode & 3) != 3;  // bits 7-6 hold a size 0-2
    switch (line) {
    case 0x0:
        if (opmode >= 4) return opBitDynamicOrMovep;
        if (high == 4) return opBitStatic;
        if (!sizeField || high == 7) return noInstruction;
        return high == 0 || high == 1 || high == 5 ? opLogicImmediate : opImmediate;
    case 0x1: return opmode == 1 ? noInstruction : opMove;  // no byte MOVEA
    case 0x2:
    case 0x3: return opmode == 1 ? opMoveAddress : opMove;
    case 0x4:
        if (opmode == 6) return opCheck;
        if (opmode == 7) return opLoadAddress;
        if (opmode >= 4) return noInstruction;
        switch (high) {
        case 0: return opmode == 3 ? opMoveFromSr : opSingleOperand;
        case 1: return opmode == 3 ? noInstruction : opSingleOperand;
        case 2:
        case 3: return opmode == 3 ? opMoveToStatus : opSingleOperand;
        case 4: return opmode == 0 ? opNbcd : opmode == 1 ? opSwapOrPea : opExtOrMovemStore;
        case 5: return opmode == 3 ? opTasOrIllegal : opSingleOperand;
        case 6: return opmode >= 2 ? opMovemLoad : noInstruction;
        default: return opmode == 1 ? opSystem : opmode >= 2 ? opJump : noInstruction;
        }
    case 0x5: return sizeField ? opQuick : opSetOrDecrement;
    case 0x6: return opBranch;
    case 0x7: return opmode < 4 ? opMoveq : noInstruction;
    case 0x8:
    case 0xC:
        if (opmode < 3) return opLogicToRegister;
        return sizeField ? opLogicToMemory : opMulDiv;
    case 0x9:
    case 0xD:
        if (opmode < 3) return opArithToRegister;
        return sizeField ? opArithToMemory : opToAddressRegister;
    case 0xB:
        if (opmode < 3) return opArithToRegister;
        return sizeField ? opEorOrCmpm : opToAddressRegister;
    case 0xE:
        if (sizeField) return opShiftRegister;
        return high < 4 ? opShiftMemory : noInstruction;
    default: return noInstruction;
    }
}

// The size of the group's immediates, which also names the size in its mnemonic.
static constexpr uint8_t sizeFor(int group) {
    int line = group >> 6, high = (group >> 3) & 7, opmode = group & 7;
    int size = opmode & 3;
    switch (line) {
    case 0x0: return opmode >= 4 || high == 4 ? 0 : size;  // bit numbers and BTST Dn,#imm: a byte
    case 0x1: return 0;
    case 0x2: return 2;
    case 0x3: return 1;
    case 0x4:
        if (high == 4 && opmode >= 2) return opmode == 3 ? 2 : 1;  // EXT, MOVEM
        if (high == 6) return opmode == 3 ? 2 : 1;                 // MOVEM
        return size == 3 || opmode >= 4 ? 1 : size;                // SR and CCR moves, CHK: word
    case 0x8:
    case 0xC: return size == 3 ? 1 : size;  // MUL and DIV: word
    case 0x9:
    case 0xB:
    case 0xD: return size == 3 ? (opmode == 7 ? 2 : 1) : size;  // the A forms: word, long
    default: return size == 3 ? 1 : size;
    }
}

template <class T, T (*Make)(int)> static constexpr std::array<T, 1024> groupTable() {
    std::array<T, 1024> table{};
    for (int group = 0; group < 1024; ++group) table[size_t(group)] = Make(group);
    return table;
}
static constexpr std::array<DisasmRoutine, 1024> DisasmTable = groupTable<DisasmRoutine, routineFor>();
static constexpr std::array<uint8_t, 1024> DisasmSize = groupTable<uint8_t, sizeFor>();

uint32_t disassembleOne(uint32_t address) {
    instructionAddress = address & ADDRESS_MASK;
    wordAddress = instructionAddress;
    textLength = 0;
    disassemblyText[0] = 0;
    uint16_t op = nextWord();
    operandSize = DisasmSize[op >> 6];
    DisasmRoutine routine = DisasmTable[op >> 6];
    routine(op);
    while (textLength > 0 && disassemblyText[textLength - 1] == ' ') disassemblyText[--textLength] = 0;
    return wordAddress;
}
