#pragma once
// Memory snapshots: the whole machine (processor, RAM, chip registers, scheduler, floppy
// controller, keyboard processor, sound chip, DMA sound, ACSI bus with the hard disks'
// unwritten changes) in one file of tagged sections, resumed exactly: a default snapshot
// written at exit and resumed at start, and the front end's numbered slots
// (frontend/snapshot_slots.h).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct SectionEntry;

// "MemoryShot/DefaultSnapshot.Quarv" in the data folder.
std::string defaultSnapshotFile();

// The picture a snapshot carries ("SHOT": the capture of media/screenshot.h, 400 x 300
// 16-bit colours), the largest section after the RAM.
constexpr size_t SNAPSHOT_PICTURE_BYTES = 400 * 300 * 2;

// Fills the section registry with the machine's sections (bus/snapshot_section.h).
void registerSnapshotSections();
// A section of a part built above the machine (the picture, the folder drive), registered
// before the machine is brought up. The registry keeps the sections in the order they are
// written and applied, whenever each was registered; a tag registered again is ignored.
void registerSnapshotSection(const SectionEntry& section);

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
// With `packBlocks` false the RAM and the picture are written as they are
// (SNAPSHOT_RAW_BLOCK): no larger than the packed file's bound, and a plain copy, for
// states kept in memory.
void saveSnapshotToBuffer(std::vector<uint8_t>& bytes, bool packBlocks = true);
size_t snapshotMaxBytes();
bool loadSnapshotFromBuffer(const uint8_t* bytes, size_t size);

// The "MAIN" section records which entry of the front end's ROM list was active, and a
// load makes it active again; without hooks it records -1.
struct SnapshotRomHooks {
    int32_t (*activeRomId)();
    void (*setActiveRom)(uint32_t id);
};
void setSnapshotRomHooks(const SnapshotRomHooks* hooks);

// Reads only the section `tag` of a snapshot file and applies it (the menu's preview of
// a slot, from its "SHOT"); false when the file or the section cannot be read.
bool loadSnapshotSection(const std::string& path, const char* tag);
