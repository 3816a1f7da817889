// Placeholder until the scheduler lands.
#include "machine/scheduler.h"
#include "cpu/cpu.h"
SchedulerState scheduler = {432, 0, 330, 80, 16, 10016, 8, 0};
int32_t serviceEvents() { if (cpu.odometer >= 160256) { cpu.odometer -= 160256; return -1; } return 160256 - cpu.odometer; }
