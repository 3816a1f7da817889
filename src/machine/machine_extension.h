#pragma once
// A part built above the machine that keeps state of its own in it (the folder drive,
// which answers the 68000's TRAPs): the machine tells it of every hardware reset and of
// its shutdown. Its snapshot section joins the machine's (registerSnapshotSection,
// machine/snapshot.h).

struct MachineExtension {
    void (*hardwareReset)();  // after the chips' own reset (also the RESET instruction)
    void (*shutdown)();       // before the machine's memory is freed
};

// Adding the same extension again changes nothing.
void addMachineExtension(const MachineExtension& extension);
void resetMachineExtensions();
void shutDownMachineExtensions();
