// Placeholder until the MFP, keyboard processor, input and blitter land.
#include "machine/io_dispatch.h"
#include "peripherals/ikbd.h"
#include "peripherals/input.h"
#include "peripherals/mfp.h"
void mfpInstallRegisters(IoRegisterTable&) {}
void aciaInstallRegisters(IoRegisterTable&) {}
void blitterInstallRegisters(IoRegisterTable&) {}
void startTimerA(uint8_t, int32_t) {}
void startTimerB(uint8_t, int32_t) {}
void startTimerC(uint8_t, int32_t) {}
void startTimerD(uint8_t, int32_t) {}
void mfpReset() {}
void IkbdReset() {}
void ikbdMachineReset() {}
void IkbdScan() {}
bool ikbdQueueHasByte() { return false; }
uint8_t ikbdQueueGet() { return 0; }
void PollKeyboard() {}
bool keyDown(int) { return false; }
bool keyWentDown(int) { return false; }
bool keyWentUp(int) { return false; }
void PollJoystick() {}
void AcquireInput() {}
void UnacquireInput() {}
