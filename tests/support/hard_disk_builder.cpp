#include "support/hard_disk_builder.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace {

constexpr uint32_t SECTOR = 512;
constexpr uint32_t PER_CLUSTER = 2;
constexpr uint32_t CLUSTER = SECTOR * PER_CLUSTER;
constexpr uint32_t RESERVED = 1;
constexpr uint32_t FATS = 2;
constexpr uint32_t ROOT_ENTRIES = 512;
constexpr uint32_t ROOT_SECTORS = ROOT_ENTRIES * 32 / SECTOR;
constexpr uint32_t END_OF_CHAIN = 0xFFFF;
constexpr uint8_t FOLDER = 0x10;

void le16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v), p[1] = uint8_t(v >> 8); }
void le32(uint8_t* p, uint32_t v) { le16(p, v), le16(p + 2, v >> 16); }
void be32(uint8_t* p, uint32_t v) { p[0] = uint8_t(v >> 24), p[1] = uint8_t(v >> 16), p[2] = uint8_t(v >> 8), p[3] = uint8_t(v); }
uint32_t getLe16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t getLe32(const uint8_t* p) { return getLe16(p) | getLe16(p + 2) << 16; }

// "READ.TXT" as a directory stores it: "READ    TXT".
std::string directoryName(const std::string& name) {
    size_t dot = name.find('.');
    std::string base = name.substr(0, dot), extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    base.resize(8, ' ');
    extension.resize(3, ' ');
    return base + extension;
}

// The partition's layout: boot sector, two FATs, the root folder, then the clusters.
struct Layout {
    uint32_t fatSectors, rootSector, dataSector;
    explicit Layout(uint32_t sectors)
        : fatSectors(((sectors / PER_CLUSTER + 2) * 2 + SECTOR - 1) / SECTOR),
          rootSector(RESERVED + FATS * fatSectors),
          dataSector(rootSector + ROOT_SECTORS) {}
};

struct Fat16Writer {
    uint8_t* partition;
    Layout layout;
    uint32_t nextCluster = 2;

    uint8_t* sector(uint32_t n) const { return partition + size_t(n) * SECTOR; }
    uint8_t* cluster(uint32_t c) const { return sector(layout.dataSector + (c - 2) * PER_CLUSTER); }
    void link(uint32_t c, uint32_t next) const {
        for (uint32_t f = 0; f < FATS; ++f) le16(sector(RESERVED + f * layout.fatSectors) + c * 2, next);
    }
    // A chain holding `n` bytes (at least one cluster); returns its first cluster.
    uint32_t store(const uint8_t* data, size_t n) {
        uint32_t count = uint32_t(std::max<size_t>(1, (n + CLUSTER - 1) / CLUSTER)), first = nextCluster;
        for (uint32_t i = 0; i < count; ++i) {
            link(first + i, i + 1 < count ? first + i + 1 : END_OF_CHAIN);
            if (n > i * CLUSTER) std::memcpy(cluster(first + i), data + i * CLUSTER, std::min<size_t>(CLUSTER, n - i * CLUSTER));
        }
        nextCluster += count;
        return first;
    }
    static void entry(uint8_t* e, const std::string& name, uint8_t attributes, uint32_t first, uint32_t size) {
        std::memcpy(e, name.data(), 11);
        e[11] = attributes;
        le16(e + 24, (45 << 9) | (4 << 5) | 15);  // 15 April 2025
        le16(e + 26, first);
        le32(e + 28, size);
    }
};

void bootSector(uint8_t* b, uint32_t sectors, uint32_t hidden, const Layout& layout) {
    const uint8_t jump[3] = {0xEB, 0x3C, 0x90};
    std::memcpy(b, jump, 3);
    std::memcpy(b + 3, "QUARVTST", 8);
    le16(b + 11, SECTOR);
    b[13] = PER_CLUSTER;
    le16(b + 14, RESERVED);
    b[16] = FATS;
    le16(b + 17, ROOT_ENTRIES);
    if (sectors < 0x10000) le16(b + 19, sectors);
    else le32(b + 32, sectors);
    b[21] = 0xF8;  // fixed disk
    le16(b + 22, layout.fatSectors);
    le16(b + 24, 63);
    le16(b + 26, 16);
    le32(b + 28, hidden);
    b[38] = 0x29;
    std::memcpy(b + 43, "QUARV TEST FAT16   ", 19);  // label, then file system type
    b[510] = 0x55, b[511] = 0xAA;
}

