// CMP, CMPA, CMPI, CMPM and TST. The forms and their timing are in alu_forms.h; CMP and
// CMPA hand 4 cycles to the next instruction when their count is 2 above the grid.
#include "cpu/alu_forms.h"

namespace {
template <int Sz, int Mode, int Reg> using CompareToRegister = AluToRegister<ALU_CMP, Sz, Mode, Reg>;
template <int LongSize, int Mode, int Reg> using CompareAddress = AddressArith<ALU_CMP, LongSize + 1, Mode, Reg>;
template <int Sz, int Mode> using CompareImmediate = AluImmediate<ALU_CMP, Sz, Mode>;

// TST <ea>: flags from the operand, V and C cleared; the address calculation is charged
// before the read.
template <int Sz, int Mode> struct Test {
    static constexpr int S = sizeBytes(Sz);
    static constexpr int N = 4 + eaCycles(Mode, S);
    static constexpr int before = isMemoryMode(Mode) ? eaCyclesBeforeAccess(Mode) : 0;
    static void run(uint32_t op) {
        charge(before);
        setLogicFlags<S>(readEa<Mode, S>(op & 7));
        charge(N - before);
        finishInstruction(N);
    }
};
}  // namespace

OpHandler decodeCompare(uint32_t op) {
    int line = op >> 12, reg = (op >> 9) & 7, size = (op >> 6) & 3, mode = eaModeOf(op & 0x3F);
    if (mode < 0) return nullptr;
    if (line == 0xB) {
        bool bit8 = op & 0x100;
        if (size == 3) return Grid<CompareAddress, 2, 12, 8>::at(bit8, mode, reg);
        if (!bit8) {
            if (mode == AREG && size == 0) return nullptr;
            return Grid<CompareToRegister, 3, 12, 8>::at(size, mode, reg);
        }
        if (mode == AREG) return Grid<Cmpm, 3, 8>::at(size, reg);
        return nullptr;  // EOR
    }
    if (line == 0 && ((op >> 8) & 0xF) == 0xC) {  // CMPI
        if (size == 3 || !isDataAlterable(mode)) return nullptr;
        return Grid<CompareImmediate, 3, 9>::at(size, mode);
    }
    if ((op & 0xFF00) == 0x4A00) {  // TST (size 3 is TAS)
        if (size == 3 || !isDataAlterable(mode)) return nullptr;
        return Grid<Test, 3, 9>::at(size, mode);
    }
    return nullptr;
}
