// MOVEM: registers to memory and memory to registers. Each register costs 4 (word) or
// 8 (long) cycles, charged before each write when storing and after each read when
// loading; the base count comes at the end.
#include "cpu/effective_address.h"
#include "cpu/opcode_table.h"

namespace {
constexpr int storeBase(int mode) {
    return mode == DISP || mode == ABSW ? 12 : mode == INDEX ? 14 : mode == ABSL ? 16 : 8;
}
constexpr int loadBase(int mode) {
    return mode == DISP || mode == ABSW || mode == PCDISP ? 16 : mode == INDEX || mode == PCINDEX ? 18
           : mode == ABSL                                 ? 20
                                                          : 12;
}

// Mask bit i is D0-D7, A0-A7 in order; for -(An) the mask is reversed (bit 0 is A7) and
// the registers go to descending addresses. An address register stored through -(An)
// is stored with its value before the instruction.
template <int LongSize, int Mode> struct MovemStore {
    static constexpr int S = LongSize ? 4 : 2;
    static constexpr int perRegister = 2 * S;
    static void run(uint32_t op) {
        uint32_t mask = fetchWord();
        int reg = op & 7, count = 0;
        if constexpr (Mode == PREDEC) {
            uint32_t a = A(reg);
            for (int i = 0; i < 16; ++i) {
                if (!(mask >> i & 1)) continue;
                a -= S;
                charge(perRegister);
                writeMem<S>(a, cpu.regs[15 - i]);
                ++count;
            }
            A(reg) = a;
        } else {
            uint32_t a = eaAddress<Mode, S>(reg);
            for (int i = 0; i < 16; ++i) {
                if (!(mask >> i & 1)) continue;
                charge(perRegister);
                writeMem<S>(a, cpu.regs[i]);
                a += S;
                ++count;
            }
        }
        charge(storeBase(Mode));
        finishInstruction(storeBase(Mode) + count * perRegister);
    }
};

// Words are sign-extended into the whole register. With (An)+ the register ends at the
// address after the last one read, whatever was loaded into it.
template <int LongSize, int Mode> struct MovemLoad {
    static constexpr int S = LongSize ? 4 : 2;
    static constexpr int perRegister = 2 * S;
    static void run(uint32_t op) {
        uint32_t mask = fetchWord();
        int reg = op & 7, count = 0;
        uint32_t a = Mode == POSTINC ? A(reg) : eaAddress<Mode, S>(reg);
        for (int i = 0; i < 16; ++i) {
            if (!(mask >> i & 1)) continue;
            cpu.regs[i] = signExtend<S>(readMem<S>(a));
            charge(perRegister);
            a += S;
            ++count;
        }
        if constexpr (Mode == POSTINC) A(reg) = a;
        charge(loadBase(Mode));
        finishInstruction(loadBase(Mode) + count * perRegister);
    }
};
}  // namespace

OpHandler decodeMovem(uint32_t op) {
    if ((op & 0xFB80) != 0x4880) return nullptr;
    int mode = eaModeOf(op & 0x3F), longSize = (op >> 6) & 1;
    if (op & 0x400) {
        if (!isControlMode(mode) && mode != POSTINC) return nullptr;
        return Grid<MovemLoad, 2, 11>::at(longSize, mode);
    }
    if (!(isControlMode(mode) && isAlterable(mode)) && mode != PREDEC) return nullptr;
    return Grid<MovemStore, 2, 9>::at(longSize, mode);
}
