// Builds the built-in demo disk: a bootable 720 KB ST floppy image (80 tracks, 2 sides,
// 9 sectors of 512 bytes) with a FAT12 file system as TOS formats it, holding one
// program as a read-only file. The boot sector gets the given boot code, the BIOS
// parameter block, where the program lies and where it goes (for the boot code to load
// it with Floprd), and the checksum word that makes its 256 words add up to $1234, the
// ST's mark of an executable boot sector.
//
//   make_st_disk BOOT_CODE PROGRAM LOAD_ADDRESS FILE_NAME VOLUME_LABEL OUTPUT
//
// Nothing of the build's time or place enters the image: file dates are fixed, so the
// same inputs give the same bytes.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int SECTOR_BYTES = 512;
constexpr int SECTORS_PER_TRACK = 9;
constexpr int SIDES = 2;
constexpr int TRACKS = 80;
constexpr int TOTAL_SECTORS = SECTORS_PER_TRACK * SIDES * TRACKS;  // 1440
constexpr int SECTORS_PER_CLUSTER = 2;
constexpr int RESERVED_SECTORS = 1;
constexpr int FATS = 2;
constexpr int SECTORS_PER_FAT = 5;
constexpr int ROOT_ENTRIES = 112;
constexpr int ROOT_SECTORS = ROOT_ENTRIES * 32 / SECTOR_BYTES;  // 7
constexpr uint8_t MEDIA_DOUBLE_SIDED = 0xF9;
constexpr int FIRST_FAT_SECTOR = RESERVED_SECTORS;
constexpr int ROOT_SECTOR = FIRST_FAT_SECTOR + FATS * SECTORS_PER_FAT;  // 11
constexpr int DATA_SECTOR = ROOT_SECTOR + ROOT_SECTORS;                 // 18: cluster 2
constexpr int CLUSTERS = (TOTAL_SECTORS - DATA_SECTOR) / SECTORS_PER_CLUSTER;
constexpr int CLUSTER_BYTES = SECTORS_PER_CLUSTER * SECTOR_BYTES;

// Boot sector layout: BRA.S, BIOS parameter block up to byte 29, the load parameters
// (big-endian, read by the boot code) at 30-37, code after that, checksum at 510.
constexpr int LOAD_PARAMETERS = 30;
constexpr int BOOT_CODE_START = 38;
constexpr int CHECKSUM_OFFSET = 510;
constexpr uint16_t EXECUTABLE_CHECKSUM = 0x1234;

// 15 April 2025, 12:00, in the FAT's packed forms.
constexpr uint16_t FIXED_DATE = ((2025 - 1980) << 9) | (4 << 5) | 15;
constexpr uint16_t FIXED_TIME = 12 << 11;
constexpr uint8_t ATTRIBUTE_READ_ONLY = 0x01;
constexpr uint8_t ATTRIBUTE_VOLUME_LABEL = 0x08;

using Image = std::vector<uint8_t>;

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "make_st_disk: %s\n", message.c_str());
    std::exit(1);
}

Image readFile(const char* path) {
    FILE* file = std::fopen(path, "rb");
    if (!file) fail(std::string("cannot read ") + path);
    Image bytes;
    uint8_t buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(file);
    return bytes;
}

void putLittle16(uint8_t* at, unsigned value) {
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
}
void putBig16(uint8_t* at, unsigned value) {
    at[0] = uint8_t(value >> 8);
    at[1] = uint8_t(value);
}
void putBig32(uint8_t* at, uint32_t value) {
    putBig16(at, value >> 16);
    putBig16(at + 2, value & 0xFFFF);
}

// An 8.3 name as the directory stores it: eleven characters, padded with spaces.
std::array<char, 11> directoryName(const std::string& name) {
    std::array<char, 11> out;
    out.fill(' ');
    size_t dot = name.find('.');
    std::string base = name.substr(0, dot);
    std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || extension.size() > 3) fail("not an 8.3 name: " + name);
    std::memcpy(out.data(), base.data(), base.size());
    std::memcpy(out.data() + 8, extension.data(), extension.size());
    return out;
}

