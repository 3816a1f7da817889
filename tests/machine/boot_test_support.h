#pragma once
// What the built-in ROM and demo tests share: the built files, the machine's picture
// read back as the ST drew it, text found in it, and sound and disk helpers.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The frame buffer as the ST drew it: frame lines 21-320 (the picture window), 400
// slots a line (one low-resolution pixel each); slot 44 + x is pixel x of a line whose
// left border is closed.
struct Picture {
    std::vector<uint16_t> host;  // 800 x 600 R5G6B5
    uint16_t at(int line, int slot) const;
};
constexpr int PICTURE_FIRST_LINE = 21;
constexpr int PICTURE_LINES = 300;
constexpr int PICTURE_SLOTS = 400;
constexpr int FIRST_PIXEL_SLOT = 44;
Picture capturePicture();

// The host pixel of an ST palette word.
uint16_t hostColour(uint16_t stColour);

// Where `text` is drawn in the ROM's 8 x 8 font: every glyph row's set pixels in one
// colour, which its clear pixels do not have. colours[r] is that colour for glyph row r
// (0 for rows without pixels).
struct TextPlace {
    bool found = false;
    int line = 0;
    int slot = 0;
    std::array<uint16_t, 8> colours{};
};
TextPlace findText(const Picture& picture, const std::string& text);

// A 720 KB image whose boot sector is `code` (at most 510 bytes, from byte 0) with the
// checksum made executable or not; sector s of track 0 side 0 (s >= 2) is filled with
// sectorPattern(s, i).
void writeTestDisk(const std::string& path, const std::vector<uint8_t>& code, bool executable);
uint8_t sectorPattern(int sector, int index);

// The left channel of a WAV file the recorder wrote (16-bit stereo after its 44-byte header).
std::vector<int16_t> readWavSamples(const std::string& path);
// How loud each of the last `seconds` seconds of a 16-bit WAV recording is: the RMS of its
// loudest channel, whatever the channel count and rate its header gives.
std::vector<double> wavLevelPerSecond(const std::string& path, size_t seconds);
// The strongest spectral peaks between lowHz and highHz, strongest first, as
// frequencies; at least `minimumSpacing` (a ratio, e.g. 1.03) apart.
std::vector<double> spectralPeaks(const std::vector<int16_t>& samples, double lowHz, double highHz, int count,
                                  double minimumSpacing);
