// AND, OR, EOR and ANDI, ORI, EORI (forms and timing in alu_forms.h); NOT; ANDI, ORI,
// EORI to CCR and to SR.
#include "cpu/alu_forms.h"

namespace {
// Operation indexes of this family: AND, OR, EOR.
constexpr int logicOps[3] = {ALU_AND, ALU_OR, ALU_EOR};
template <int I, int Sz, int Mode, int Reg> using LogicToRegister = AluToRegister<logicOps[I], Sz, Mode, Reg>;
template <int I, int Sz, int Mode, int Reg> using LogicToMemory = AluToMemory<logicOps[I], Sz, Mode, Reg>;
template <int I, int Sz, int Mode> using LogicImmediate = AluImmediate<logicOps[I], Sz, Mode>;

template <int Sz, int Mode> struct Not {
    static constexpr int S = sizeBytes(Sz);
    static constexpr int N = singleOperandCycles(Mode, S);
    static void run(uint32_t op) {
        Operand<Mode, S> dst{int(op & 7), 0};
        uint32_t r = ~dst.read() & sizeMask<S>;
        setLogicFlags<S>(r);
        dst.write(r);
        charge(N);
        finishInstruction(N);
    }
};

template <int I> inline uint32_t combine(uint32_t a, uint32_t b) {
    if constexpr (logicOps[I] == ALU_AND) return a & b;
    else if constexpr (logicOps[I] == ALU_OR) return a | b;
    else return a ^ b;
}

// ANDI, ORI, EORI #,CCR: the low byte of the immediate word.
template <int I> struct LogicToCcr {
    static void run(uint32_t) {
        unpackCcr(combine<I>(packCcr(), fetchWord()) & 0x1F);
        charge(20);
        finishInstruction(20);
    }
};

// ANDI, ORI, EORI #,SR: privileged; interrupts and trace are looked at again at once.
template <int I> struct LogicToSr {
    static void run(uint32_t) {
        if (!supervisorMode()) return raiseInstructionTrap(8);
        setSr(combine<I>(packSr(), fetchWord()));
        charge(20);
        finishInstruction(20);
        afterSrChange();
    }
};
}  // namespace

// Lines 8 (OR) and C (AND): <ea>,Dn and Dn,<ea>; the other opmodes belong to DIVU,
// DIVS, SBCD, MULU, MULS, ABCD and EXG.
static OpHandler decodeLogicLine(uint32_t op, int index) {
    int reg = (op >> 9) & 7, opmode = (op >> 6) & 7, mode = eaModeOf(op & 0x3F);
    if (mode < 0 || opmode == 3 || opmode == 7) return nullptr;
    if (opmode < 3) return isDataMode(mode) ? Grid<LogicToRegister, 3, 3, 12, 8>::at(index, opmode, mode, reg) : nullptr;
    if (!isMemoryAlterable(mode)) return nullptr;
    return Grid<LogicToMemory, 3, 3, 9, 8>::at(index, opmode - 4, mode, reg);
}

OpHandler decodeLogic(uint32_t op) {
    int line = op >> 12, size = (op >> 6) & 3, mode = eaModeOf(op & 0x3F);
    switch (line) {
    case 0x8: return decodeLogicLine(op, 1);
    case 0xC: return decodeLogicLine(op, 0);
    case 0xB:  // EOR Dn,<ea> (bit 8 set, not CMPA or CMPM)
        if (!(op & 0x100) || size == 3 || !isDataAlterable(mode)) return nullptr;
        return Grid<LogicToMemory, 3, 3, 9, 8>::at(2, size, mode, (op >> 9) & 7);
    case 0x0: {  // ORI $00xx, ANDI $02xx, EORI $0Axx
        int kind = (op >> 8) & 0xF;
        int index = kind == 0x2 ? 0 : kind == 0x0 ? 1 : kind == 0xA ? 2 : -1;
        if (index < 0) return nullptr;
        if ((op & 0xFF) == 0x3C) return Grid<LogicToCcr, 3>::at(index);
        if ((op & 0xFF) == 0x7C) return Grid<LogicToSr, 3>::at(index);
        if (size == 3 || !isDataAlterable(mode)) return nullptr;
        return Grid<LogicImmediate, 3, 3, 9>::at(index, size, mode);
    }
    case 0x4:  // NOT $46xx (size 3 is MOVE to SR)
        if ((op & 0x0F00) != 0x0600 || size == 3 || !isDataAlterable(mode)) return nullptr;
        return Grid<Not, 3, 9>::at(size, mode);
    }
    return nullptr;
}