void fat16(uint8_t* partition, uint32_t sectors, uint32_t hidden, const std::vector<HardDiskFile>& files) {
    Fat16Writer w{partition, Layout(sectors)};
    bootSector(partition, sectors, hidden, w.layout);
    w.link(0, 0xFFF8);
    w.link(1, 0xFFFF);
    uint8_t* root = w.sector(w.layout.rootSector);
    int rootUsed = 0;
    std::map<std::string, std::pair<uint32_t, int>> folders;  // first cluster, entries used
    for (const HardDiskFile& f : files) {
        size_t slash = f.path.find('\\');
        std::string name = directoryName(f.path.substr(slash == std::string::npos ? 0 : slash + 1));
        uint8_t* entry = root + 32 * rootUsed;
        if (slash != std::string::npos) {
            std::string folder = f.path.substr(0, slash);
            if (!folders.count(folder)) {
                uint32_t first = w.store(nullptr, 0);
                Fat16Writer::entry(root + 32 * rootUsed++, directoryName(folder), FOLDER, first, 0);
                Fat16Writer::entry(w.cluster(first), ".          ", FOLDER, first, 0);
                Fat16Writer::entry(w.cluster(first) + 32, "..         ", FOLDER, 0, 0);
                folders[folder] = {first, 2};
            }
            auto& [first, used] = folders[folder];
            entry = w.cluster(first) + 32 * used++;
        } else {
            ++rootUsed;
        }
        Fat16Writer::entry(entry, name, 0, w.store(f.data.data(), f.data.size()), uint32_t(f.data.size()));
    }
}

// Follows a chain from `first`, gathering `size` bytes.
Bytes chain(const uint8_t* partition, const Layout& layout, uint32_t first, uint32_t size) {
    Bytes out;
    for (uint32_t c = first, n = 0; c >= 2 && c < 0xFFF8 && n < 0x10000; ++n) {
        const uint8_t* data = partition + (layout.dataSector + (c - 2) * PER_CLUSTER) * size_t(SECTOR);
        out.insert(out.end(), data, data + CLUSTER);
        c = getLe16(partition + RESERVED * SECTOR + c * 2);
    }
    out.resize(size);
    return out;
}

}  // namespace

uint32_t partitionStart(PartitionTable table) { return table == PartitionTable::None ? 0 : 2; }

Bytes hardDiskImage(PartitionTable table, uint32_t partitionSectors, const std::vector<HardDiskFile>& files) {
    uint32_t start = partitionStart(table), total = start + partitionSectors;
    Bytes image(size_t(total) * SECTOR, 0);
    if (table == PartitionTable::Atari) {
        uint8_t* e = image.data() + 0x1C6;
        e[0] = 0x01;  // in use
        std::memcpy(e + 1, partitionSectors < 0x8000 ? "GEM" : "BGM", 3);
        be32(e + 4, start);
        be32(e + 8, partitionSectors);
        be32(image.data() + 0x1C2, total);
    } else if (table == PartitionTable::Dos) {
        uint8_t* e = image.data() + 0x1BE;
        e[4] = partitionSectors < 0x10000 ? 0x04 : 0x06;  // FAT16 below 32 MB, or larger
        le32(e + 8, start);
        le32(e + 12, partitionSectors);
        image[510] = 0x55, image[511] = 0xAA;
    }
    fat16(image.data() + size_t(start) * SECTOR, partitionSectors, start, files);
    return image;
}

std::optional<Bytes> readHardDiskFile(const uint8_t* image, size_t size, PartitionTable table,
                                      const std::string& name) {
    size_t offset = size_t(partitionStart(table)) * SECTOR;
    if (size < offset + SECTOR) return std::nullopt;
    const uint8_t* partition = image + offset;
    Layout layout(getLe16(partition + 19) ? getLe16(partition + 19) : getLe32(partition + 32));
    const uint8_t* root = partition + size_t(layout.rootSector) * SECTOR;
    std::string wanted = directoryName(name);
    for (const uint8_t* e = root; e < root + ROOT_ENTRIES * 32 && *e; e += 32)
        if (std::memcmp(e, wanted.data(), 11) == 0) return chain(partition, layout, getLe16(e + 26), getLe32(e + 28));
    return std::nullopt;
}
