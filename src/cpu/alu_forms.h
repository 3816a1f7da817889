#pragma once
// The shared forms of ADD, SUB, CMP, AND, OR and EOR: <ea>,Dn; Dn,<ea>; immediate
// (ADDI, SUBI, CMPI, ANDI, ORI, EORI); quick (ADDQ, SUBQ); address register (ADDA,
// SUBA, CMPA); extended (ADDX, SUBX); CMPM. The families' files pick their operations
// from these.
//
// Timing (published counts, then rounded to the grid): the forms with a register
// destination charge the operand's address calculation before reading it; the read-modify-write forms Dn,<ea> charge all but the
// final prefetch before the read, and write after the prefetch (the next opcode
// executed is the one prefetched before the write); immediate and quick forms access
// first and charge after.
#include "cpu/alu.h"
#include "cpu/effective_address.h"
#include "cpu/opcode_table.h"

// <ea>,Dn for ADD, SUB, CMP, AND, OR.
template <int Op, int Sz, int Mode, int Reg> struct AluToRegister {
    static constexpr int S = sizeBytes(Sz);
    static constexpr int N = Op == ALU_CMP ? (S == 4 ? 6 : 4) + eaCycles(Mode, S)
                             : S == 4 ? (Mode == DREG || Mode == AREG || Mode == IMM ? 8 : 6) + eaCycles(Mode, S)
                                      : 4 + eaCycles(Mode, S);
    static constexpr int before = isMemoryMode(Mode) ? eaCyclesBeforeAccess(Mode) : 0;
    static void run(uint32_t op) {
        charge(before);
        uint32_t s = readEa<Mode, S>(op & 7);
        uint32_t r = alu<Op, S>(s, D(Reg) & sizeMask<S>);
        if constexpr (Op != ALU_CMP) writeD<S>(Reg, r);
        charge(N - before);
        // A compare whose count is 2 above the grid hands 4 cycles to the next instruction.
        if constexpr (Op == ALU_CMP && (N & 3) == 2) finishGranting(N);
        else finishInstruction(N);
    }
};

// Dn,<ea> for ADD, SUB, AND, OR, EOR (EOR also Dn,Dn).
template <int Op, int Sz, int Mode, int Reg> struct AluToMemory {
    static constexpr int S = sizeBytes(Sz);
    static constexpr int N = Mode == DREG ? (S == 4 ? 8 : 4) : (S == 4 ? 12 : 8) + eaCycles(Mode, S);
    static constexpr int before = N - 4 - (S == 4 ? 4 : 0);
    static void run(uint32_t op) {
        if constexpr (Mode == DREG) {
            int dst = op & 7;
            writeD<S>(dst, alu<Op, S>(D(Reg) & sizeMask<S>, D(dst) & sizeMask<S>));
            charge(N);
        } else {
            charge(before);
            uint32_t a = eaAddress<Mode, S>(op & 7);
            uint32_t r = alu<Op, S>(D(Reg) & sizeMask<S>, readMem<S>(a));
            takePrefetchCopy();
            writeMem<S>(a, r);
            usePrefetchCopy = PREFETCH_HELD;
            charge(N - before);
        }
        finishInstruction(N);
    }
};

// ORI, ANDI, SUBI, ADDI, EORI, CMPI #imm,<ea>.
template <int Op, int Sz, int Mode> struct AluImmediate {
    static constexpr int S = sizeBytes(Sz);
    static constexpr int registerCycles = S == 4 ? (Op == ALU_AND || Op == ALU_CMP ? 14 : 16) : 8;
    static constexpr int memoryCycles = Op == ALU_CMP ? (S == 4 ? 12 : 8) : (S == 4 ? 20 : 12);
    static constexpr int N = Mode == DREG ? registerCycles : memoryCycles + eaCycles(Mode, S);
    static void run(uint32_t op) {
        uint32_t imm = readEa<IMM, S>(0);
        Operand<Mode, S> dst{int(op & 7), 0};
        uint32_t r = alu<Op, S>(imm, dst.read());
        if constexpr (Op != ALU_CMP) dst.write(r);
        charge(N);
        finishInstruction(N);
    }
};

