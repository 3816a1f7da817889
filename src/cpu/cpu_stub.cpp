// Placeholder until the interpreter lands.
#include "cpu/cpu.h"
CpuState cpu;
int32_t SliceBudget, RemainingCycles = -1, HeldBackCycles;
uint8_t busErrorPending;
const void* ioAccessMark;
int cpuBuildDispatchTable() { return 0; }
void cpuSetMaps(const MapSet& m) { cpu.active = cpu.supervisor = cpu.user = m; }
int cpuReset() { return 0; }
uint32_t cpuRun(int32_t budget) { cpu.odometer += budget; return RUN_OK; }
int cpuRequestInterrupt(int, int) { return 0; }
void cpuServiceInterrupts() {}
int cpuStepInstruction() { return 4; }
