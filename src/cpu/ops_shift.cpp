// ASL, ASR, LSL, LSR, ROL, ROR, ROXL, ROXR on data registers (count immediate 1-8 or
// a register modulo 64) and on memory words (count 1).
//
// Register forms cost 6 + 2n (byte, word) or 8 + 2n (long); a count of 0 costs 6 and
// clears C (ROXx copies X into C). They hand 4 cycles to the next instruction when an
// immediate count puts them 2 above the grid, and with a register count other than 0
// for bytes and words. Memory forms cost 8 + the operand, accessing first.
#include <bit>

#include "cpu/effective_address.h"
#include "cpu/opcode_table.h"

namespace {
enum ShiftType : int { SHIFT_ARITHMETIC, SHIFT_LOGICAL, ROTATE_EXTENDED, ROTATE };

template <int Type, int Left, int S> inline uint32_t shiftWithFlags(uint32_t v, uint32_t n) {
    constexpr uint32_t B = S * 8;
    constexpr uint32_t mask = sizeMask<S>;
    uint32_t r = v;
    flagV = 0;
    if (n == 0) {
        flagC = Type == ROTATE_EXTENDED ? flagX : 0;
    } else if constexpr (Type == SHIFT_ARITHMETIC && Left) {
        if (n < B) {
            r = (v << n) & mask;
            flagC = (v >> (B - n)) & 1;
            // V: the sign bit changed at some point, that is the top n + 1 bits differ.
            uint64_t top = uint64_t(v) >> (B - 1 - n);
            flagV = top != 0 && top != (uint64_t(1) << (n + 1)) - 1;
        } else {
            r = 0;
            flagC = n == B ? v & 1 : 0;
            flagV = v != 0;
        }
        flagX = flagC;
    } else if constexpr (Type == SHIFT_ARITHMETIC) {
        int32_t sv = int32_t(signExtend<S>(v));
        if (n < B) {
            r = uint32_t(sv >> n) & mask;
            flagC = (sv >> (n - 1)) & 1;
        } else {
            r = sv < 0 ? mask : 0;
            flagC = sv < 0;
        }
        flagX = flagC;
    } else if constexpr (Type == SHIFT_LOGICAL) {
        if (n <= B) {
            r = uint32_t(Left ? uint64_t(v) << n : uint64_t(v) >> n) & mask;
            flagC = Left ? (v >> (B - n)) & 1 : (v >> (n - 1)) & 1;
        } else {
            r = 0;
            flagC = 0;
        }
        flagX = flagC;
    } else if constexpr (Type == ROTATE) {
        uint32_t k = n % B;
        if (k) r = (Left ? v << k | v >> (B - k) : v >> k | v << (B - k)) & mask;
        flagC = Left ? r & 1 : r >> (B - 1);
    } else {
        // Through X: a rotation of the B + 1 bits X:value.
        constexpr uint64_t wide = (uint64_t(1) << (B + 1)) - 1;
        uint32_t k = n % (B + 1);
        uint64_t x = uint64_t(flagX) << B | v;
        if (k) x = (Left ? x << k | x >> (B + 1 - k) : x >> k | x << (B + 1 - k)) & wide;
        r = uint32_t(x) & mask;
        flagC = flagX = uint8_t(x >> B);
    }
    setNZ<S>(r);
    return r;
}

template <int Type, int Left, int Sz, int CountInRegister, int CountField> struct ShiftRegister {
    static constexpr int S = sizeBytes(Sz);
    static constexpr int base = S == 4 ? 8 : 6;
    static void run(uint32_t op) {
        int reg = op & 7;
        uint32_t n = CountInRegister ? D(CountField) & 63 : CountField == 0 ? 8 : CountField;
        writeD<S>(reg, shiftWithFlags<Type, Left, S>(D(reg) & sizeMask<S>, n));
        int cycles = base + 2 * int(n);
        charge(cycles);
        bool grants = CountInRegister ? S != 4 && n != 0 : (cycles & 3) == 2;
        if (grants) finishGranting(cycles);
        else finishInstruction(cycles);
    }
};

template <int Type, int Left, int Mode> struct ShiftMemory {
    static constexpr int N = 8 + eaCycles(Mode, 2);
    static void run(uint32_t op) {
        Operand<Mode, 2> dst{int(op & 7), 0};
        dst.write(shiftWithFlags<Type, Left, 2>(dst.read(), 1));
        charge(N);
        finishInstruction(N);
    }
};
}  // namespace

OpHandler decodeShift(uint32_t op) {
    if ((op >> 12) != 0xE) return nullptr;
    int left = (op >> 8) & 1, size = (op >> 6) & 3;
    if (size == 3) {
        int mode = eaModeOf(op & 0x3F);
        if ((op & 0x800) || !isMemoryAlterable(mode)) return nullptr;
        return Grid<ShiftMemory, 4, 2, 9>::at((op >> 9) & 3, left, mode);
    }
    return Grid<ShiftRegister, 4, 2, 3, 2, 8>::at((op >> 3) & 3, left, size, (op >> 5) & 1, (op >> 9) & 7);
}
