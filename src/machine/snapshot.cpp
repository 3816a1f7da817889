#include "machine/snapshot.h"

#include <lzo/lzo1x.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

#include "base/data_folder.h"
#include "base/input_file.h"
#include "base/little_endian.h"
#include "base/safe_file.h"
#include "bus/hardware_state.h"
#include "bus/machine_settings.h"
#include "bus/memory_map.h"
#include "bus/snapshot_section.h"
#include "cpu/cpu.h"
#include "floppy/acsi_bus.h"
#include "floppy/disk_image.h"
#include "floppy/wd1772.h"
#include "machine/rom_images.h"
#include "machine/scheduler.h"
#include "peripherals/blitter.h"
#include "peripherals/ikbd.h"
#include "peripherals/mfp.h"
#include "sound/mixer.h"
#include "sound/ym2149.h"
#include "video/shifter.h"

std::string defaultSnapshotFile() { return dataFile("MemoryShot/DefaultSnapshot.Quarv"); }

namespace {

const SnapshotRomHooks* romHooks;
// Why the last load was refused.
std::string loadError;

// ---- The machine's own section --------------------------------------------------------
// Which machine the snapshot is of: its type, the disk in drive A and the TOS it runs.
// Every other part keeps its section beside its state (bus/snapshot_section.h).

// What a load could not bring back while the machine still resumed.
std::string loadWarning;

struct MainSection {
    static constexpr uint32_t VERSION = 2;
    uint32_t version = VERSION;
    uint32_t machineFlags;
    std::string versionString, diskPath, romName;
    int32_t romId = -1;
    TosImage rom;  // the image the snapshot ran, read before anything is applied

    template <class S>
    void fields(S& s) {
        s.num(machineFlags);
        s.text(versionString, 256);
        s.text(diskPath, 512);
        if (version >= 2) {
            s.num(romId);
            s.text(romName, 260);
        }
    }
    bool acceptVersion() const { return version <= VERSION; }
    void capture() {
        machineFlags = hw.machineFlags;
        versionString = QUARV_VERSION_STRING;
        diskPath = insertedDiskPath();
        romId = romHooks ? romHooks->activeRomId() : -1;
        romName = currentRomName;
    }
    // The machine cannot resume on another TOS than the one whose state its RAM holds:
    // a snapshot whose TOS image cannot be loaded is refused.
    bool valid() {
        if (version < 2) return true;
        if (readTosImage(romName.c_str(), rom)) return true;
        loadError = "Its TOS image cannot be loaded: " + romLoadError;
        return false;
    }
    // A disk that cannot be inserted leaves the drive empty: the machine can go on.
    void apply() const {
        machineSettings.machine = machineFlags & MACHINE_STE;
        applyMachineType();
        if (!InsertDisk(diskPath.c_str()) && diskPath.size() >= 2)
            loadWarning = "Drive A is left empty: the disk image " + diskPath + " cannot be used: " +
                          (*driveA.errorMessage ? driveA.errorMessage : "unreadable.");
        if (version >= 2) {
            if (romId != -1 && romHooks) romHooks->setActiveRom(uint32_t(romId));
            placeTosImage(rom);
        }
    }
};

// ---- Registry -----------------------------------------------------------------------

// The sections in the order they are written and applied: a section that refines
// another's state comes after it.
constexpr char SECTION_ORDER[][5] = {"MAIN", "68K!", "MFP!", "IT! ", "FDC!", "SHFT", "KEYB",
                                     "SND!", "RAM!", "SHOT", "SND2", "GEMD", "ACSI"};

int orderOf(const char* tag) {
    int n = int(std::size(SECTION_ORDER));
    for (int i = 0; i < n; ++i)
        if (std::memcmp(SECTION_ORDER[i], tag, 4) == 0) return i;
    return n;
}

std::vector<SectionEntry> SnapshotRegistry;

const SectionEntry* findEntry(const uint8_t* tag) {
    for (const SectionEntry& e : SnapshotRegistry)
        if (std::memcmp(e.tag, tag, 4) == 0) return &e;
    return nullptr;
}

// No snapshot is longer than snapshotMaxBytes(): reading stops there, so that a device
// named in a snapshot's place (one that never ends) is refused rather than read for ever.
bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    if (readInputFile(path, snapshotMaxBytes(), bytes)) return true;
    loadError = inputFileError();
    return false;
}

bool refuse(const std::string& why) {
    loadError = why;
    return false;
}

std::string sectionName(const char* tag) { return "\"" + std::string(tag, 4) + "\""; }

}  // namespace

void registerSnapshotSection(const SectionEntry& e) {
    if (findEntry(reinterpret_cast<const uint8_t*>(e.tag))) return;
    auto at = std::find_if(SnapshotRegistry.begin(), SnapshotRegistry.end(),
                           [&e](const SectionEntry& r) { return orderOf(r.tag) > orderOf(e.tag); });
    SnapshotRegistry.insert(at, e);
}

