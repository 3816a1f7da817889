#pragma once
// The menu's ten snapshot slots: "MemoryShot/QuarvMemoryShot_%d.Quarv" in the data folder,
// numbered 1-10 for the user, and the texts the menu shows for their results.
#include <string>

constexpr int SNAPSHOT_SLOTS = 10;

// Slots 0-9 are the files numbered 1-10.
std::string slotFileName(int slot);
bool saveSlot(int slot);
bool loadSlot(int slot);
bool eraseSlot(int slot);              // true when the file was deleted
bool loadSlotPicture(int slot);        // into previewPicture (media/screenshot.h); reads only "SHOT"
// The menu's texts for the results.
std::string slotSaveMessage(int slot, bool saved);
std::string slotLoadError(int slot);
std::string slotEraseError(int slot);
