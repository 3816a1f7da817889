// MOVE to and from SR, MOVE to CCR, MOVE USP, TRAP, TRAPV, CHK, RESET, NOP, STOP, RTE,
// ILLEGAL and every invalid opcode, line A and line F. Privileged instructions in user
// mode take the privilege violation trap (34 cycles), as do the traps of the illegal
// group; TRAP 34, TRAPV 38 when V is set (4 when not), CHK 40 + the operand when out of
// bounds (10 + the operand when in bounds).
#include "cpu/effective_address.h"
#include "cpu/opcode_table.h"

namespace {
enum : int { VECTOR_ILLEGAL = 4, VECTOR_CHK = 6, VECTOR_TRAPV = 7, VECTOR_PRIVILEGE = 8, VECTOR_LINE_A = 10,
             VECTOR_LINE_F = 11, VECTOR_TRAP_0 = 32 };

template <int Mode> struct MoveFromSr {
    static constexpr int N = Mode == DREG ? 6 : 8 + eaCycles(Mode, 2);
    static void run(uint32_t op) {
        writeEa<Mode, 2>(op & 7, packSr());
        charge(N);
        finishInstruction(N);
    }
};

template <int Mode> struct MoveToCcr {
    static constexpr int N = 12 + eaCycles(Mode, 2);
    static void run(uint32_t op) {
        unpackCcr(readEa<Mode, 2>(op & 7) & 0x1F);
        charge(N);
        finishInstruction(N);
    }
};

// Interrupts and trace are looked at again right after the new SR is in place.
template <int Mode> struct MoveToSr {
    static constexpr int N = 12 + eaCycles(Mode, 2);
    static void run(uint32_t op) {
        if (!supervisorMode()) return raiseInstructionTrap(VECTOR_PRIVILEGE);
        setSr(readEa<Mode, 2>(op & 7));
        charge(N);
        finishInstruction(N);
        afterSrChange();
    }
};

// MOVE An,USP (ToUsp) and MOVE USP,An: in supervisor mode the USP is the inactive
// stack pointer.
template <int ToUsp> struct MoveUsp {
    static void run(uint32_t op) {
        if (!supervisorMode()) return raiseInstructionTrap(VECTOR_PRIVILEGE);
        if constexpr (ToUsp) cpu.inactiveSp = A(op & 7);
        else A(op & 7) = cpu.inactiveSp;
        charge(4);
        finishInstruction(4);
    }
};

struct Trap {
    static void run(uint32_t op) {
        cpuRaiseException(VECTOR_TRAP_0 + (op & 15), pcAddress());
        charge(34);
        finishInstruction(34);
    }
};

TrapHook trapHooks[16];

// A TRAP whose hook is installed: an answered call costs what the TRAP would.
struct HookedTrap {
    static void run(uint32_t op) {
        uint32_t trapAddress = pcAddress() - 2;
        TrapAction action = trapHooks[op & 15](trapAddress);
        if (action != TRAP_ANSWERED)
            cpuRaiseException(VECTOR_TRAP_0 + (op & 15), action == TRAP_TAKEN_AGAIN ? trapAddress : pcAddress());
        charge(34);
        finishInstruction(34);
    }
};

struct TrapOnOverflow {
    static void run(uint32_t) {
        int n = 4;
        if (flagV) {
            cpuRaiseException(VECTOR_TRAPV, pcAddress());
            n = 38;
        }
        charge(n);
        finishInstruction(n);
    }
};

// CHK <ea>,Dn: traps when the word in Dn is below 0 (N set) or above the bound (N clear).
template <int Mode, int Reg> struct Check {
    static void run(uint32_t op) {
        int32_t bound = int16_t(readEa<Mode, 2>(op & 7));
        int32_t value = int16_t(D(Reg));
        flagZ = value == 0;
        flagV = flagC = 0;
        flagN = value < 0;
        int n = 10 + eaCycles(Mode, 2);
        if (value < 0 || value > bound) {
            cpuRaiseException(VECTOR_CHK, pcAddress());
            n = 40 + eaCycles(Mode, 2);
        }
        charge(n);
        finishInstruction(n);
    }
};

// RESET: the peripherals' power-on state through the reset operation, called with the
// slice's budget where access handlers find it; processor registers stay. Without a
// reset operation the slice stops before the instruction and cpuRun returns its address.
struct Reset {
    static void run(uint32_t) {
        if (!supervisorMode()) return raiseInstructionTrap(VECTOR_PRIVILEGE);
        if (!cpu.resetOperation) {
            pcHost -= 2;
            runFlags |= RUN_FLAG_RESET_STOP;
            cutSlice();
            return;
        }
        RemainingCycles = cyclesLeft;
        cpu.resetOperation();
        cyclesLeft = RemainingCycles;
        RemainingCycles = -1;
        if (busErrorPending) {
            busErrorPending = 0;
            raiseBusError(0);
        }
        charge(132);
        finishInstruction(132);
    }
};

struct NoOperation {
    static void run(uint32_t) {
        charge(4);
        finishInstruction(4);
    }
};

// STOP #imm: loads SR and waits for an interrupt; the rest of the slice passes while
// stopped.
struct Stop {
    static void run(uint32_t) {
        if (!supervisorMode()) return raiseInstructionTrap(VECTOR_PRIVILEGE);
        setSr(fetchWord());
        cpu.interrupt[0] |= 1;
        charge(4);
        finishInstruction(4);
        if (cyclesLeft > 0) cyclesLeft = 0;
        HeldBackCycles = 0;
    }
};

// RTE: SR and PC from the supervisor stack. The slice ends after it (the unused budget
// is not counted), so that a T bit it restores is armed at the next slice.
struct ReturnFromException {
    static void run(uint32_t) {
        if (!supervisorMode()) return raiseInstructionTrap(VECTOR_PRIVILEGE);
        uint32_t sp = A(7);
        uint32_t sr = readMem<2>(sp);
        uint32_t pc = readMem<4>(sp + 2);
        A(7) = sp + 6;
        setSr(sr);
        jumpTo(pc);
        charge(20);
        finishInstruction(20);
        if (cyclesLeft > 0) {
            SliceBudget -= cyclesLeft;
            cyclesLeft = 0;
        }
        SliceBudget -= HeldBackCycles;
        HeldBackCycles = 0;
    }
};

template <int Vector> struct InstructionTrap {
    static void run(uint32_t) { raiseInstructionTrap(Vector); }
};
}  // namespace