void registerSnapshotSections() {
    static bool registered;
    if (registered || lzo_init() != LZO_E_OK) return;
    registered = true;
    for (const SectionEntry& e : {sectionEntry<MainSection>("MAIN"), cpuSnapshotSection(), mfpSnapshotSection(),
                                  schedulerSnapshotSection(), fdcSnapshotSection(), shifterSnapshotSection(),
                                  keyboardSnapshotSection(), ymSnapshotSection(), ramSnapshotSection(),
                                  soundRunSnapshotSection(), acsiSnapshotSection()})
        registerSnapshotSection(e);
}

void setSnapshotRomHooks(const SnapshotRomHooks* hooks) { romHooks = hooks; }

// LZO1X can grow incompressible data by n / 16 + 67 bytes; the sections besides the RAM
// and the picture, with every header, stay far below 64 KB, as long as no hard disk
// image holds changes its file does not (the libretro core, the one user of this bound,
// attaches none).
size_t snapshotMaxBytes() {
    auto compressedAtMost = [](size_t n) { return n + n / 16 + 67; };
    return compressedAtMost(MAX_RAM_BYTES) + compressedAtMost(SNAPSHOT_PICTURE_BYTES) + 0x10000;
}

void saveSnapshotToBuffer(std::vector<uint8_t>& file, bool packBlocks) {
    registerSnapshotSections();
    file.clear();
    SnapshotSaver out{file, packBlocks};
    for (const SectionEntry& e : SnapshotRegistry) {
        file.insert(file.end(), e.tag, e.tag + 4);
        size_t sizeAt = file.size();
        out.put32(0);
        e.save(out);
        uint32_t size = uint32_t(file.size() - sizeAt - 4);
        for (int i = 0; i < 4; ++i) file[sizeAt + i] = uint8_t(size >> (8 * i));
    }
}

bool saveSnapshot(const std::string& path) {
    std::vector<uint8_t> file;
    saveSnapshotToBuffer(file);
    return writeFileReplacing(path, file.data(), file.size());
}

// Two passes: every section is read and checked into its staging data, and only when
// the whole file is sound are they applied, in the registry's order whatever the file's,
// so that a section refining another's state always comes after it. A section body is
// never read past its size; fields a newer version adds at its end are skipped. A file
// holding a "MAIN" section is a whole-machine snapshot and must hold every section but
// those added later, so that a file cut short is refused rather than half applied while
// files written before a section existed still load.
bool loadSnapshotFromBuffer(const uint8_t* data, size_t size) {
    registerSnapshotSections();
    loadError.clear();
    loadWarning.clear();
    if (size == 0) return refuse("The file is empty.");
    std::vector<const SectionEntry*> found;
    auto present = [&found](const SectionEntry& e) { return std::find(found.begin(), found.end(), &e) != found.end(); };
    const uint8_t* p = data;
    const uint8_t* end = p + size;
    while (p < end) {
        const SectionEntry* e = end - p >= 8 ? findEntry(p) : nullptr;
        if (!e) return refuse("The file is not a snapshot, or it is damaged.");
        uint32_t size = little32(p + 4);
        p += 8;
        if (size > size_t(end - p)) return refuse("The file is cut short in its " + sectionName(e->tag) + " section.");
        if (present(*e)) return refuse("The file holds its " + sectionName(e->tag) + " section twice.");
        SnapshotParser parser{p, p + size};
        if (!e->parse(parser))
            return loadError.empty() ? refuse("Its " + sectionName(e->tag) + " section is damaged.") : false;
        found.push_back(e);
        p += size;
    }
    bool whole = false;
    for (const SectionEntry* e : found) whole |= std::memcmp(e->tag, "MAIN", 4) == 0;
    if (whole)
        for (const SectionEntry& e : SnapshotRegistry)
            if (!e.addedLater && !present(e))
                return refuse("Its " + sectionName(e.tag) + " section is missing.");

    for (const SectionEntry& e : SnapshotRegistry)
        if (present(e))
            e.apply();
        else if (whole)
            e.absent();
    // The blitter's state is not in the file: a blit the replaced machine was running
    // must not go on over the restored RAM.
    blitterReset();
    // The frame that follows starts from the restored machine: its screen copy, screen
    // window and line table come from the restored RAM and video base.
    ShifterFrameStart();
    return true;
}

const std::string& snapshotLoadError() { return loadError; }
const std::string& snapshotLoadWarning() { return loadWarning; }

bool loadSnapshot(const std::string& path) {
    std::vector<uint8_t> file;
    return readWholeFile(path, file) && loadSnapshotFromBuffer(file.data(), file.size());
}

bool loadSnapshotSection(const std::string& path, const char* tag) {
    registerSnapshotSections();
    const SectionEntry* e = findEntry(reinterpret_cast<const uint8_t*>(tag));
    std::vector<uint8_t> file;
    if (!e || !readWholeFile(path, file)) return false;
    const uint8_t* p = file.data();
    const uint8_t* end = p + file.size();
    while (end - p >= 8) {
        uint32_t size = little32(p + 4);
        bool wanted = std::memcmp(p, tag, 4) == 0;
        p += 8;
        if (size > size_t(end - p)) return false;
        if (wanted) {
            SnapshotParser parser{p, p + size};
            if (!e->parse(parser)) return false;
            e->apply();
            return true;
        }
        p += size;
    }
    return false;
}
