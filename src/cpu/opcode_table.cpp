// The opcode table, built once at start-up by decoding every opcode word: each family's
// decoder claims its opcodes; the rest are illegal instructions.
#include "cpu/opcode_table.h"

OpHandler OpcodeTable[65536];

int cpuBuildDispatchTable() {
    static constexpr OpHandler (*decoders[])(uint32_t) = {
        decodeMove,   decodeMovem, decodeAddSub, decodeCompare, decodeLogic,   decodeMulDiv,
        decodeBcd,    decodeShift, decodeBitOp,  decodeFlow,    decodeAddress, decodeSystem,
    };
    for (uint32_t op = 0; op < 65536; ++op) {
        OpHandler handler = nullptr;
        for (auto decode : decoders)
            if ((handler = decode(op))) break;
        OpcodeTable[op] = handler ? handler : opIllegal;
    }
    installTrapHooks();
    return 0;
}
