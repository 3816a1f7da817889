#pragma once
// The 65,536-entry opcode table and the means to fill it: every instruction family
// provides its handlers as class templates specialised per operation, size, addressing
// modes and fixed registers, and a decoder that picks the one serving an opcode.
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

using OpHandler = void (*)(uint32_t opcode);
extern OpHandler OpcodeTable[65536];

// Sizes are passed to the templates as 0, 1, 2 (byte, word, long).
constexpr int sizeBytes(int sizeIndex) { return 1 << sizeIndex; }

// Tables of template instances: Grid<Op, N0, N1, ...>::at(i0, i1, ...) is
// &Op<i0, i1, ...>::run, for every index combination below the given bounds.
template <template <int...> class Op, int... Dims> struct Grid {
    static constexpr size_t rank = sizeof...(Dims);
    static constexpr std::array<int, rank> dims = {Dims...};
    static constexpr size_t count = (size_t(Dims) * ...);
    template <size_t I, size_t K> static constexpr int digit() {
        size_t stride = 1;
        for (size_t j = K + 1; j < rank; ++j) stride *= size_t(dims[j]);
        return int(I / stride % size_t(dims[K]));
    }
    template <size_t I, size_t... K> static constexpr OpHandler entry(std::index_sequence<K...>) {
        return &Op<digit<I, K>()...>::run;
    }
    template <size_t... I> static constexpr std::array<OpHandler, count> make(std::index_sequence<I...>) {
        return {{entry<I>(std::make_index_sequence<rank>())...}};
    }
    static constexpr std::array<OpHandler, count> table = make(std::make_index_sequence<count>());
    template <class... Index> static OpHandler at(Index... index) {
        static_assert(sizeof...(Index) == rank);
        size_t flat = 0, k = 0;
        ((flat = flat * size_t(dims[k++]) + size_t(index)), ...);
        return table[flat];
    }
};

// Each family's decoder (in the family's file): the handler for an opcode of its
// family, or null.
OpHandler decodeMove(uint32_t op);        // MOVE, MOVEA, MOVEQ, MOVEP, CLR, EXG, EXT, SWAP
OpHandler decodeMovem(uint32_t op);       // MOVEM
OpHandler decodeAddSub(uint32_t op);      // ADD, SUB and their A, I, Q, X forms; NEG, NEGX
OpHandler decodeCompare(uint32_t op);     // CMP, CMPA, CMPI, CMPM, TST
OpHandler decodeLogic(uint32_t op);       // AND, OR, EOR and their I forms; NOT; to CCR and SR
OpHandler decodeMulDiv(uint32_t op);      // MULU, MULS, DIVU, DIVS
OpHandler decodeBcd(uint32_t op);         // ABCD, SBCD, NBCD
OpHandler decodeShift(uint32_t op);       // ASx, LSx, ROx, ROXx on registers and memory
OpHandler decodeBitOp(uint32_t op);       // BTST, BCHG, BCLR, BSET, TAS
OpHandler decodeFlow(uint32_t op);        // Bcc, BRA, BSR, DBcc, Scc, JMP, JSR, RTS, RTR
OpHandler decodeAddress(uint32_t op);     // LEA, PEA, LINK, UNLK
OpHandler decodeSystem(uint32_t op);      // SR and USP moves, traps, CHK, RESET, STOP, RTE, NOP

// Every opcode that no family claims.
void opIllegal(uint32_t op);
// Puts the TRAP entries of the table in line with the installed trap hooks.
void installTrapHooks();
