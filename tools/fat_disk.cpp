#include "fat_disk.h"

#include <array>
#include <cstring>

namespace {

constexpr int SECTORS_PER_TRACK = 9;
constexpr int SIDES = 2;
constexpr int TRACKS = 80;
constexpr int TOTAL_SECTORS = SECTORS_PER_TRACK * SIDES * TRACKS;  // 1440
constexpr int SECTORS_PER_CLUSTER = 2;
constexpr int RESERVED_SECTORS = 1;
constexpr int FATS = 2;
constexpr int SECTORS_PER_FAT = 5;
constexpr int ROOT_ENTRIES = 112;
constexpr uint8_t MEDIA_DOUBLE_SIDED = 0xF9;
constexpr int FIRST_FAT_SECTOR = RESERVED_SECTORS;
constexpr int ROOT_SECTOR = FIRST_FAT_SECTOR + FATS * SECTORS_PER_FAT;  // 11
static_assert(ROOT_SECTOR + ROOT_ENTRIES * 32 / DISK_SECTOR_BYTES == DISK_FIRST_DATA_SECTOR);
constexpr int CLUSTERS = (TOTAL_SECTORS - DISK_FIRST_DATA_SECTOR) / SECTORS_PER_CLUSTER;
constexpr int CLUSTER_BYTES = SECTORS_PER_CLUSTER * DISK_SECTOR_BYTES;

// 15 April 2025, 12:00, in the FAT's packed forms.
constexpr uint16_t FIXED_DATE = ((2025 - 1980) << 9) | (4 << 5) | 15;
constexpr uint16_t FIXED_TIME = 12 << 11;
constexpr uint8_t ATTRIBUTE_VOLUME_LABEL = 0x08;

using Name = std::array<char, 11>;

void putLittle16(uint8_t* at, unsigned value) {
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
}

// An 8.3 name as the directory stores it: eleven characters, padded with spaces.
bool directoryName(const std::string& name, Name& out) {
    out.fill(' ');
    size_t dot = name.find('.');
    std::string base = name.substr(0, dot);
    std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || extension.size() > 3) return false;
    std::memcpy(out.data(), base.data(), base.size());
    std::memcpy(out.data() + 8, extension.data(), extension.size());
    return true;
}

void writeParameterBlock(uint8_t* sector) {
    std::memcpy(sector + 2, "Quarv ", 6);  // OEM name
    std::memcpy(sector + 8, "QV1", 3);     // serial number, fixed
    putLittle16(sector + 11, DISK_SECTOR_BYTES);
    sector[13] = SECTORS_PER_CLUSTER;
    putLittle16(sector + 14, RESERVED_SECTORS);
    sector[16] = FATS;
    putLittle16(sector + 17, ROOT_ENTRIES);
    putLittle16(sector + 19, TOTAL_SECTORS);
    sector[21] = MEDIA_DOUBLE_SIDED;
    putLittle16(sector + 22, SECTORS_PER_FAT);
    putLittle16(sector + 24, SECTORS_PER_TRACK);
    putLittle16(sector + 26, SIDES);
    putLittle16(sector + 28, 0);  // hidden sectors
}

void setFatEntry(uint8_t* fat, int cluster, unsigned value) {
    uint8_t* at = fat + cluster * 3 / 2;
    if (cluster & 1) {
        at[0] = uint8_t((at[0] & 0x0F) | (value << 4));
        at[1] = uint8_t(value >> 4);
    } else {
        at[0] = uint8_t(value);
        at[1] = uint8_t((at[1] & 0xF0) | ((value >> 8) & 0x0F));
    }
}

void writeDirectoryEntry(uint8_t* entry, const Name& name, uint8_t attributes, int cluster, uint32_t size) {
    std::memcpy(entry, name.data(), name.size());
    entry[11] = attributes;
    putLittle16(entry + 22, FIXED_TIME);
    putLittle16(entry + 24, FIXED_DATE);
    putLittle16(entry + 26, cluster);
    putLittle16(entry + 28, size & 0xFFFF);
    putLittle16(entry + 30, size >> 16);
}

}  // namespace

bool buildFatDisk(const std::string& label, const std::vector<DiskFile>& files, std::vector<uint8_t>& image,
                  std::string& error) {
    if (label.empty() || label.size() > 11) {
        error = "the volume label takes 1-11 characters";
        return false;
    }
    if (files.size() + 1 > ROOT_ENTRIES) {
        error = "too many files for the root directory";
        return false;
    }
    image.assign(size_t(TOTAL_SECTORS) * DISK_SECTOR_BYTES, 0);
    writeParameterBlock(&image[0]);

    uint8_t* fat = &image[FIRST_FAT_SECTOR * DISK_SECTOR_BYTES];
    setFatEntry(fat, 0, 0xF00 | MEDIA_DOUBLE_SIDED);
    setFatEntry(fat, 1, 0xFFF);
    uint8_t* root = &image[ROOT_SECTOR * DISK_SECTOR_BYTES];
    Name labelName;
    labelName.fill(' ');
    std::memcpy(labelName.data(), label.data(), label.size());
    writeDirectoryEntry(root, labelName, ATTRIBUTE_VOLUME_LABEL, 0, 0);

    int cluster = 2;
    for (size_t i = 0; i < files.size(); ++i) {
        const DiskFile& file = files[i];
        Name name;
        if (!directoryName(file.name, name)) {
            error = "not an 8.3 name: " + file.name;
            return false;
        }
        int clusters = int((file.data.size() + CLUSTER_BYTES - 1) / CLUSTER_BYTES);
        if (cluster - 2 + clusters > CLUSTERS) {
            error = "the files do not fit on the disk";
            return false;
        }
        // An empty file has no cluster.
        writeDirectoryEntry(root + 32 * (i + 1), name, file.attributes, clusters ? cluster : 0,
                            uint32_t(file.data.size()));
        for (int c = 0; c < clusters; ++c) setFatEntry(fat, cluster + c, c + 1 < clusters ? cluster + c + 1 : 0xFFF);
        if (!file.data.empty())
            std::memcpy(&image[size_t(DISK_FIRST_DATA_SECTOR + (cluster - 2) * SECTORS_PER_CLUSTER) * DISK_SECTOR_BYTES],
                        file.data.data(), file.data.size());
        cluster += clusters;
    }
    std::memcpy(fat + SECTORS_PER_FAT * DISK_SECTOR_BYTES, fat, SECTORS_PER_FAT * DISK_SECTOR_BYTES);
    return true;
}