// ADDQ, SUBQ #1-8,<ea>; on an address register the whole register changes and the
// flags stay.
template <int IsSub, int Sz, int Mode, int Data> struct Quick {
    static constexpr int S = sizeBytes(Sz);
    static constexpr uint32_t value = Data == 0 ? 8 : Data;
    static constexpr int N = Mode == AREG ? 8 : Mode == DREG ? (S == 4 ? 8 : 4) : (S == 4 ? 12 : 8) + eaCycles(Mode, S);
    static void run(uint32_t op) {
        if constexpr (Mode == AREG) {
            A(op & 7) += IsSub ? -value : value;
        } else {
            Operand<Mode, S> dst{int(op & 7), 0};
            dst.write(alu<IsSub ? ALU_SUB : ALU_ADD, S>(value, dst.read()));
        }
        charge(N);
        finishInstruction(N);
    }
};

// ADDA, SUBA, CMPA <ea>,An: word sources are sign-extended, the whole register counts.
template <int Op, int Sz, int Mode, int Reg> struct AddressArith {
    static constexpr int S = sizeBytes(Sz);
    static constexpr int published = Op == ALU_CMP ? 6 + eaCycles(Mode, S)
                                     : S == 2 ? 8 + eaCycles(Mode, S)
                                              : (Mode == DREG || Mode == AREG || Mode == IMM ? 8 : 6) + eaCycles(Mode, S);
    // ADDA.L and SUBA.L d8(An,Xn) take 2 cycles more here than published.
    static constexpr int N = Op != ALU_CMP && S == 4 && Mode == INDEX ? published + 2 : published;
    static constexpr int before = isMemoryMode(Mode) ? eaCyclesBeforeAccess(Mode) : 0;
    static void run(uint32_t op) {
        charge(before);
        uint32_t s = signExtend<S>(readEa<Mode, S>(op & 7));
        if constexpr (Op == ALU_ADD) {
            A(Reg) += s;
        } else if constexpr (Op == ALU_SUB) {
            A(Reg) -= s;
        } else {
            uint8_t x = flagX;
            flagZ = subWithFlags<4>(s, A(Reg), 0) == 0;
            flagX = x;
        }
        charge(N - before);
        if constexpr (Op == ALU_CMP && (N & 3) == 2) finishGranting(N);
        else finishInstruction(N);
    }
};

// ADDX, SUBX Dy,Dx and -(Ay),-(Ax); Reg is x.
template <int IsSub, int Sz, int Memory, int Reg> struct Extended {
    static constexpr int S = sizeBytes(Sz);
    // Here a long at an odd address faults before the register moves.
    static uint32_t decrementChecked(int reg) {
        if constexpr (S == 4) {
            uint32_t a = A(reg) - 4;
            if (a & 1) raiseAddressError(a);
        }
        return eaAddress<PREDEC, S>(reg);
    }
    static constexpr int N = Memory ? (S == 4 ? 30 : 18) : (S == 4 ? 8 : 4);
    static void run(uint32_t op) {
        int y = op & 7;
        if constexpr (Memory) {
            uint32_t s = readMem<S>(decrementChecked(y));
            uint32_t a = decrementChecked(Reg);
            uint32_t d = readMem<S>(a);
            writeMem<S>(a, IsSub ? subExtended<S>(s, d) : addExtended<S>(s, d));
        } else {
            uint32_t s = D(y) & sizeMask<S>, d = D(Reg) & sizeMask<S>;
            writeD<S>(Reg, IsSub ? subExtended<S>(s, d) : addExtended<S>(s, d));
        }
        charge(N);
        finishInstruction(N);
    }
};

// CMPM (Ay)+,(Ax)+; Reg is x.
template <int Sz, int Reg> struct Cmpm {
    static constexpr int S = sizeBytes(Sz);
    static constexpr int N = S == 4 ? 20 : 12;
    // An odd source address faults after its register has moved by 2, an odd
    // destination address before its register moves.
    static void run(uint32_t op) {
        int y = op & 7;
        uint32_t a = A(y);
        if (S > 1 && (a & 1)) {
            A(y) = a + 2;
            raiseAddressError(a);
        }
        uint32_t s = readMem<S>(eaAddress<POSTINC, S>(y));
        charge(4);
        if (S > 1 && (A(Reg) & 1)) raiseAddressError(A(Reg));
        uint32_t d = readMem<S>(eaAddress<POSTINC, S>(Reg));
        alu<ALU_CMP, S>(s, d);
        charge(N - 4);
        finishInstruction(N);
    }
};

