// The commands a hard disk on the ACSI bus answers, from the SCSI command set that ACSI
// drives and SCSI disks behind ACSI adapters share: test unit ready, request sense,
// read(6), write(6), inquiry, mode sense(6), read capacity, and read(10) and write(10)
// for sectors beyond the 21 bits of the short commands. Any other command ends in check
// condition with "invalid command operation code" in the sense data.
#include <algorithm>
#include <cstring>

#include "floppy/acsi_bus.h"
#include "floppy/dma_chip.h"
#include "floppy/hard_disk_image.h"
#include "floppy/wd1772.h"

namespace {

// Sense keys and additional sense codes.
constexpr uint32_t KEY_NOT_READY = 2;
constexpr uint32_t KEY_ILLEGAL_REQUEST = 5;
constexpr uint32_t CODE_INVALID_OPCODE = 0x20;
constexpr uint32_t CODE_SECTOR_OUT_OF_RANGE = 0x21;
constexpr uint32_t CODE_INVALID_FIELD = 0x24;
constexpr uint32_t CODE_UNSUPPORTED_UNIT = 0x25;
constexpr uint32_t CODE_NO_MEDIUM = 0x3A;

constexpr uint8_t REQUEST_SENSE = 0x03;

// The geometry the mode pages report: 16 heads of 63 sectors, as many cylinders as the
// image fills.
constexpr uint32_t HEADS = 16;
constexpr uint32_t SECTORS_PER_TRACK = 63;
constexpr uint32_t ROTATION_RPM = 3600;

void put16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v >> 8), p[1] = uint8_t(v); }
void put24(uint8_t* p, uint32_t v) { p[0] = uint8_t(v >> 16), put16(p + 1, v); }
void put32(uint8_t* p, uint32_t v) { p[0] = uint8_t(v >> 24), put24(p + 1, v); }
uint32_t big16(const uint8_t* p) { return p[0] << 8 | p[1]; }
uint32_t big32(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | big16(p + 2); }

uint32_t checkCondition(uint32_t device, uint32_t key, uint32_t code, uint32_t sector = 0, bool sectorValid = false) {
    acsi.status = ACSI_STATUS_CHECK_CONDITION;
    acsi.sense[device] = {key, code, sector, sectorValid};
    return ACSI_COMMAND_TIME;
}
uint32_t illegal(uint32_t device, uint32_t code) { return checkCondition(device, KEY_ILLEGAL_REQUEST, code); }

// The DMA chip moves at most as many 512-byte blocks as its sector count register holds.
uint32_t dmaLimit(uint64_t bytes) { return uint32_t(std::min(bytes, uint64_t(fdc.sectorCount) * HARD_DISK_SECTOR)); }

// Data the drive makes itself, cut to the host's allocation length.
uint32_t reply(const uint8_t* data, uint32_t length, uint32_t allocation) {
    dmaStore(data, dmaLimit(std::min(length, allocation)), 0);
    return ACSI_COMMAND_TIME;
}

// ---- Commands ----------------------------------------------------------------------------
using Command = uint32_t (*)(uint32_t device, const uint8_t* cdb);

uint32_t testUnitReady(uint32_t, const uint8_t*) { return ACSI_COMMAND_TIME; }

// Fixed-format sense data, which the report then forgets. An allocation length of 0 asks
// for the 4 bytes the first ACSI drives gave.
uint32_t requestSense(uint32_t device, const uint8_t* cdb) {
    AcsiSense& s = acsi.sense[device];
    uint8_t data[18] = {};
    data[0] = uint8_t(0x70 | (s.infoValid ? 0x80 : 0));
    data[2] = uint8_t(s.key);
    put32(data + 3, s.info);
    data[7] = 10;  // the bytes that follow
    data[12] = uint8_t(s.code);
    s = AcsiSense{};
    return reply(data, sizeof data, cdb[4] ? cdb[4] : 4);
}

// Whole sectors between the image and ST memory, as far as the DMA chip carries them.
uint32_t transfer(uint32_t device, uint32_t lba, uint32_t count, bool write) {
    if (uint64_t(lba) + count > hardDisks[device].sectors)
        return checkCondition(device, KEY_ILLEGAL_REQUEST, CODE_SECTOR_OUT_OF_RANGE, lba, true);
    uint32_t bytes = dmaLimit(uint64_t(count) * HARD_DISK_SECTOR);
    if (write)
        hardDiskMarkChanged(device, lba, dmaLoad(hardDiskSector(device, lba), bytes) / HARD_DISK_SECTOR);
    else
        dmaStore(hardDiskSector(device, lba), bytes, 0);
    return ACSI_COMMAND_TIME + ACSI_ACCESS_TIME + count * ACSI_SECTOR_TIME;
}

