// BTST, BCHG, BCLR, BSET with the bit number in a data register or immediate, and TAS.
// The operand is accessed first and the count charged after. On a data register the
// bit number is taken modulo 32, on memory (a byte) modulo 8. BCLR costs the same as
// BCHG and BSET here (Dn,Dn 8, #,Dn 12; published 10 and 14).
#include "cpu/effective_address.h"
#include "cpu/opcode_table.h"

namespace {
enum BitOpKind : int { BIT_TEST, BIT_CHANGE, BIT_CLEAR, BIT_SET };

template <int Kind> inline uint32_t applyBitOp(uint32_t v, uint32_t mask) {
    flagZ = !(v & mask);
    if constexpr (Kind == BIT_CHANGE) return v ^ mask;
    else if constexpr (Kind == BIT_CLEAR) return v & ~mask;
    else return v | mask;
}

// Dynamic: bit number in D<Reg>; static: in the extension word.
template <int Kind, int Dynamic, int Mode, int Reg> struct BitOp {
    static constexpr int N = Mode == DREG ? (Kind == BIT_TEST ? 6 : 8) + (Dynamic ? 0 : 4)
                             : Mode == IMM ? 10
                                           : (Kind == BIT_TEST ? 4 : 8) + (Dynamic ? 0 : 4) + eaCycles(Mode, 1);
    static void run(uint32_t op) {
        uint32_t bit = Dynamic ? D(Reg) : fetchWord();
        if constexpr (Mode == DREG) {
            uint32_t& d = D(op & 7);
            uint32_t r = applyBitOp<Kind>(d, 1u << (bit & 31));
            if constexpr (Kind != BIT_TEST) d = r;
        } else if constexpr (Mode == IMM) {
            applyBitOp<Kind>(readEa<IMM, 1>(0), 1u << (bit & 7));
        } else {
            Operand<Mode, 1> dst{int(op & 7), 0};
            uint32_t r = applyBitOp<Kind>(dst.read(), 1u << (bit & 7));
            if constexpr (Kind != BIT_TEST) dst.write(r);
        }
        charge(N);
        finishInstruction(N);
    }
};
template <int Kind, int Dynamic, int Mode, int Reg> using BitOpAt = BitOp<Kind, Dynamic, Mode, Dynamic ? Reg : 0>;

// TAS: tests a byte and sets its bit 7.
template <int Mode> struct TestAndSet {
    static constexpr int N = Mode == DREG ? 4 : 10 + eaCycles(Mode, 1);
    static void run(uint32_t op) {
        Operand<Mode, 1> dst{int(op & 7), 0};
        uint32_t v = dst.read();
        setLogicFlags<1>(v);
        dst.write(v | 0x80);
        charge(N);
        finishInstruction(N);
    }
};
}  // namespace

OpHandler decodeBitOp(uint32_t op) {
    int mode = eaModeOf(op & 0x3F), kind = (op >> 6) & 3;
    if ((op & 0xFFC0) == 0x4AC0) return isDataAlterable(mode) ? Grid<TestAndSet, 9>::at(mode) : nullptr;
    bool dynamic = (op & 0xF100) == 0x0100 && (op & 0x38) != 0x08;
    bool fixed = (op & 0xFF00) == 0x0800;
    if (!dynamic && !fixed) return nullptr;
    bool valid = kind == BIT_TEST ? isDataMode(mode) && (dynamic || mode != IMM) : isDataAlterable(mode);
    if (!valid) return nullptr;
    return Grid<BitOpAt, 4, 2, 12, 8>::at(kind, dynamic, mode, (op >> 9) & 7);
}
