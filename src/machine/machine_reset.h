#pragma once
// Warm and cold machine resets, and the hardware reset also reached by the 68000
// RESET instruction.

// Puts the MFP, Shifter, YM2149, keyboard interface and ACSI bus into their power-on
// state, then the extensions above the machine (the folder drive closes its files).
void hardwareReset();
// Cold: RAM from 8 to $3FFFFF cleared. Then the processor's reset sequence, the
// hardware reset, the YM2149 reset request and the DMA sound reset.
void machineReset(bool cold);
