#include "floppy/acsi_bus.h"

#include <cstring>
#include <algorithm>
#include <string>
#include <vector>

#include "bus/hardware_state.h"
#include "bus/machine_settings.h"
#include "bus/mfp_registers.h"
#include "bus/processor_slice.h"
#include "bus/snapshot_section.h"
#include "floppy/dma_chip.h"
#include "floppy/wd1772.h"

AcsiBusState acsi;

// Command groups by the operation code's top three bits: 6 bytes for group 0, 10 for
// groups 1 and 2, 12 for group 5; the reserved and vendor groups are taken as 6.
static uint32_t commandLength(uint8_t opcode) {
    switch (opcode >> 5) {
    case 1:
    case 2: return 10;
    case 5: return 12;
    default: return 6;
    }
}

static void schedule(uint32_t event, uint32_t time) {
    acsi.event = event;
    acsi.eventTime = time;
    endSliceNow();
}

// A plain command keeps the device number in its first byte's top bits; after ICD's
// escape byte the whole operation code follows.
static void execute(uint32_t now) {
    uint8_t cdb[ACSI_MAX_COMMAND];
    bool escaped = (acsi.command[0] & 0x1F) == ACSI_ICD_ESCAPE;
    std::memcpy(cdb, acsi.command + (escaped ? 1 : 0), ACSI_MAX_COMMAND - 1);
    if (!escaped) cdb[0] &= 0x1F;
    uint32_t time = acsiExecute(acsi.device, cdb);
    acsi.phase = ACSI_BUSY;
    schedule(ACSI_EVENT_DONE, now + (machineSettings.fastDisk ? FDC_SHORT_COMMAND : time));
}

void acsiWriteByte(uint8_t byte, bool a1, uint32_t now) {
    diskInterruptLine(DISK_IRQ_ACSI, false);  // the byte's strobe takes back a device's request
    if (!a1) {
        // A1 low starts a command on every device: whatever went on before is abandoned.
        acsi.phase = ACSI_IDLE;
        acsi.event = ACSI_EVENT_NONE;
        uint32_t device = byte >> 5;
        if (!hardDiskAttached(device)) return;
        acsi.phase = ACSI_COMMAND;
        acsi.device = device;
        acsi.received = 0;
        acsi.length = (byte & 0x1F) == ACSI_ICD_ESCAPE ? 0 : 6;
    } else if (acsi.phase != ACSI_COMMAND) {
        return;
    }
    acsi.command[acsi.received++] = byte;
    if (acsi.length == 0 && acsi.received == 2) acsi.length = 1 + commandLength(byte);
    if (acsi.length == 0 || acsi.received < acsi.length) {
        schedule(ACSI_EVENT_NEXT_BYTE, now + ACSI_BYTE_TIME);
        return;
    }
    execute(now);
}

uint32_t acsiPeekByte() { return acsi.phase == ACSI_STATUS ? acsi.status : 0xFF; }

uint32_t acsiReadByte() {
    uint32_t byte = acsiPeekByte();
    if (acsi.phase == ACSI_STATUS) {
        acsi.phase = ACSI_IDLE;
        diskInterruptLine(DISK_IRQ_ACSI, false);
    }
    return byte;
}

void acsiEvent() {
    if (acsi.event == ACSI_EVENT_DONE) {
        dmaTransferEnds();
        acsi.phase = ACSI_STATUS;
    }
    acsi.event = ACSI_EVENT_NONE;
    diskInterruptLine(DISK_IRQ_ACSI, true);
}

void acsiBusReset() {
    acsi = AcsiBusState{};
    diskInterruptLine(DISK_IRQ_ACSI, false);
}

// ---- Snapshot section ---------------------------------------------------------------
namespace {
// The ACSI bus and its hard disks: the bus's state, the shared interrupt line's sources,
// which image each device holds, and the image sectors that the file does not hold (the
// ST's changes not written back), in runs of at most 128 sectors. Resuming maps each
// image from its file again and lays those sectors over it: changes made after the
// snapshot are dropped. Files written before the bus existed load with the bus idle and
// the images attached now as they are.
struct AcsiSection {
    static constexpr uint32_t RUN_SECTORS = 128;
    struct Run {
        uint32_t lba, count, length;
        std::vector<uint8_t> bytes;
    };
    struct Device {
        std::string path;
        uint32_t sectors = 0;
        std::vector<Run> runs;
    };
    uint32_t version = 1;
    AcsiBusState bus;
    uint8_t lineSources;
    Device devices[HARD_DISKS];

