// MULU, MULS, DIVU, DIVS <ea>,Dn. The operand is read first and the count charged after.
//
// Multiplications cost 38 + 2 per 1 bit of the source (MULU) or per change between
// adjacent bits of the source with a 0 below bit 0 (MULS), plus the operand. Divisions
// cost a fixed 133 (DIVU) or 150 (DIVS) plus the operand whatever the values; an
// overflowing quotient leaves the register unchanged with V set and N, Z, C cleared; a
// zero divisor takes the divide-by-zero trap (38 plus the operand).
#include <bit>

#include "cpu/effective_address.h"
#include "cpu/opcode_table.h"

namespace {
template <int Signed, int Mode, int Reg> struct Multiply {
    static void run(uint32_t op) {
        uint32_t s = readEa<Mode, 2>(op & 7);
        int bits;
        if constexpr (Signed) {
            D(Reg) = uint32_t(int32_t(int16_t(D(Reg))) * int32_t(int16_t(s)));
            uint32_t t = s << 1;
            bits = std::popcount((t ^ (t >> 1)) & 0xFFFF);
        } else {
            D(Reg) = (D(Reg) & 0xFFFF) * s;
            bits = std::popcount(s);
        }
        setLogicFlags<4>(D(Reg));
        charge(38 + 2 * bits + eaCycles(Mode, 2));
        finishInstruction(38 + 2 * bits + eaCycles(Mode, 2));
        LastInstrCycles = 0;
    }
};

template <int Signed, int Mode, int Reg> struct Divide {
    static constexpr int N = (Signed ? 150 : 133) + eaCycles(Mode, 2);
    static constexpr int zeroDivideCycles = 38 + eaCycles(Mode, 2);
    static void run(uint32_t op) {
        uint32_t s = readEa<Mode, 2>(op & 7);
        if (s == 0) {
            flagC = 0;
            cpuRaiseException(5, pcAddress());
            charge(zeroDivideCycles);
            finishInstruction(zeroDivideCycles);
            return;
        }
        uint32_t dividend = D(Reg);
        bool overflow;
        uint32_t quotient, remainder;
        if constexpr (Signed) {
            int64_t q = int64_t(int32_t(dividend)) / int16_t(s);
            int64_t r = int64_t(int32_t(dividend)) % int16_t(s);
            overflow = q < -32768 || q > 32767;
            quotient = uint32_t(q) & 0xFFFF;
            remainder = uint32_t(r) & 0xFFFF;
        } else {
            uint32_t q = dividend / s;
            overflow = q > 0xFFFF;
            quotient = q;
            remainder = dividend % s;
        }
        if (overflow) {
            flagV = 1;
            flagN = flagZ = flagC = 0;
        } else {
            D(Reg) = remainder << 16 | quotient;
            setLogicFlags<2>(quotient);
        }
        charge(N);
        finishInstruction(N);
    }
};
}  // namespace

OpHandler decodeMulDiv(uint32_t op) {
    int line = op >> 12, mode = eaModeOf(op & 0x3F), reg = (op >> 9) & 7;
    if ((line != 0x8 && line != 0xC) || ((op >> 6) & 3) != 3 || !isDataMode(mode)) return nullptr;
    int isSigned = (op >> 8) & 1;
    return line == 0xC ? Grid<Multiply, 2, 12, 8>::at(isSigned, mode, reg) : Grid<Divide, 2, 12, 8>::at(isSigned, mode, reg);
}
