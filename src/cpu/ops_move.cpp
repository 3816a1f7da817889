// MOVE, MOVEA, MOVEQ, MOVEP, CLR, EXG, EXT, SWAP.
#include <type_traits>

#include "cpu/alu.h"
#include "cpu/effective_address.h"
#include "cpu/opcode_table.h"

namespace {

// MOVE and MOVEA: 4 + source + destination (a -(An) destination costs as (An)). The
// address calculation and earlier bus cycles are charged before each access (MOVE.W
// (An),Dn: 4, read, 4; MOVE.L Dn,(An): 4, write, 8). A MOVE (not MOVEA) whose source is
// -(An), d8(An,Xn) or d8(PC,Xn) uses the pairing credit. A register stored to (An),
// (An)+ or -(An) takes the prefetch before its write, so the next opcode is the one
// read before the write as long as the slice goes on.
template <int Sz, int Src, int Dst, int DstReg> struct Move {
    static constexpr int S = sizeBytes(Sz);
    static constexpr int destCycles = Dst == PREDEC ? eaCycles(IND, S) : eaCycles(Dst, S);
    static constexpr int N = 4 + eaCycles(Src, S) + destCycles;
    static constexpr bool usesCredit = Dst != AREG && (Src == PREDEC || Src == INDEX || Src == PCINDEX);
    static constexpr int readBefore = isMemoryMode(Src) ? eaCyclesBeforeAccess(Src) : 0;
    static constexpr int writeBefore = Dst == PREDEC ? 4 : isMemoryMode(Dst) ? eaCyclesBeforeAccess(Dst) : 0;
    static constexpr int sourceRest = eaCycles(Src, S) - readBefore;
    static constexpr bool storesPrefetched = Src <= AREG && (Dst == IND || Dst == POSTINC || Dst == PREDEC);
    // When the write faults, the flags of a byte or word are set already. Those of a long
    // depend on how far the 68000 got: from a register or immediate, nothing to (An) and
    // (An)+, N and Z to d16(An) and d8(An,Xn), all to the others; from memory, the low
    // word's to (An), (An)+ and abs.L, all to the others. (An)+ has not moved, -(An) has
    // for a word only.
    static constexpr bool flagsComplete = S != 4;
    static void flagsBeforeWrite(uint32_t v) {
        constexpr bool fromRegister = Src <= AREG || Src == IMM;
        if constexpr (S != 4) setLogicFlags<S>(v);
        else if constexpr (Dst == IND || Dst == POSTINC) {
            if constexpr (!fromRegister) setLogicFlags<2>(v);
        } else if constexpr (!fromRegister && Dst == ABSL) setLogicFlags<2>(v);
        else if constexpr (fromRegister && (Dst == DISP || Dst == INDEX)) setNZ<4>(v);
        else setLogicFlags<4>(v);
    }
    static uint32_t destinationAddress(uint32_t v) {
        if constexpr (Dst == POSTINC || Dst == PREDEC) {
            uint32_t step = addressStep<S>(DstReg);
            uint32_t a = A(DstReg) - (Dst == PREDEC ? step : 0);
            if (S > 1 && (a & 1)) {
                flagsBeforeWrite(v);
                if constexpr (Dst == PREDEC && S == 2) A(DstReg) = a;
                raiseAddressError(a);
            }
            A(DstReg) = Dst == PREDEC ? a : a + step;
            return a;
        } else {
            return eaAddress<Dst, S>(DstReg);
        }
    }
    static void run(uint32_t op) {
        if constexpr (usesCredit) useCredit();
        charge(readBefore);
        uint32_t v = readEa<Src, S>(op & 7);
        if constexpr (Dst == AREG) {
            A(DstReg) = signExtend<S>(v);
            charge(N - readBefore);
        } else if constexpr (Dst == DREG) {
            writeD<S>(DstReg, v);
            setLogicFlags<S>(v);
            charge(N - readBefore);
        } else {
            uint32_t a = destinationAddress(v);
            charge(sourceRest + writeBefore);
            flagsBeforeWrite(v);
            if constexpr (storesPrefetched) takePrefetchCopy();
            writeMem<S>(a, v);
            if constexpr (!flagsComplete) setLogicFlags<S>(v);
            if constexpr (storesPrefetched) usePrefetchCopy = PREFETCH_UNTIL_EVENT;
            charge(N - readBefore - sourceRest - writeBefore);
        }
        finishInstruction(N);
    }
};
// The absolute destinations have no register: one instance serves them. Byte moves
// to or from an address register do not exist (the decoder leaves them illegal), so no
// handler is built for them.
struct NotBuilt {
    static void run(uint32_t op) { opIllegal(op); }
};
template <int Sz, int Src, int Dst, int DstReg>
using MoveAt = std::conditional_t<Sz == 0 && (Src == AREG || Dst == AREG), NotBuilt,
                                  Move<Sz, Src, Dst, Dst >= ABSW ? 0 : DstReg>>;

template <int Reg> struct Moveq {
    static void run(uint32_t op) {
        D(Reg) = uint32_t(int32_t(int8_t(op)));
        setLogicFlags<4>(D(Reg));
        charge(4);
        finishInstruction(4);
    }
};

// MOVEP: the bytes of a data register to or from every other byte of memory (an 8-bit
// peripheral on one half of the bus). Opmode 0/1 loads a word/long, 2/3 stores.
template <int Opmode, int Reg> struct Movep {
    static constexpr int count = Opmode & 1 ? 4 : 2;
    static constexpr int N = count == 4 ? 24 : 16;
    static void run(uint32_t op) {
        uint32_t a = A(op & 7) + uint32_t(int32_t(int16_t(fetchWord())));
        if constexpr (Opmode < 2) {
            uint32_t v = 0;
            for (int i = 0; i < count; ++i) v = v << 8 | readMem<1>(a + 2 * i);
            if constexpr (count == 4) D(Reg) = v;
            else writeD<2>(Reg, v);
        } else {
            for (int i = 0; i < count; ++i) writeMem<1>(a + 2 * i, D(Reg) >> (8 * (count - 1 - i)));
        }
        charge(N);
        finishInstruction(N);
    }
};

// CLR: CLR.L Dn costs 8 here (published 6).
template <int Sz, int Mode> struct Clear {
    static constexpr int S = sizeBytes(Sz);
    static constexpr int N = Mode == DREG && S == 4 ? 8 : singleOperandCycles(Mode, S);
    static void run(uint32_t op) {
        writeEa<Mode, S>(op & 7, 0);
        flagN = flagV = flagC = 0;
        flagZ = 1;
        charge(N);
        finishInstruction(N);
    }
};

// EXG Dx,Dy (kind 0), Ax,Ay (1), Dx,Ay (2); hands 4 cycles to the next instruction.
template <int Kind, int Reg> struct Exchange {
    static void run(uint32_t op) {
        uint32_t& x = Kind == 1 ? A(Reg) : D(Reg);
        uint32_t& y = Kind == 0 ? D(op & 7) : A(op & 7);
        std::swap(x, y);
        charge(6);
        finishGranting(6);
    }
};

// EXT.W (byte to word), EXT.L (word to long).
template <int Long> struct Extend {
    static void run(uint32_t op) {
        int reg = op & 7;
        if constexpr (Long) {
            D(reg) = signExtend<2>(D(reg));
            setLogicFlags<4>(D(reg));
        } else {
            writeD<2>(reg, signExtend<1>(D(reg)));
            setLogicFlags<2>(D(reg));
        }
        charge(4);
        finishInstruction(4);
    }
};

struct Swap {
    static void run(uint32_t op) {
        uint32_t& d = D(op & 7);
        d = d << 16 | d >> 16;
        setLogicFlags<4>(d);
        charge(4);
        finishInstruction(4);
    }
};
}  // namespace