void writeBootSector(uint8_t* sector, const Image& code, uint32_t loadAddress, int programSectors) {
    if (code.size() > CHECKSUM_OFFSET) fail("the boot code does not fit in the boot sector");
    if (code.size() < BOOT_CODE_START || code[0] != 0x60 || code[1] >= 0x80 || code[1] + 2 < BOOT_CODE_START)
        fail("the boot code must begin with a BRA.S past byte 37");
    for (int i = 2; i < BOOT_CODE_START; i++)
        if (code[i] != 0) fail("the boot code must leave bytes 2-37 to the disk builder");
    std::memcpy(sector, code.data(), code.size());

    std::memcpy(sector + 2, "Quarv ", 6);  // OEM name
    std::memcpy(sector + 8, "QV1", 3);     // serial number, fixed
    putLittle16(sector + 11, SECTOR_BYTES);
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

    putBig32(sector + LOAD_PARAMETERS, loadAddress);
    putBig16(sector + LOAD_PARAMETERS + 4, DATA_SECTOR);
    putBig16(sector + LOAD_PARAMETERS + 6, programSectors);

    unsigned sum = 0;
    for (int i = 0; i < CHECKSUM_OFFSET; i += 2) sum += sector[i] << 8 | sector[i + 1];
    putBig16(sector + CHECKSUM_OFFSET, (EXECUTABLE_CHECKSUM - sum) & 0xFFFF);
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

// Both FATs: the media entries and one chain of clusters 2 on for the program.
void writeFats(Image& image, int programClusters) {
    uint8_t* fat = &image[FIRST_FAT_SECTOR * SECTOR_BYTES];
    setFatEntry(fat, 0, 0xF00 | MEDIA_DOUBLE_SIDED);
    setFatEntry(fat, 1, 0xFFF);
    for (int i = 0; i < programClusters; i++) setFatEntry(fat, 2 + i, i + 1 < programClusters ? 3 + i : 0xFFF);
    std::memcpy(fat + SECTORS_PER_FAT * SECTOR_BYTES, fat, SECTORS_PER_FAT * SECTOR_BYTES);
}

void writeDirectoryEntry(uint8_t* entry, const std::array<char, 11>& name, uint8_t attributes, int cluster,
                         uint32_t size) {
    std::memcpy(entry, name.data(), name.size());
    entry[11] = attributes;
    putLittle16(entry + 22, FIXED_TIME);
    putLittle16(entry + 24, FIXED_DATE);
    putLittle16(entry + 26, cluster);
    putLittle16(entry + 28, size & 0xFFFF);
    putLittle16(entry + 30, size >> 16);
}

// Written to a temporary name and renamed, so that a failed run leaves the old image.
void writeImage(const Image& image, const std::string& path) {
    std::string temporary = path + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) fail("cannot write " + temporary);
    bool written = std::fwrite(image.data(), 1, image.size(), file) == image.size();
    if (std::fclose(file) != 0 || !written) {
        std::remove(temporary.c_str());
        fail("cannot write " + temporary);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) fail("cannot rename " + temporary + " to " + path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 7) fail("usage: make_st_disk BOOT_CODE PROGRAM LOAD_ADDRESS FILE_NAME VOLUME_LABEL OUTPUT");
    Image bootCode = readFile(argv[1]);
    Image program = readFile(argv[2]);
    char* end;
    uint32_t loadAddress = std::strtoul(argv[3], &end, 0);
    if (*end != 0) fail(std::string("not an address: ") + argv[3]);
    std::string label = argv[5];
    if (label.empty() || label.size() > 11) fail("the volume label takes 1-11 characters");

    int programClusters = int((program.size() + CLUSTER_BYTES - 1) / CLUSTER_BYTES);
    if (program.empty() || programClusters > CLUSTERS) fail("the program does not fit on the disk");
    int programSectors = int((program.size() + SECTOR_BYTES - 1) / SECTOR_BYTES);

    Image image(size_t(TOTAL_SECTORS) * SECTOR_BYTES, 0);
    writeBootSector(&image[0], bootCode, loadAddress, programSectors);
    writeFats(image, programClusters);
    uint8_t* root = &image[ROOT_SECTOR * SECTOR_BYTES];
    std::array<char, 11> labelName;
    labelName.fill(' ');
    std::memcpy(labelName.data(), label.data(), label.size());
    writeDirectoryEntry(root, labelName, ATTRIBUTE_VOLUME_LABEL, 0, 0);
    writeDirectoryEntry(root + 32, directoryName(argv[4]), ATTRIBUTE_READ_ONLY, 2, uint32_t(program.size()));
    std::memcpy(&image[DATA_SECTOR * SECTOR_BYTES], program.data(), program.size());
    writeImage(image, argv[6]);
    return 0;
}
