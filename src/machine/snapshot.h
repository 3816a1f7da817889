#pragma once
// Memory snapshots: the whole machine (processor, RAM, chip registers, scheduler, floppy
// controller, keyboard processor, sound chip, DMA sound, ACSI bus with the hard disks'
// unwritten changes) in one file of tagged sections, resumed exactly. Ten numbered slots and a default snapshot written at exit.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "video/screenshot.h"

constexpr int SNAPSHOT_SLOTS = 10;
// "MemoryShot/DefaultSnapshot.Quarv" in the data folder.
std::string defaultSnapshotFile();

// The picture of the last slot whose "SHOT" section was read (400 x 300, 12-bit colours).
extern uint16_t previewPicture[CAPTURE_WIDTH * CAPTURE_HEIGHT];

// Fills the section registry, in the order the sections are written.
void registerSnapshotSections();

// Writes every section to a temporary file renamed over `path` once all were written.
bool saveSnapshot(const std::string& path);
// Reads and checks the whole file first; a truncated or corrupt file, or one whose TOS
// image cannot be loaded, is refused (false, the reason in snapshotLoadError) and the
// machine is left untouched. Loads between frames.
bool loadSnapshot(const std::string& path);
// Why the last load was refused.
const std::string& snapshotLoadError();
// After a load that succeeded: what it could not bring back (a disk image that cannot
// be used leaves drive A empty); empty when everything came back.
const std::string& snapshotLoadWarning();
// The same file in memory, which is never longer than snapshotMaxBytes() while no hard
// disk image holds unwritten changes.
void saveSnapshotToBuffer(std::vector<uint8_t>& bytes);
size_t snapshotMaxBytes();
bool loadSnapshotFromBuffer(const uint8_t* bytes, size_t size);

// The "MAIN" section records which entry of the front end's ROM list was active, and a
// load makes it active again; without hooks it records -1.
struct SnapshotRomHooks {
    int32_t (*activeRomId)();
    void (*setActiveRom)(uint32_t id);
};
void setSnapshotRomHooks(const SnapshotRomHooks* hooks);

// Slots 0-9 are the files numbered 1-10.
std::string slotFileName(int slot);
bool saveSlot(int slot);
bool loadSlot(int slot);
bool eraseSlot(int slot);              // true when the file was deleted
bool loadSlotPicture(int slot);        // into previewPicture; reads only "SHOT"
// The menu's texts for the results.
std::string slotSaveMessage(int slot, bool saved);
std::string slotLoadError(int slot);
std::string slotEraseError(int slot);
