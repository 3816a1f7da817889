#include "machine/machine_extension.h"

constexpr int MAX_EXTENSIONS = 4;
static MachineExtension extensions[MAX_EXTENSIONS];
static int count;

void addMachineExtension(const MachineExtension& e) {
    for (int i = 0; i < count; ++i)
        if (extensions[i].hardwareReset == e.hardwareReset && extensions[i].shutdown == e.shutdown) return;
    if (count < MAX_EXTENSIONS) extensions[count++] = e;
}

void resetMachineExtensions() {
    for (int i = 0; i < count; ++i) extensions[i].hardwareReset();
}

void shutDownMachineExtensions() {
    for (int i = 0; i < count; ++i) extensions[i].shutdown();
}