    template <class S>
    void fields(S& s) {
        s.num(bus.phase);
        s.num(bus.device);
        s.raw(bus.command, sizeof bus.command);
        s.num(bus.received);
        s.num(bus.length);
        s.num(bus.status);
        s.num(bus.event);
        s.num(bus.eventTime);
        for (AcsiSense& k : bus.sense) {
            s.num(k.key);
            s.num(k.code);
            s.num(k.info);
            s.num(k.infoValid);
        }
        s.num(lineSources);
        for (Device& d : devices) {
            s.text(d.path, 4096);
            s.num(d.sectors);
            uint32_t runs = uint32_t(d.runs.size());
            s.count(runs, 16);
            d.runs.resize(runs);
            for (Run& r : d.runs) {
                s.num(r.lba);
                s.num(r.count);
                r.bytes.resize(std::min(r.count, RUN_SECTORS) * HARD_DISK_SECTOR);
                s.block(r.bytes.data(), uint32_t(r.bytes.size()), r.length);
            }
        }
    }
    bool acceptVersion() const { return true; }
    void capture() {
        bus = acsi;
        lineSources = diskInterruptSources();
        for (uint32_t id = 0; id < HARD_DISKS; ++id) {
            Device& d = devices[id];
            d.path = hardDisks[id].filePath;
            d.sectors = hardDisks[id].sectors;
            for (uint32_t lba : hardDiskChangedSectors(id)) {
                if (d.runs.empty() || d.runs.back().lba + d.runs.back().count != lba || d.runs.back().count == RUN_SECTORS)
                    d.runs.push_back({lba, 0, 0, {}});
                Run& r = d.runs.back();
                r.bytes.insert(r.bytes.end(), hardDiskSector(id, lba), hardDiskSector(id, lba) + HARD_DISK_SECTOR);
                ++r.count;
                r.length += HARD_DISK_SECTOR;
            }
        }
    }
    // An image that cannot be attached again leaves its device empty; one whose size
    // changed since is another disk, taken as it stands without the sectors.
    void apply() const {
        for (uint32_t id = 0; id < HARD_DISKS; ++id) {
            const Device& d = devices[id];
            if (d.path.empty() || !hardDiskAttach(id, d.path)) {
                hardDiskDetach(id);
                continue;
            }
            if (hardDisks[id].sectors != d.sectors) continue;
            for (const Run& r : d.runs)
                for (uint32_t i = 0; i < r.count; ++i)
                    hardDiskLaySector(id, r.lba + i, r.bytes.data() + i * HARD_DISK_SECTOR);
        }
        acsi = bus;
        setDiskInterruptSources(lineSources);
    }
    static void whenAbsent() {
        acsi = AcsiBusState{};
        setDiskInterruptSources((hw.mfp[MFP_GPIP] & MFP_GPIP_FDC) ? 0 : DISK_IRQ_FDC);
    }
    // A bus state no device produces, or runs that do not fit their image, is refused.
    bool valid() const {
        if (bus.phase > ACSI_STATUS || bus.event > ACSI_EVENT_DONE || bus.device >= HARD_DISKS || bus.received > ACSI_MAX_COMMAND ||
            bus.length > ACSI_MAX_COMMAND || int32_t(bus.eventTime) < -(1 << 28) || int32_t(bus.eventTime) > (1 << 28))
            return false;
        for (const Device& d : devices)
            for (const Run& r : d.runs)
                if (r.count == 0 || r.count > RUN_SECTORS || r.length != r.count * HARD_DISK_SECTOR ||
                    uint64_t(r.lba) + r.count > d.sectors)
                    return false;
        return true;
    }
};
}  // namespace

SectionEntry acsiSnapshotSection() { return sectionEntry<AcsiSection>("ACSI", ADDED_LATER); }
