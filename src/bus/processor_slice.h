#pragma once
// The processor's slice as the access handlers see it. A register handler runs inside an
// instruction: it may end the slice, charge wait cycles or raise a bus error, and it
// learns whether it is the instruction's first I/O access. The 68000 core keeps these
// between its handler calls.
#include <cstdint>

// Slice bookkeeping shared with the access handlers. While a handler runs,
// RemainingCycles holds the slice's remaining budget (-1 otherwise), so that the
// handler's stamp is odometer + SliceBudget - RemainingCycles - HeldBackCycles.
extern int32_t SliceBudget;
extern int32_t RemainingCycles;
extern int32_t HeldBackCycles;
extern uint8_t busErrorPending;      // checked by the core after every handler call
extern const void* ioAccessMark;     // null until a handler was called in this instruction

// For access handlers running inside an instruction.
// Leave to the scheduler after this instruction, keeping the cycles used so far.
inline void endSliceNow() {
    RemainingCycles -= SliceBudget;
    SliceBudget = 0;
}
inline void cpuRequestBusError() { busErrorPending = 1; }
// Charges n more cycles to the running instruction.
inline void cpuAddWaitCycles(int n) { RemainingCycles -= n; }
inline bool cpuFirstIoAccess() { return ioAccessMark == nullptr; }
