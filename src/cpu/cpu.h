#pragma once
// The 68000 processor core: registers, slices of execution, interrupts and the
// operations that memory-access handlers may call while an instruction runs.
#include <cstdint>

#include "bus/memory_map.h"
#include "bus/processor_slice.h"

constexpr uint32_t RUN_OK = 0x80000000;
constexpr uint32_t RUN_BAD_PC = 0x80000001;  // no address tables installed (a PC in nothing is a bus error)
constexpr uint32_t RUN_HALTED = 0xFFFFFFFF;

// The five address tables as the running code uses them.
struct MapSet {
    const FetchRow* fetch;
    const ReadRow* readByte;
    const ReadRow* readWord;
    const WriteRow* writeByte;
    const WriteRow* writeWord;
};

struct CpuState {
    MapSet active;      // reloaded from one of the two sets whenever S changes
    MapSet supervisor;
    MapSet user;
    void (*resetOperation)();  // called by the RESET instruction
    uint32_t regs[16];         // D0-D7 then A0-A7; A7 is the active stack pointer
    uint32_t inactiveSp;       // USP in supervisor mode, SSP in user mode
    uint32_t pc;               // 24-bit address while the core is not running
    int32_t odometer;          // cycle position in the current frame
    uint8_t interrupt[8];      // [0]: bit 0 stopped, bit L level L pending; [L]: vector for L
    uint16_t sr;
};

extern CpuState cpu;

// Once at start-up, before any other call.
int cpuBuildDispatchTable();
// Sets all five map pointers of both sets to the given tables. The processor notes which
// plain write row it may write without a walk and the one row of handlers lying over it
// (the screen window): call it again after adding or removing rows; the bounds of those
// two rows may move.
void cpuSetMaps(const MapSet& maps);
// The bounds of a fetch row moved (RAM size, ROM placement): the processor looks the
// PC's row up again before its next instruction.
void cpuFetchRowsChanged();
// Reset sequence: 0 ok, -1 odd initial PC (left halted), 1 refused.
int cpuReset();
// Runs whole instructions for a budget of cycles (at least one instruction).
uint32_t cpuRun(int32_t budget);
// Level 1-7, vector 0-255, -1 autovector, -2 spurious: 0 latched, 1 already pending,
// 2 invalid arguments.
int cpuRequestInterrupt(int level, int vector);
// Between slices: accepts one interrupt if one is due.
void cpuServiceInterrupts();

// Host code that sees a TRAP #n before the 68000 takes it (the folder drive answers the
// GEMDOS calls for its own drive). It runs inside the instruction with the registers
// live in `cpu` (A7 points at the caller's arguments) and says what the TRAP does:
enum TrapAction : int {
    TRAP_TAKEN,        // the exception, as without a hook
    TRAP_ANSWERED,     // nothing more: the call is done and the program goes on after it
    TRAP_TAKEN_AGAIN,  // the exception, stacking the TRAP's own address, so that the
                       // handler returns to the TRAP and it runs once more
};
using TrapHook = TrapAction (*)(uint32_t trapAddress);
// Installs (or, with null, removes) the hook of TRAP #n, 0-15. A TRAP without a hook
// runs exactly as before: the opcode table's entry is exchanged, nothing is tested.
void cpuSetTrapHook(int trap, TrapHook hook);

// Interrupt mask (SR bits 8-10) as it stands between slices.
inline int cpuInterruptMask() { return (cpu.sr >> 8) & 7; }
inline bool cpuStopped() { return cpu.interrupt[0] & 1; }

// Test entry: executes exactly one instruction, without the trace and interrupt steps,
// and returns the cycles charged.
int cpuStepInstruction();

// Snapshots: the registers, the interrupt latches and the odometer ("68K!").
struct SectionEntry;
SectionEntry cpuSnapshotSection();
