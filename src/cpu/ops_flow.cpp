// Bcc, BRA, BSR, DBcc, Scc, JMP, JSR, RTS, RTR.
//
// Branches: Bcc.S taken 10 (it gives back the 2 cycles that the instruction before it
// lost to rounding, so it costs 8 after one whose count was 2 above the grid), not
// taken 8; BRA.S 10; Bcc.W and BRA.W taken 10 (using the pairing credit), not taken
// 12; BSR 18; DBcc 12 when the condition holds, 10 when it branches (using the
// credit), 14 when the count runs out. JSR and RTS access the stack first and charge
// after.
#include "cpu/effective_address.h"
#include "cpu/opcode_table.h"

namespace {
enum : int { COND_BRA = 0, COND_BSR = 1 };

template <int Cond> struct BranchShort {
    static void run(uint32_t op) {
        int32_t displacement = int8_t(op);
        if constexpr (Cond == COND_BSR) {
            push32(pcAddress());
            branchBy(displacement, pcHost);
            charge(18);
            finishInstruction(18);
        } else if (conditionTrue<Cond>()) {
            if constexpr (Cond != COND_BRA) cyclesLeft += LastInstrCycles & 3;
            branchBy(displacement, pcHost);
            charge(10);
            finishInstruction(10);
        } else {
            charge(8);
            finishInstruction(8);
        }
    }
};

template <int Cond> struct BranchWord {
    static void run(uint32_t) {
        const uint8_t* base = pcHost;
        int32_t displacement = int16_t(fetchWord());
        if constexpr (Cond == COND_BSR) {
            push32(pcAddress());
            branchBy(displacement, base);
            charge(18);
            finishInstruction(18);
        } else if (conditionTrue<Cond>()) {
            useCredit();
            branchBy(displacement, base);
            charge(10);
            finishInstruction(10);
        } else {
            charge(12);
            finishInstruction(12);
        }
    }
};

template <int Cond> struct DecrementBranch {
    static void run(uint32_t op) {
        const uint8_t* base = pcHost;
        int32_t displacement = int16_t(fetchWord());
        if (conditionTrue<Cond>()) {
            charge(12);
            finishInstruction(12);
            return;
        }
        int reg = op & 7;
        uint32_t count = (D(reg) - 1) & 0xFFFF;
        // An odd target faults before the counter changes.
        if (count != 0xFFFF && (displacement & 1)) branchBy(displacement, base);
        writeD<2>(reg, count);
        if (count != 0xFFFF) {
            useCredit();
            branchBy(displacement, base);
            charge(10);
            finishInstruction(10);
        } else {
            charge(14);
            finishInstruction(14);
        }
    }
};

template <int Cond, int Mode> struct SetCondition {
    static void run(uint32_t op) {
        bool set = conditionTrue<Cond>();
        writeEa<Mode, 1>(op & 7, set ? 0xFF : 0);
        int n = Mode == DREG ? (set ? 6 : 4) : 8 + eaCycles(Mode, 1);
        charge(n);
        finishInstruction(n);
    }
};

constexpr int jumpCycles(int mode) {
    return mode == IND ? 8 : mode == INDEX || mode == PCINDEX ? 14 : mode == ABSL ? 12 : 10;
}

template <int Mode> struct Jump {
    static void run(uint32_t op) {
        jumpTo(eaAddress<Mode, 4>(op & 7));
        charge(jumpCycles(Mode));
        finishInstruction(jumpCycles(Mode));
    }
};

// An odd target raises the address error before anything is pushed.
template <int Mode> struct JumpSubroutine {
    static constexpr int N = jumpCycles(Mode) + 8;
    static void run(uint32_t op) {
        uint32_t target = eaAddress<Mode, 4>(op & 7) & ADDRESS_MASK;
        if (target & 1) raiseAddressError(target);
        push32(pcAddress());
        jumpTo(target);
        charge(N);
        finishInstruction(N);
    }
};

struct Return {
    static void run(uint32_t) {
        jumpTo(pop32());
        charge(16);
        finishInstruction(16);
    }
};

// RTR: condition codes, then the PC, from the stack.
struct ReturnRestore {
    static void run(uint32_t) {
        uint32_t ccr = readMem<2>(A(7));
        A(7) += 2;
        uint32_t pc = pop32();
        unpackCcr(ccr & 0x1F);
        jumpTo(pc);
        charge(20);
        finishInstruction(20);
    }
};
}  // namespace

OpHandler decodeFlow(uint32_t op) {
    int line = op >> 12, cond = (op >> 8) & 0xF, mode = eaModeOf(op & 0x3F);
    if (line == 6) return op & 0xFF ? Grid<BranchShort, 16>::at(cond) : Grid<BranchWord, 16>::at(cond);
    if (line == 5 && ((op >> 6) & 3) == 3) {
        if (mode == AREG) return Grid<DecrementBranch, 16>::at(cond);
        return isDataAlterable(mode) ? Grid<SetCondition, 16, 9>::at(cond, mode) : nullptr;
    }
    if ((op & 0xFFC0) == 0x4EC0 && isControlMode(mode)) return Grid<Jump, 11>::at(mode);
    if ((op & 0xFFC0) == 0x4E80 && isControlMode(mode)) return Grid<JumpSubroutine, 11>::at(mode);
    if (op == 0x4E75) return Return::run;
    if (op == 0x4E77) return ReturnRestore::run;
    return nullptr;
}
