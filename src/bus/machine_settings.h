#pragma once
// The settings the emulated machine reads while it runs: machine type, memory, disk and
// sound options, and how the picture is laid out. The front end fills them from the
// user's settings and may change them between frames.
#include <cstdint>

struct MachineSettings {
    uint32_t machine = 0;           // 0 STFM, 1 STE (the hardware follows at applyMachineType)
    uint32_t ramSize = 2;           // RAM size index 0-3
    uint32_t fastDisk = 0;          // floppy commands complete at once
    uint32_t floppyAProtected = 0;  // drive A's disk is write-protected
    uint32_t acsiWriteBack = 0;     // the ST's changes to hard disk images reach their files
    uint32_t ymSound = 1;           // mix the YM2149
    uint32_t dacSound = 1;          // mix the STE's DMA sound
    uint32_t lowPass = 1;           // low-pass filter over the mix
    uint32_t diskSound = 1;         // the drive's noises in the mix
    uint32_t arrowForJoystick = 1;  // the arrow keys and Left Control are joystick 1
    uint32_t softwareMode = 1;      // line doubling: 0 Normal, 1 Half, 2 Interlace, 3 Blend
    bool singleRowLines = false;    // each line on one picture row (the host scales the picture)
    uint32_t profile = 0;           // timing figures and messages drawn over the picture
    uint32_t soundDebug = 0;        // the sound output's trace drawn over the picture
    // The keyboard processor's clock when the machine powers on, in seconds since
    // 1970-01-01 UTC; -1: the host's clock at that moment.
    int64_t clockAtPowerOn = -1;
};

extern MachineSettings machineSettings;

// The machine type flags of the hardware follow machineSettings.machine (1 STE, else STFM).
void applyMachineType();
