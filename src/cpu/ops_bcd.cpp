// ABCD, SBCD (Dy,Dx and -(Ay),-(Ax)) and NBCD <ea>: packed decimal bytes with X as
// carry; Z is only ever cleared. N and V are officially undefined: they follow what the
// 68000 leaves.
#include "cpu/effective_address.h"
#include "cpu/opcode_table.h"

namespace {
// V is set when the decimal correction turns bit 7 of the binary result on (addition)
// or off (subtraction).
inline uint32_t finishBcd(uint32_t res, uint32_t changedBit7, uint8_t carry) {
    flagC = flagX = carry;
    flagV = changedBit7 >> 7 & 1;
    res &= 0xFF;
    flagN = res >> 7;
    if (res) flagZ = 0;
    return res;
}

// d + s + X
inline uint32_t bcdAdd(uint32_t s, uint32_t d) {
    uint32_t binary = s + d + flagX, res = binary;
    if ((s & 0xF) + (d & 0xF) + flagX > 9) res += 6;
    uint8_t carry = binary > 0x99;
    if (carry) res += 0x60;
    return finishBcd(res, ~binary & res, carry);
}

// d - s - X
inline uint32_t bcdSub(uint32_t s, uint32_t d) {
    uint32_t binary = (d - s - flagX) & 0x1FF, res = binary;
    if ((d & 0xF) < (s & 0xF) + flagX) res = (res - 6) & 0x3FF;
    uint8_t carry = ((binary | res) & 0x100) != 0;
    if (binary & 0x100) res -= 0x60;
    return finishBcd(res, binary & ~res, carry);
}

template <int IsSub, int Memory, int Reg> struct DecimalArith {
    static constexpr int N = Memory ? 18 : 6;
    static void run(uint32_t op) {
        int y = op & 7;
        if constexpr (Memory) {
            uint32_t s = readMem<1>(eaAddress<PREDEC, 1>(y));
            uint32_t a = eaAddress<PREDEC, 1>(Reg);
            uint32_t d = readMem<1>(a);
            writeMem<1>(a, IsSub ? bcdSub(s, d) : bcdAdd(s, d));
        } else {
            uint32_t s = D(y) & 0xFF, d = D(Reg) & 0xFF;
            writeD<1>(Reg, IsSub ? bcdSub(s, d) : bcdAdd(s, d));
        }
        charge(N);
        finishInstruction(N);
    }
};

template <int Mode> struct NegateDecimal {
    static constexpr int N = Mode == DREG ? 6 : 8 + eaCycles(Mode, 1);
    static void run(uint32_t op) {
        Operand<Mode, 1> dst{int(op & 7), 0};
        dst.write(bcdSub(dst.read(), 0));
        charge(N);
        finishInstruction(N);
    }
};
}  // namespace

OpHandler decodeBcd(uint32_t op) {
    int line = op >> 12;
    if ((line == 0x8 || line == 0xC) && (op & 0x1F0) == 0x100)
        return Grid<DecimalArith, 2, 2, 8>::at(line == 0x8, (op >> 3) & 1, (op >> 9) & 7);
    int mode = eaModeOf(op & 0x3F);
    if ((op & 0xFFC0) == 0x4800 && isDataAlterable(mode)) return Grid<NegateDecimal, 9>::at(mode);
    return nullptr;
}
