#include "floppy/hard_disk_layout.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr uint32_t SECTOR = 512;
// Chains of extended partitions are followed this far: a table that loops stops here.
constexpr int MAX_LINKS = 64;

uint32_t big32(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }
uint32_t little32(const uint8_t* p) { return uint32_t(p[3]) << 24 | p[2] << 16 | p[1] << 8 | p[0]; }
uint32_t little16(const uint8_t* p) { return p[1] << 8 | p[0]; }

struct Image {
    const uint8_t* bytes;
    uint64_t sectors;
    uint64_t needed = 0;

    // A sector a table points to; one past the end is noted as needed.
    const uint8_t* sector(uint64_t n) {
        if (n < sectors) return bytes + n * SECTOR;
        needed = std::max(needed, n + 1);
        return nullptr;
    }
    void extent(uint64_t start, uint64_t size) { needed = std::max(needed, start + size); }
};

// ---- Atari root sector -------------------------------------------------------------------
// Entries of 12 bytes: flag (bit 0: in use), a three-letter id ("GEM", "BGM", "XGM" for
// an extended partition, ...), big-endian start and size. Four at $1C6; ICD's eight
// more at $156.
constexpr uint32_t ATARI_ENTRIES = 0x1C6;
constexpr uint32_t ICD_ENTRIES = 0x156;
constexpr uint32_t ATARI_ENTRY = 12;

bool atariId(const uint8_t* id) {
    return std::all_of(id, id + 3, [](uint8_t c) { return std::isupper(c) || std::isdigit(c); });
}
bool inUse(const uint8_t* e) { return (e[0] & 1) && atariId(e + 1); }
bool isXgm(const uint8_t* e) { return e[1] == 'X' && e[2] == 'G' && e[3] == 'M'; }

// Each link of an extended partition holds one partition (relative to the link) and the
// next link (relative to the first).
void followXgm(Image& image, uint32_t first) {
    uint64_t link = first;
    for (int n = 0; n < MAX_LINKS; ++n) {
        const uint8_t* s = image.sector(link);
        if (!s) return;
        const uint8_t* own = s + ATARI_ENTRIES;
        const uint8_t* next = own + ATARI_ENTRY;
        if (inUse(own)) image.extent(link + big32(own + 4), big32(own + 8));
        if (!inUse(next) || !isXgm(next)) return;
        link = uint64_t(first) + big32(next + 4);
    }
}

bool atariPartitions(Image& image) {
    const uint8_t* root = image.bytes;
    bool any = false, extended = false;
    for (int i = 0; i < 4; ++i) {
        const uint8_t* e = root + ATARI_ENTRIES + i * ATARI_ENTRY;
        if (!inUse(e)) continue;
        any = true;
        if (isXgm(e)) {
            extended = true;
            followXgm(image, big32(e + 4));
        } else {
            image.extent(big32(e + 4), big32(e + 8));
        }
    }
    if (!any || extended || !atariId(root + ICD_ENTRIES + 1)) return any;
    for (int i = 0; i < 8; ++i) {
        const uint8_t* e = root + ICD_ENTRIES + i * ATARI_ENTRY;
        if (inUse(e)) image.extent(big32(e + 4), big32(e + 8));
    }
    return true;
}

// ---- DOS ---------------------------------------------------------------------------------
// Entries of 16 bytes at $1BE: type at +4, little-endian start at +8 and size at +12.
constexpr uint32_t DOS_ENTRIES = 0x1BE;
constexpr uint32_t DOS_ENTRY = 16;

bool dosMark(const uint8_t* s) { return s[510] == 0x55 && s[511] == 0xAA; }
bool dosExtended(uint8_t type) { return type == 0x05 || type == 0x0F; }

// Each extended boot record holds one partition (relative to itself) and the next record
// (relative to the first).
void followExtended(Image& image, uint32_t first) {
    uint64_t record = first;
    for (int n = 0; n < MAX_LINKS; ++n) {
        const uint8_t* s = image.sector(record);
        if (!s) return;
        const uint8_t* own = s + DOS_ENTRIES;
        const uint8_t* next = own + DOS_ENTRY;
        if (own[4] && little32(own + 12)) image.extent(record + little32(own + 8), little32(own + 12));
        if (!dosExtended(next[4])) return;
        record = uint64_t(first) + little32(next + 8);
    }
}

bool dosPartitions(Image& image) {
    bool any = false;
    for (int i = 0; i < 4; ++i) {
        const uint8_t* e = image.bytes + DOS_ENTRIES + i * DOS_ENTRY;
        uint32_t start = little32(e + 8), size = little32(e + 12);
        if (e[4] == 0 || size == 0) continue;
        any = true;
        if (dosExtended(e[4]))
            followExtended(image, start);
        else
            image.extent(start, size);
    }
    return any;
}

// A FAT boot sector: its parameter block, with logical sectors of 512 bytes to 8 KB
// (Atari's large partitions use the bigger ones). Returns the partition's size in
// 512-byte sectors, 0 when the block makes no sense.
uint64_t fatBootSectorSize(const uint8_t* s) {
    uint32_t bytesPerSector = little16(s + 11), perCluster = s[13], reserved = little16(s + 14), fats = s[16];
    uint32_t total = little16(s + 19);
    if (total == 0) total = little32(s + 32);
    bool powerOfTwo = perCluster != 0 && (perCluster & (perCluster - 1)) == 0;
    if (bytesPerSector < SECTOR || bytesPerSector > 8192 || (bytesPerSector & (bytesPerSector - 1)) || !powerOfTwo ||
        reserved == 0 || fats < 1 || fats > 2 || total == 0)
        return 0;
    return uint64_t(total) * (bytesPerSector / SECTOR);
}

bool blank(const uint8_t* s) { return std::all_of(s, s + SECTOR, [](uint8_t b) { return b == 0; }); }

}  // namespace

HardDiskLayoutCheck checkHardDiskLayout(const uint8_t* bytes, uint64_t sectors) {
    Image image{bytes, sectors};
    HardDiskLayoutCheck check{HardDiskLayout::Unknown, 0, ""};
    const char* table = "partition table";
    uint64_t bare = fatBootSectorSize(bytes);
    // The order the drivers look in: the DOS mark first, a FAT boot sector under it
    // before a partition table, then the Atari root sector.
    if (dosMark(bytes) && bare) {
        check.layout = HardDiskLayout::BarePartition;
        image.extent(0, bare);
        table = "FAT boot sector";
    } else if (dosMark(bytes) && dosPartitions(image)) {
        check.layout = HardDiskLayout::Dos;
    } else if (atariPartitions(image)) {
        check.layout = HardDiskLayout::Atari;
    } else if (blank(bytes)) {
        check.layout = HardDiskLayout::Blank;
    } else if (bare) {
        check.problem = "it looks like a FAT partition, but its boot sector lacks the $55AA mark that drivers look for.";
        return check;
    } else {
        check.problem = "it holds neither an Atari (AHDI or ICD) or DOS partition table nor a FAT boot sector.";
        return check;
    }
    check.sectorsNeeded = image.needed;
    if (image.needed > sectors)
        check.problem = "it is smaller than its " + std::string(table) + " says (" + std::to_string(sectors) +
                        " sectors; the " + table + " needs " + std::to_string(image.needed) + ").";
    return check;
}
