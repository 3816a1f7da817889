#include "frontend/snapshot_slots.h"

#include <cstdio>

#include "base/data_folder.h"
#include "machine/snapshot.h"

std::string slotFileName(int slot) {
    char name[64];
    std::snprintf(name, sizeof name, "MemoryShot/QuarvMemoryShot_%d.Quarv", slot + 1);
    return dataFile(name);
}

bool saveSlot(int slot) { return saveSnapshot(slotFileName(slot)); }
bool loadSlot(int slot) { return loadSnapshot(slotFileName(slot)); }
bool eraseSlot(int slot) { return std::remove(slotFileName(slot).c_str()) == 0; }

bool loadSlotPicture(int slot) { return loadSnapshotSection(slotFileName(slot), "SHOT"); }

std::string slotSaveMessage(int slot, bool saved) {
    char text[80];
    std::snprintf(text, sizeof text, saved ? "Slot %d has been overwritten." : "ERROR: Unable to owerwrite slot %d",
                  slot + 1);
    return text;
}

std::string slotLoadError(int slot) {
    char text[64];
    std::snprintf(text, sizeof text, "ERROR: Unable to load slot %d", slot + 1);
    return text;
}

std::string slotEraseError(int slot) {
    char text[64];
    std::snprintf(text, sizeof text, "ERROR: Unable to erase slot %d", slot + 1);
    return text;
}
