#pragma once
// TOS and cartridge images loaded into the ROM and cartridge areas.
#include <cstdint>
#include <string>
#include <vector>

extern bool romLoaded;
extern char currentRomName[260];
// The message of the last refused image (empty after a successful load).
extern std::string romLoadError;

// Loads a TOS image into the ROM area and maps it at the base its header names; the
// image's first 8 bytes become RAM 0-7. False, with the reason in romLoadError, when the
// file cannot be read, is longer than the 256 KB area, does not start with a TOS header,
// is shorter than its header, names a base other than $FC0000 (at most 192 KB) or
// $E00000, or gives a reset address outside the code after its header (nothing is
// changed then but romLoaded, which becomes false).
bool loadTosRom(const char* fileName);
// The same in two steps, for a caller that must know the image is good before it
// changes anything else (a snapshot names the image it ran).
struct TosImage {
    std::string fileName;
    std::vector<uint8_t> bytes;
};
bool readTosImage(const char* fileName, TosImage& image);  // false with romLoadError
void placeTosImage(const TosImage& image);

// Whether the loaded image is a TOS with GEMDOS and GEM: its header names the GEM memory
// parameter block. The built-in ROM, which has neither, leaves that field 0.
bool tosHasGemdos();
// Loads a cartridge image into its 128 KB area; false (area unchanged) when the file
// cannot be read or is longer than the area.
bool loadCartridge(const char* fileName);
void clearCartridge();  // the area all $FF
