#include "bus/processor_slice.h"

int32_t SliceBudget;
int32_t RemainingCycles = -1;
int32_t HeldBackCycles;
uint8_t busErrorPending;
const void* ioAccessMark;
