#pragma once
// The hard disk images on the ACSI bus, devices 0 and 1: raw images of 512-byte sectors
// (partitioned with an Atari or DOS table, or a bare FAT partition; see
// floppy/hard_disk_layout.h). An image is mapped privately from its file: sectors are
// read from the file's pages and the ST's writes go into private copies of them, so the
// image changes in memory only, as floppy writes do, and large images cost no more than
// the sectors used. With write-back on (machineSettings.acsiWriteBack) the front end has
// the changed sectors written to the file, through a journal
// (floppy/hard_disk_journal.h), whenever the machine stops running.
#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t HARD_DISKS = 2;
constexpr uint32_t HARD_DISK_SECTOR = 512;

struct HardDiskImage {
    std::string path;         // as attached (empty: no image)
    std::string filePath;     // the absolute path the file is written through
    uint8_t* data = nullptr;  // the mapped image
    uint32_t sectors = 0;
    std::vector<uint64_t> changed;  // a bit for each sector whose file copy is older
    uint64_t fileDevice = 0, fileInode = 0;
};

extern HardDiskImage hardDisks[HARD_DISKS];
// Why the last attach or write-back failed: "Cannot use the hard disk image PATH: ..."
// or "Cannot write back the hard disk image PATH: ...".
extern std::string hardDiskError;

inline bool hardDiskAttached(uint32_t id) { return id < HARD_DISKS && hardDisks[id].data; }
// Checks the file, completes a write-back an earlier run left unfinished, and maps the
// image as device `id` (an image already there is detached first, its unwritten changes
// dropped). False, with the device empty, when the image cannot be used.
bool hardDiskAttach(uint32_t id, const std::string& path);
// Drops the image and its unwritten changes.
void hardDiskDetach(uint32_t id);
// With write-back on, writes the changed sectors into the file. True when nothing is
// left to write (or write-back is off); false when the file could not be changed: it is
// then as it was, or completed from the journal when the image is next attached, and
// the changes stay in memory for the next attempt.
bool hardDiskWriteBack(uint32_t id);

// The image's bytes from sector `lba` on (the caller checks the range).
inline uint8_t* hardDiskSector(uint32_t id, uint32_t lba) { return hardDisks[id].data + uint64_t(lba) * HARD_DISK_SECTOR; }
// The ST wrote `count` sectors from `lba` on.
void hardDiskMarkChanged(uint32_t id, uint32_t lba, uint32_t count);
// The changed sectors, in order.
std::vector<uint32_t> hardDiskChangedSectors(uint32_t id);
// Lays a sector (a snapshot's) over the image; it counts as changed when it differs
// from what the image holds.
void hardDiskLaySector(uint32_t id, uint32_t lba, const uint8_t* bytes);
