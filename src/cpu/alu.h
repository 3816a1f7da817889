#pragma once
// Arithmetic and logic with the 68000's condition codes, shared by every instruction
// that adds, subtracts, compares or combines bits.
#include "cpu/cpu_core.h"

enum AluOp : int { ALU_ADD, ALU_SUB, ALU_CMP, ALU_AND, ALU_OR, ALU_EOR };

// d + s + x: carry and overflow from the operands' and result's top bits.
template <int S> inline uint32_t addWithFlags(uint32_t s, uint32_t d, uint32_t x) {
    uint32_t r = (d + s + x) & sizeMask<S>;
    flagC = flagX = msbOf<S>((s & d) | ((s | d) & ~r));
    flagV = msbOf<S>((s ^ r) & (d ^ r));
    flagN = msbOf<S>(r);
    return r;
}
// d - s - x, borrow in C.
template <int S> inline uint32_t subWithFlags(uint32_t s, uint32_t d, uint32_t x) {
    uint32_t r = (d - s - x) & sizeMask<S>;
    flagC = msbOf<S>((s & ~d) | ((s | ~d) & r));
    flagV = msbOf<S>((s ^ d) & (r ^ d));
    flagN = msbOf<S>(r);
    return r;
}

// Applies a two-operand operation to d, setting the flags; CMP leaves X alone and its
// result is not stored.
template <int Op, int S> inline uint32_t alu(uint32_t s, uint32_t d) {
    uint32_t r;
    if constexpr (Op == ALU_ADD) {
        r = addWithFlags<S>(s, d, 0);
        flagZ = r == 0;
    } else if constexpr (Op == ALU_SUB) {
        r = subWithFlags<S>(s, d, 0);
        flagX = flagC;
        flagZ = r == 0;
    } else if constexpr (Op == ALU_CMP) {
        uint8_t x = flagX;
        r = subWithFlags<S>(s, d, 0);
        flagX = x;
        flagZ = r == 0;
    } else {
        if constexpr (Op == ALU_AND) r = s & d;
        else if constexpr (Op == ALU_OR) r = s | d;
        else r = s ^ d;
        setLogicFlags<S>(r);
    }
    return r;
}

// ADDX, SUBX, NEGX: X takes part, and Z is only ever cleared, so that a multi-precision
// chain tests zero over all its parts.
template <int S> inline uint32_t addExtended(uint32_t s, uint32_t d) {
    uint32_t r = addWithFlags<S>(s, d, flagX);
    if (r) flagZ = 0;
    return r;
}
template <int S> inline uint32_t subExtended(uint32_t s, uint32_t d) {
    uint32_t r = subWithFlags<S>(s, d, flagX);
    flagX = flagC;
    if (r) flagZ = 0;
    return r;
}
