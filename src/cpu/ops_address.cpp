// LEA, PEA, LINK, UNLK. LEA d8(An,Xn),An costs 16 here (published 12).
#include "cpu/effective_address.h"
#include "cpu/opcode_table.h"

namespace {
constexpr int leaCycles(int mode) {
    return mode == IND ? 4 : mode == INDEX ? 16 : mode == ABSL || mode == PCINDEX ? 12 : 8;
}

template <int Mode, int Reg> struct LoadAddress {
    static void run(uint32_t op) {
        A(Reg) = eaAddress<Mode, 4>(op & 7);
        charge(leaCycles(Mode));
        finishInstruction(leaCycles(Mode));
    }
};

template <int Mode> struct PushAddress {
    static constexpr int N = Mode == IND ? 12 : Mode == INDEX || Mode == PCINDEX || Mode == ABSL ? 20 : 16;
    static void run(uint32_t op) {
        push32(eaAddress<Mode, 4>(op & 7));
        charge(N);
        finishInstruction(N);
    }
};

struct Link {
    static void run(uint32_t op) {
        int reg = op & 7;
        int32_t displacement = int16_t(fetchWord());
        push32(A(reg));
        A(reg) = A(7);
        A(7) += displacement;
        charge(16);
        finishInstruction(16);
    }
};

struct Unlink {
    static void run(uint32_t op) {
        int reg = op & 7;
        uint32_t frame = A(reg);
        uint32_t saved = readMem<4>(frame);
        A(7) = frame + 4;
        A(reg) = saved;
        charge(12);
        finishInstruction(12);
    }
};
}  // namespace

OpHandler decodeAddress(uint32_t op) {
    int mode = eaModeOf(op & 0x3F);
    if ((op & 0xF1C0) == 0x41C0 && isControlMode(mode)) return Grid<LoadAddress, 11, 8>::at(mode, (op >> 9) & 7);
    if ((op & 0xFFC0) == 0x4840 && isControlMode(mode)) return Grid<PushAddress, 11>::at(mode);
    if ((op & 0xFFF8) == 0x4E50) return Link::run;
    if ((op & 0xFFF8) == 0x4E58) return Unlink::run;
    return nullptr;
}