// The short commands: a 21-bit sector number and a count of 1-256 (0 stands for 256).
uint32_t shortTransfer(uint32_t device, const uint8_t* cdb, bool write) {
    uint32_t lba = (cdb[1] & 0x1F) << 16 | big16(cdb + 2);
    return transfer(device, lba, cdb[4] ? cdb[4] : 256, write);
}
uint32_t read6(uint32_t device, const uint8_t* cdb) { return shortTransfer(device, cdb, false); }
uint32_t write6(uint32_t device, const uint8_t* cdb) { return shortTransfer(device, cdb, true); }
uint32_t read10(uint32_t device, const uint8_t* cdb) { return transfer(device, big32(cdb + 2), big16(cdb + 7), false); }
uint32_t write10(uint32_t device, const uint8_t* cdb) { return transfer(device, big32(cdb + 2), big16(cdb + 7), true); }

uint32_t inquiry(uint32_t device, const uint8_t* cdb) {
    if (cdb[1] & 1) return illegal(device, CODE_INVALID_FIELD);  // no vital product data pages
    // A direct-access device, not removable, SCSI-1 answers; vendor, product, revision.
    uint8_t data[36] = {0x00, 0x00, 0x01, 0x01, 31};
    std::memcpy(data + 8, "Quarv   ACSI hard disk 0 1.0 ", 28);
    data[8 + 23] = uint8_t('0' + device);
    return reply(data, sizeof data, cdb[4]);
}

// The block descriptor (unless DBD asks it away) and the pages of the drive's geometry:
// 3 (format) and 4 (rigid disk geometry), or both with $3F; page 0 has the header and
// descriptor alone. Changeable values (page control 1) are all zero: nothing changes.
uint32_t modeSense(uint32_t device, const uint8_t* cdb) {
    uint32_t page = cdb[2] & 0x3F;
    bool values = (cdb[2] >> 6) != 1;
    if (page != 0 && page != 3 && page != 4 && page != 0x3F) return illegal(device, CODE_INVALID_FIELD);
    uint32_t sectors = hardDisks[device].sectors;
    uint8_t data[4 + 8 + 24 + 24] = {};
    uint32_t n = 4;
    if (!(cdb[1] & 0x08)) {
        data[3] = 8;
        put24(data + n + 1, std::min(sectors, 0xFFFFFFu));
        put24(data + n + 5, HARD_DISK_SECTOR);
        n += 8;
    }
    if (page == 3 || page == 0x3F) {
        data[n] = 0x03, data[n + 1] = 0x16;
        if (values) put16(data + n + 10, SECTORS_PER_TRACK), put16(data + n + 12, HARD_DISK_SECTOR);
        n += 24;
    }
    if (page == 4 || page == 0x3F) {
        data[n] = 0x04, data[n + 1] = 0x16;
        uint32_t cylinders = (sectors + HEADS * SECTORS_PER_TRACK - 1) / (HEADS * SECTORS_PER_TRACK);
        if (values) put24(data + n + 2, cylinders), data[n + 5] = HEADS, put16(data + n + 20, ROTATION_RPM);
        n += 24;
    }
    data[0] = uint8_t(n - 1);  // the bytes after this one
    return reply(data, n, cdb[4]);
}

uint32_t readCapacity(uint32_t device, const uint8_t*) {
    uint8_t data[8];
    put32(data, hardDisks[device].sectors - 1);  // the last sector's number
    put32(data + 4, HARD_DISK_SECTOR);
    return reply(data, sizeof data, sizeof data);
}

struct Entry {
    uint8_t opcode;
    Command run;
};
const Entry COMMANDS[] = {
    {0x00, testUnitReady}, {REQUEST_SENSE, requestSense}, {0x08, read6},        {0x0A, write6}, {0x12, inquiry},
    {0x1A, modeSense},     {0x25, readCapacity},          {0x28, read10},       {0x2A, write10},
};

}  // namespace

// Every command but request sense starts by forgetting the last one's sense data. The
// logical unit (top bits of the second byte) must be 0: one disk per device.
uint32_t acsiExecute(uint32_t device, const uint8_t* cdb) {
    acsi.status = ACSI_STATUS_GOOD;
    if (cdb[0] != REQUEST_SENSE) acsi.sense[device] = AcsiSense{};
    if (!hardDiskAttached(device)) return checkCondition(device, KEY_NOT_READY, CODE_NO_MEDIUM);
    if (cdb[1] >> 5) return illegal(device, CODE_UNSUPPORTED_UNIT);
    for (const Entry& e : COMMANDS)
        if (e.opcode == cdb[0]) return e.run(device, cdb);
    return illegal(device, CODE_INVALID_OPCODE);
}
