#pragma once
// The keyboard processor behind the keyboard ACIA, and its output queue.
#include <cstdint>

void IkbdReset();
void ikbdMachineReset();  // machine reset: only enables the mouse
void IkbdScan();          // every 10016 cycles, before a byte is delivered
bool ikbdQueueHasByte();
uint8_t ikbdQueueGet();
