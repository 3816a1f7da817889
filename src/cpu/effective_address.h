#pragma once
// The 68000's effective addresses: the twelve modes, their published calculation
// times, and the address, read and write forms the instruction handlers are built from.
// Handlers get the mode as a template argument and only the register number (the low
// three opcode bits) at run time.
#include "cpu/cpu_core.h"

enum EaMode : int {
    DREG,     // Dn
    AREG,     // An
    IND,      // (An)
    POSTINC,  // (An)+
    PREDEC,   // -(An)
    DISP,     // d16(An)
    INDEX,    // d8(An,Xn)
    ABSW,     // abs.W
    ABSL,     // abs.L
    PCDISP,   // d16(PC)
    PCINDEX,  // d8(PC,Xn)
    IMM,      // #imm
    EA_MODES
};

// The mode named by an opcode's six-bit field (mode in bits 5-3, register in 2-0), or -1.
constexpr int eaModeOf(int field) {
    int mode = (field >> 3) & 7, reg = field & 7;
    if (mode < 7) return mode;
    return reg <= 4 ? ABSW + reg : -1;
}
constexpr bool isMemoryMode(int m) { return m >= IND && m <= PCINDEX; }
// Classes of the 68000 manual: data (not An), memory, control, alterable.
constexpr bool isDataMode(int m) { return m >= 0 && m != AREG; }
constexpr bool isAlterable(int m) { return m >= DREG && m <= ABSL; }
constexpr bool isDataAlterable(int m) { return isAlterable(m) && m != AREG; }
constexpr bool isMemoryAlterable(int m) { return m >= IND && m <= ABSL; }
constexpr bool isControlMode(int m) { return m == IND || (m >= DISP && m <= PCINDEX); }

// Published effective-address calculation times (byte and word; long adds 4 for memory).
constexpr int eaCycles(int mode, int size) {
    constexpr int word[EA_MODES] = {0, 0, 4, 4, 6, 8, 10, 8, 12, 8, 10, 4};
    return word[mode] + (size == 4 && mode >= IND ? 4 : 0);
}
// NEG, NEGX, NOT, CLR: a data register 4 (long 6), memory 8 (long 12) + the operand.
constexpr int singleOperandCycles(int mode, int size) {
    return mode == DREG ? (size == 4 ? 6 : 4) : (size == 4 ? 12 : 8) + eaCycles(mode, size);
}
// The cycles of the operand's first bus access, charged before it by the instructions
// that charge ahead of each access (the rest of a long follows it).
constexpr int eaCyclesBeforeAccess(int mode) { return eaCycles(mode, 2); }

// d8(An,Xn): index register (D0-D7, A0-A7 as 0-15) in bits 15-12, whole long when bit
// 11 is set, else its sign-extended low word; signed 8-bit displacement in the low byte.
inline uint32_t indexDisplacement(uint32_t ext) {
    uint32_t x = cpu.regs[ext >> 12];
    if (!(ext & 0x800)) x = uint32_t(int32_t(int16_t(x)));
    return x + uint32_t(int32_t(int8_t(ext)));
}

// Byte accesses through (A7)+ and -(A7) move the stack pointer by 2.
template <int S> inline uint32_t addressStep(int reg) { return S == 1 && reg == 7 ? 2 : S; }

// The address of a memory operand, with the register update of (An)+ and -(An).
template <int Mode, int S> inline uint32_t eaAddress(int reg) {
    if constexpr (Mode == IND) {
        return A(reg);
    } else if constexpr (Mode == POSTINC) {
        uint32_t a = A(reg);
        // A long at an odd address faults before the register moves; a word after.
        if constexpr (S == 4) {
            if (a & 1) raiseAddressError(a);
        }
        A(reg) = a + addressStep<S>(reg);
        return a;
    } else if constexpr (Mode == PREDEC) {
        return A(reg) -= addressStep<S>(reg);
    } else if constexpr (Mode == DISP) {
        return A(reg) + uint32_t(int32_t(int16_t(fetchWord())));
    } else if constexpr (Mode == INDEX) {
        return A(reg) + indexDisplacement(fetchWord());
    } else if constexpr (Mode == ABSW) {
        return uint32_t(int32_t(int16_t(fetchWord())));
    } else if constexpr (Mode == ABSL) {
        return fetchLong();
    } else if constexpr (Mode == PCDISP) {
        uint32_t base = pcAddress();
        return base + uint32_t(int32_t(int16_t(fetchWord())));
    } else if constexpr (Mode == PCINDEX) {
        uint32_t base = pcAddress();
        return base + indexDisplacement(fetchWord());
    } else {
        return 0;  // not a memory mode: never decoded
    }
}

// Reads an operand of S bytes in any mode (An reads its low bytes).
template <int Mode, int S> inline uint32_t readEa(int reg) {
    if constexpr (Mode == DREG) {
        return D(reg) & sizeMask<S>;
    } else if constexpr (Mode == AREG) {
        return A(reg) & sizeMask<S>;
    } else if constexpr (Mode == IMM) {
        if constexpr (S == 4) return fetchLong();
        else return fetchWord() & sizeMask<S>;
    } else {
        return readMem<S>(eaAddress<Mode, S>(reg));
    }
}

// An operand that is read, changed and written back (Dn or a memory address).
template <int Mode, int S> struct Operand {
    int reg;
    uint32_t address;
    uint32_t read() {
        if constexpr (Mode == DREG) return D(reg) & sizeMask<S>;
        else return readMem<S>(address = eaAddress<Mode, S>(reg));
    }
    void write(uint32_t v) {
        if constexpr (Mode == DREG) writeD<S>(reg, v);
        else writeMem<S>(address, v);
    }
};

// Writes an operand of S bytes to a data register or memory.
template <int Mode, int S> inline void writeEa(int reg, uint32_t v) {
    if constexpr (Mode == DREG) writeD<S>(reg, v);
    else writeMem<S>(eaAddress<Mode, S>(reg), v);
}