OpHandler decodeMove(uint32_t op) {
    int line = op >> 12, reg = (op >> 9) & 7, mode = eaModeOf(op & 0x3F);
    if (line >= 1 && line <= 3) {
        int size = line == 1 ? 0 : line == 3 ? 1 : 2;
        int dst = eaModeOf((op >> 3 & 0x38) | reg);
        if (mode < 0 || !isAlterable(dst) || (size == 0 && (mode == AREG || dst == AREG))) return nullptr;
        return Grid<MoveAt, 3, 12, 9, 8>::at(size, mode, dst, reg);
    }
    if (line == 7) return op & 0x100 ? nullptr : Grid<Moveq, 8>::at(reg);
    if (line == 0 && (op & 0x138) == 0x108) return Grid<Movep, 4, 8>::at((op >> 6) & 3, reg);
    if ((op & 0xFF00) == 0x4200 && ((op >> 6) & 3) != 3 && isDataAlterable(mode))
        return Grid<Clear, 3, 9>::at((op >> 6) & 3, mode);
    if (line == 0xC && (op & 0x100)) {
        switch (op & 0xF8) {
        case 0x40: return Grid<Exchange, 3, 8>::at(0, reg);
        case 0x48: return Grid<Exchange, 3, 8>::at(1, reg);
        case 0x88: return Grid<Exchange, 3, 8>::at(2, reg);
        }
        return nullptr;
    }
    if ((op & 0xFFF8) == 0x4840) return Swap::run;
    if ((op & 0xFFB8) == 0x4880) return op & 0x40 ? Extend<1>::run : Extend<0>::run;
    return nullptr;
}
