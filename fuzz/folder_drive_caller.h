#pragma once
// GEMDOS calls to the folder drive as a program makes them, without a TOS: the
// arguments pushed on a stack in RAM and a TRAP #1 run by the 68000, with the TOS's
// variables the drive reads (the OS header, the running basepage, its DTA and current
// drive) set up as a TOS keeps them. A call the drive passes on reaches a stand-in for
// the TOS: it answers the Pexec 5, Pexec 4 and Mfree of a program load as the TOS would
// (a basepage over free RAM, exit code 0, done) and any other call with PASSED.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bus/hardware_state.h"
#include "bus/memory_map.h"
#include "cpu/cpu.h"
#include "gemdos/folder_drive.h"
#include "machine/machine.h"

namespace folder_drive_caller {

constexpr int32_t PASSED = 0x50415353;
constexpr uint32_t HEADER = 0x1000, RUN = 0x1100, BASEPAGE = 0x1200, DTA = 0x1300, TOS = 0x1400, CODE = 0x1500,
                   STRINGS = 0x1600, STACK = 0x8000, BUFFER = 0x10000, CHILD_BASEPAGE = 0x40000, CHILD_END = 0x80000;

inline void putWord(uint32_t a, uint16_t v) {
    uint8_t b[2] = {uint8_t(v >> 8), uint8_t(v)};
    copyToSt(a, b, 2);
}
inline void putLong(uint32_t a, uint32_t v) {
    putWord(a, uint16_t(v >> 16));
    putWord(a + 2, uint16_t(v));
}
inline uint16_t word(uint32_t a) {
    uint8_t b[2] = {};
    copyFromSt(a, b, 2);
    return uint16_t(b[0] << 8 | b[1]);
}
inline uint32_t longAt(uint32_t a) { return uint32_t(word(a)) << 16 | word(a + 2); }

// Once: the machine; then at every call to setUp: RAM cleared, the TOS's variables,
// drive C: current, the supervisor stack, TRAP #1 at CODE and RTE where its vector leads.
inline bool setUp() {
    static bool machine = (folderDriveJoinMachine(), machineInit());
    if (!machine) return false;
    std::memset(hw.ram + 8, 0, 0x100000 - 8);
    putLong(0x4F2, HEADER);
    putWord(HEADER + 2, 0x0104);
    putLong(HEADER + 0x28, RUN);
    putLong(RUN, BASEPAGE);
    putLong(BASEPAGE + 0x20, DTA);
    uint8_t drive = 2;
    copyToSt(BASEPAGE + 0x37, &drive, 1);
    putLong(0x84, TOS);
    putWord(TOS, 0x4E73);
    putWord(CODE, 0x4E41);
    return true;
}

// Bytes pushed for a call: the function number, then word and long arguments.
struct Arguments {
    std::vector<uint8_t> bytes;
    Arguments& w(uint32_t v) {
        bytes.push_back(uint8_t(v >> 8));
        bytes.push_back(uint8_t(v));
        return *this;
    }
    Arguments& l(uint32_t v) { return w(v >> 16).w(v & 0xFFFF); }
};
inline Arguments call(uint16_t function) { return Arguments().w(function); }

// A string in RAM for a call's path arguments (each call reuses the area from the start).
struct Strings {
    uint32_t next = STRINGS;
    uint32_t put(const std::string& s) {
        uint32_t at = next;
        copyToSt(at, s.c_str(), uint32_t(s.size() + 1));
        next += uint32_t(s.size() + 2) & ~1u;
        return at;
    }
};

// The stand-in TOS: what the drive asked of it, at the stack where the TRAP put the
// arguments (above the 6-byte exception frame).
inline int32_t tosAnswer(uint32_t arguments) {
    uint16_t function = word(arguments);
    if (function == 0x49) return 0;  // Mfree
    if (function != 0x4B) return PASSED;
    uint16_t mode = word(arguments + 2);
    if (mode == 4) return 0;  // the program ran and ended
    if (mode != 5) return PASSED;
    putLong(CHILD_BASEPAGE, CHILD_BASEPAGE);
    putLong(CHILD_BASEPAGE + 4, CHILD_END);
    return int32_t(CHILD_BASEPAGE);
}

// Makes the call and returns D0; `cycles` gets what the TRAPs cost.
inline int32_t make(const Arguments& a, int* cycles = nullptr) {
    cpu.sr = 0x2700;
    cpu.regs[15] = STACK - uint32_t(a.bytes.size());
    copyToSt(cpu.regs[15], a.bytes.data(), uint32_t(a.bytes.size()));
    cpu.pc = CODE;
    cpu.interrupt[0] = 0;
    int total = 0;
    cpu.regs[0] = uint32_t(PASSED);
    for (int steps = 0; steps < 16; ++steps) {
        total += cpuStepInstruction();
        if (cpu.pc == CODE + 2) break;  // answered
        if (cpu.pc != TOS) return PASSED;
        cpu.regs[0] = uint32_t(tosAnswer(cpu.regs[15] + 6));
        cpuStepInstruction();  // the RTE
        if (cpu.pc != CODE) break;  // taken once: the TOS's answer
    }
    if (cycles) *cycles = total;
    return int32_t(cpu.regs[0]);
}

}  // namespace folder_drive_caller
