#include "machine/rom_images.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/input_file.h"
#include "bus/hardware_state.h"
#include "bus/memory_map.h"
#include "bus/st_memory.h"

bool romLoaded;
char currentRomName[260];
std::string romLoadError;

static uint32_t bigEndianLong(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// Reads a whole image of at most `limit` bytes; sets romLoadError on refusal.
static bool readImage(const char* fileName, uint32_t limit, const char* what, std::vector<uint8_t>& image) {
    if (!readInputFile(fileName, limit, image)) {
        romLoadError = image.size() > limit ? std::string("The ") + what + " image " + fileName + " is longer than " +
                                                  std::to_string(limit / 1024) + " KB."
                                            : inputFileError();
        return false;
    }
    if (image.empty()) {
        romLoadError = std::string("The ") + what + " image " + fileName + " is empty.";
        return false;
    }
    return true;
}

// A TOS image starts with the branch over its header ($602E, or $601E for the oldest),
// and its header names where it lives: $FC0000 (192 KB at most, below the I/O area) or
// $E00000 (256 KB). Anything else would be mapped over RAM or the I/O registers. The
// header must be whole, and the reset address it gives (the PC the processor starts
// from) must lie in the code that follows it: otherwise the machine would start in
// nothing.
static bool checkTosHeader(const char* fileName, const std::vector<uint8_t>& image) {
    auto refuse = [fileName](const std::string& why) {
        romLoadError = std::string("The TOS image ") + fileName + " " + why;
        return false;
    };
    uint32_t first = image.size() >= 2 ? uint32_t(image[0] << 8 | image[1]) : 0;
    if (first != 0x602E && first != 0x601E) return refuse("does not start with a TOS header.");
    uint32_t headerEnd = 2 + (first & 0xFF);
    if (image.size() < headerEnd) return refuse("is shorter than its header.");
    uint32_t base = bigEndianLong(image.data() + 8);
    char text[32];
    if (base != 0xFC0000 && base != 0xE00000) {
        std::snprintf(text, sizeof text, "$%X", base);
        return refuse(std::string("names the base address ") + text + ", not $FC0000 or $E00000.");
    }
    if (base == 0xFC0000 && image.size() > 0x30000) return refuse("is longer than 192 KB for $FC0000.");
    uint32_t reset = bigEndianLong(image.data() + 4);
    if (reset < base + headerEnd || reset >= base + image.size()) {
        std::snprintf(text, sizeof text, "$%X", reset);
        return refuse(std::string("starts at ") + text + ", outside the code after its header.");
    }
    return true;
}

bool readTosImage(const char* fileName, TosImage& image) {
    if (!readImage(fileName, ROM_AREA_SIZE, "TOS", image.bytes) || !checkTosHeader(fileName, image.bytes)) return false;
    image.fileName = fileName;
    return true;
}

void placeTosImage(const TosImage& image) {
    romLoadError.clear();
    uint32_t n = uint32_t(image.bytes.size());
    stCopyFromFileOrder(hw.rom, image.bytes.data(), n);
    placeRom(bigEndianLong(image.bytes.data() + 8), n);
    std::memcpy(hw.ram, hw.rom, 8);  // initial SSP and PC for the reset
    std::snprintf(currentRomName, sizeof currentRomName, "%s", image.fileName.c_str());
    romLoaded = true;
}

bool loadTosRom(const char* fileName) {
    TosImage image;
    if (!readTosImage(fileName, image)) {
        romLoaded = false;
        return false;
    }
    placeTosImage(image);
    return true;
}

bool tosHasGemdos() { return romLoaded && stReadLong(hw.rom, 0x14) != 0; }

bool loadCartridge(const char* fileName) {
    std::vector<uint8_t> image;
    if (!readImage(fileName, CARTRIDGE_AREA_SIZE, "cartridge", image)) return false;
    romLoadError.clear();
    stCopyFromFileOrder(hw.cartridge, image.data(), uint32_t(image.size()));
    return true;
}

void clearCartridge() { std::memset(hw.cartridge, 0xFF, CARTRIDGE_AREA_SIZE); }
