// ADD, ADDA, ADDI, ADDQ, ADDX; SUB, SUBA, SUBI, SUBQ, SUBX; NEG, NEGX. The forms and
// their timing are in alu_forms.h.
#include "cpu/alu_forms.h"

namespace {
template <int IsSub, int Sz, int Mode, int Reg>
using AddSubToRegister = AluToRegister<IsSub ? ALU_SUB : ALU_ADD, Sz, Mode, Reg>;
template <int IsSub, int Sz, int Mode, int Reg>
using AddSubToMemory = AluToMemory<IsSub ? ALU_SUB : ALU_ADD, Sz, Mode, Reg>;
template <int IsSub, int Sz, int Mode> using AddSubImmediate = AluImmediate<IsSub ? ALU_SUB : ALU_ADD, Sz, Mode>;
// Sz 1 (word) or 2 (long), passed here as 0 or 1.
template <int IsSub, int LongSize, int Mode, int Reg>
using AddSubAddress = AddressArith<IsSub ? ALU_SUB : ALU_ADD, LongSize + 1, Mode, Reg>;

// NEG, NEGX <ea>: 0 - operand (- X).
template <int IsNegx, int Sz, int Mode> struct Negate {
    static constexpr int S = sizeBytes(Sz);
    static constexpr int N = singleOperandCycles(Mode, S);
    static void run(uint32_t op) {
        Operand<Mode, S> dst{int(op & 7), 0};
        uint32_t d = dst.read();
        dst.write(IsNegx ? subExtended<S>(d, 0) : alu<ALU_SUB, S>(d, 0));
        charge(N);
        finishInstruction(N);
    }
};
}  // namespace

// Lines 9 (SUB) and D (ADD).
static OpHandler decodeAddSubLine(uint32_t op, int isSub) {
    int reg = (op >> 9) & 7, opmode = (op >> 6) & 7, mode = eaModeOf(op & 0x3F);
    if (mode < 0) return nullptr;
    if (opmode == 3 || opmode == 7) return Grid<AddSubAddress, 2, 2, 12, 8>::at(isSub, opmode == 7, mode, reg);
    if (opmode < 3) {
        if (mode == AREG && opmode == 0) return nullptr;
        return Grid<AddSubToRegister, 2, 3, 12, 8>::at(isSub, opmode, mode, reg);
    }
    int size = opmode - 4;
    if (mode <= AREG) return Grid<Extended, 2, 3, 2, 8>::at(isSub, size, mode == AREG, reg);
    if (!isMemoryAlterable(mode)) return nullptr;
    return Grid<AddSubToMemory, 2, 3, 9, 8>::at(isSub, size, mode, reg);
}

OpHandler decodeAddSub(uint32_t op) {
    int line = op >> 12, size = (op >> 6) & 3, mode = eaModeOf(op & 0x3F);
    switch (line) {
    case 0x9: return decodeAddSubLine(op, 1);
    case 0xD: return decodeAddSubLine(op, 0);
    case 0x5:  // ADDQ, SUBQ (size 3 is Scc and DBcc)
        if (size == 3 || !isAlterable(mode) || (mode == AREG && size == 0)) return nullptr;
        return Grid<Quick, 2, 3, 9, 8>::at((op >> 8) & 1, size, mode, (op >> 9) & 7);
    case 0x0: {  // SUBI $04xx, ADDI $06xx
        int kind = (op >> 8) & 0xF;
        if ((kind != 4 && kind != 6) || size == 3 || !isDataAlterable(mode)) return nullptr;
        return Grid<AddSubImmediate, 2, 3, 9>::at(kind == 4, size, mode);
    }
    case 0x4: {  // NEGX $40xx, NEG $44xx
        int kind = (op >> 8) & 0xF;
        if ((kind != 0 && kind != 4) || size == 3 || !isDataAlterable(mode)) return nullptr;
        return Grid<Negate, 2, 3, 9>::at(kind == 0, size, mode);
    }
    }
    return nullptr;
}