void opIllegal(uint32_t) { raiseInstructionTrap(VECTOR_ILLEGAL); }

void installTrapHooks() {
    for (int n = 0; n < 16; ++n) OpcodeTable[0x4E40 + n] = trapHooks[n] ? HookedTrap::run : Trap::run;
}

void cpuSetTrapHook(int trap, TrapHook hook) {
    if (trap < 0 || trap > 15) return;
    trapHooks[trap] = hook;
    installTrapHooks();
}

OpHandler decodeSystem(uint32_t op) {
    int mode = eaModeOf(op & 0x3F);
    switch (op >> 12) {
    case 0xA: return InstructionTrap<VECTOR_LINE_A>::run;
    case 0xF: return InstructionTrap<VECTOR_LINE_F>::run;
    case 0x4: break;
    default: return nullptr;
    }
    if ((op & 0xFFC0) == 0x40C0) return isDataAlterable(mode) ? Grid<MoveFromSr, 9>::at(mode) : nullptr;
    if ((op & 0xFFC0) == 0x44C0) return isDataMode(mode) ? Grid<MoveToCcr, 12>::at(mode) : nullptr;
    if ((op & 0xFFC0) == 0x46C0) return isDataMode(mode) ? Grid<MoveToSr, 12>::at(mode) : nullptr;
    if ((op & 0xF1C0) == 0x4180) return isDataMode(mode) ? Grid<Check, 12, 8>::at(mode, (op >> 9) & 7) : nullptr;
    if ((op & 0xFFF0) == 0x4E40) return Trap::run;
    if ((op & 0xFFF0) == 0x4E60) return op & 8 ? MoveUsp<0>::run : MoveUsp<1>::run;
    switch (op) {
    case 0x4E70: return Reset::run;
    case 0x4E71: return NoOperation::run;
    case 0x4E72: return Stop::run;
    case 0x4E73: return ReturnFromException::run;
    case 0x4E76: return TrapOnOverflow::run;
    }
    return nullptr;
}
