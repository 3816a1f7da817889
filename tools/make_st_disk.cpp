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
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fat_disk.h"

namespace {

// Boot sector layout: BRA.S, BIOS parameter block up to byte 29, the load parameters
// (big-endian, read by the boot code) at 30-37, code after that, checksum at 510.
constexpr int LOAD_PARAMETERS = 30;
constexpr int BOOT_CODE_START = 38;
constexpr int CHECKSUM_OFFSET = 510;
constexpr uint16_t EXECUTABLE_CHECKSUM = 0x1234;
constexpr uint8_t ATTRIBUTE_READ_ONLY = 0x01;

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

void putBig16(uint8_t* at, unsigned value) {
    at[0] = uint8_t(value >> 8);
    at[1] = uint8_t(value);
}
void putBig32(uint8_t* at, uint32_t value) {
    putBig16(at, value >> 16);
    putBig16(at + 2, value & 0xFFFF);
}

// The boot code around the parameter block the file system wrote, where the program
// lies and where it goes, and the checksum.
void writeBootSector(uint8_t* sector, const Image& code, uint32_t loadAddress, int programSectors) {
    if (code.size() > CHECKSUM_OFFSET) fail("the boot code does not fit in the boot sector");
    if (code.size() < BOOT_CODE_START || code[0] != 0x60 || code[1] >= 0x80 || code[1] + 2 < BOOT_CODE_START)
        fail("the boot code must begin with a BRA.S past byte 37");
    for (int i = 2; i < BOOT_CODE_START; i++)
        if (code[i] != 0) fail("the boot code must leave bytes 2-37 to the disk builder");
    std::memcpy(sector, code.data(), 2);
    std::memcpy(sector + BOOT_CODE_START, code.data() + BOOT_CODE_START, code.size() - BOOT_CODE_START);

    putBig32(sector + LOAD_PARAMETERS, loadAddress);
    putBig16(sector + LOAD_PARAMETERS + 4, DISK_FIRST_DATA_SECTOR);
    putBig16(sector + LOAD_PARAMETERS + 6, programSectors);

    unsigned sum = 0;
    for (int i = 0; i < CHECKSUM_OFFSET; i += 2) sum += sector[i] << 8 | sector[i + 1];
    putBig16(sector + CHECKSUM_OFFSET, (EXECUTABLE_CHECKSUM - sum) & 0xFFFF);
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
    if (program.empty()) fail("the program is empty");

    Image image;
    std::string error;
    if (!buildFatDisk(argv[5], {{argv[4], program, ATTRIBUTE_READ_ONLY}}, image, error)) fail(error);
    int programSectors = int((program.size() + DISK_SECTOR_BYTES - 1) / DISK_SECTOR_BYTES);
    writeBootSector(&image[0], bootCode, loadAddress, programSectors);
    writeImage(image, argv[6]);
    return 0;
}
