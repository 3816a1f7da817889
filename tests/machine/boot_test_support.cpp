#include "boot_test_support.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <regex>

#include <gtest/gtest.h>

#include "cpu/cpu.h"
#include "support/test_machine.h"
#include "support/zip_writer.h"
#include "video/picture.h"

uint16_t Picture::at(int line, int slot) const {
    return host[size_t(2 * (line - PICTURE_FIRST_LINE)) * FRAME_WIDTH + 2 * slot];
}

Picture capturePicture() {
    const uint16_t* pixels = framePicture();
    return Picture{std::vector<uint16_t>(pixels, pixels + FRAME_WIDTH * FRAME_HEIGHT)};
}

// Four bits a component: the ST's three shifted up, the STE's extra bit (bit 3) below.
uint16_t hostColour(uint16_t c) {
    auto four = [&](int shift) { return ((c >> shift) & 7) * 2 + ((c >> (shift + 3)) & 1); };
    return uint16_t(four(8) << 12 | four(4) << 7 | four(0) << 1);
}

// Characters $20-$7E, read from the ROM's source.
using Glyph = std::array<uint8_t, 8>;
static const std::vector<Glyph>& romFont() {
    static std::vector<Glyph> font = [] {
        std::string source = readFileText(std::string(QUARV_SOURCE_DIR) + "/roms/include/quarv_font.i");
        std::vector<Glyph> glyphs;
        std::regex row(R"(\.byte\s+0b([01]{8}))");
        int n = 0;
        for (auto it = std::sregex_iterator(source.begin(), source.end(), row); it != std::sregex_iterator(); ++it) {
            if (n % 8 == 0) glyphs.emplace_back();
            glyphs.back()[n % 8] = uint8_t(std::stoi((*it)[1].str(), nullptr, 2));
            n++;
        }
        return glyphs;
    }();
    return font;
}

static bool glyphPixel(const std::string& text, int x, int row) {
    unsigned char c = text[x / 8];
    if (c < 0x20 || c - 0x20u >= romFont().size()) return false;
    return romFont()[c - 0x20][row] & (0x80 >> (x % 8));
}

static bool textAt(const Picture& picture, const std::string& text, int line, int slot, TextPlace& place) {
    int width = int(text.size()) * 8;
    for (int row = 0; row < 8; row++) {
        uint16_t colour = 0;
        bool have = false;
        for (int x = 0; x < width && !have; x++)
            if (glyphPixel(text, x, row)) {
                colour = picture.at(line + row, slot + x);
                have = true;
            }
        if (!have) continue;
        for (int x = 0; x < width; x++)
            if ((picture.at(line + row, slot + x) == colour) != glyphPixel(text, x, row)) return false;
        place.colours[row] = colour;
    }
    return true;
}

TextPlace findText(const Picture& picture, const std::string& text) {
    TextPlace place;
    int width = int(text.size()) * 8;
    for (int line = PICTURE_FIRST_LINE; line + 8 <= PICTURE_FIRST_LINE + PICTURE_LINES; line++)
        for (int slot = 0; slot + width <= PICTURE_SLOTS; slot++)
            if (textAt(picture, text, line, slot, place)) {
                place.found = true;
                place.line = line;
                place.slot = slot;
                return place;
            }
    return place;
}

static uint16_t bigEndianWord(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

uint8_t sectorPattern(int sector, int index) { return uint8_t(sector * 37 + index * 5 + (index >> 8)); }

void writeTestDisk(const std::string& path, const std::vector<uint8_t>& code, bool executable) {
    std::vector<uint8_t> image(80 * 2 * 9 * 512, 0);
    ASSERT_LE(code.size(), 510u);
    std::copy(code.begin(), code.end(), image.begin());
    unsigned sum = 0;
    for (int i = 0; i < 510; i += 2) sum += bigEndianWord(&image[i]);
    uint16_t check = uint16_t(0x1234 - sum + (executable ? 0 : 1));
    image[510] = uint8_t(check >> 8);
    image[511] = uint8_t(check);
    for (int sector = 2; sector <= 9; sector++)
        for (int i = 0; i < 512; i++) image[(sector - 1) * 512 + i] = sectorPattern(sector, i);
    writeBytes(path, image);
}

std::vector<int16_t> readWavSamples(const std::string& path) {
    std::vector<uint8_t> bytes = readFileBytes(path);
    std::vector<int16_t> samples;
    for (size_t i = 44; i + 3 < bytes.size(); i += 4) samples.push_back(int16_t(bytes[i] | bytes[i + 1] << 8));
    return samples;
}

std::vector<double> wavLevelPerSecond(const std::string& path, size_t seconds) {
    std::vector<uint8_t> bytes = readFileBytes(path);
    std::vector<double> levels;
    if (bytes.size() < 44) return levels;
    const size_t channels = bytes[22] | bytes[23] << 8;
    const size_t rate = bytes[24] | bytes[25] << 8 | bytes[26] << 16 | size_t(bytes[27]) << 24;
    const size_t frameBytes = 2 * channels, secondBytes = rate * frameBytes;
    if (channels == 0 || rate == 0 || bytes.size() < 44 + seconds * secondBytes) return levels;
    for (size_t at = bytes.size() - seconds * secondBytes; at < bytes.size(); at += secondBytes) {
        std::vector<double> sums(channels);
        for (size_t i = 0; i < secondBytes; i += 2) {
            double v = int16_t(bytes[at + i] | bytes[at + i + 1] << 8);
            sums[i / 2 % channels] += v * v;
        }
        levels.push_back(std::sqrt(*std::max_element(sums.begin(), sums.end()) / double(rate)));
    }
    return levels;
}

static void fft(std::vector<std::complex<double>>& a) {
    size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; i++) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        std::complex<double> step = std::polar(1.0, -2 * std::numbers::pi / double(length));
        for (size_t i = 0; i < n; i += length) {
            std::complex<double> w = 1;
            for (size_t k = 0; k < length / 2; k++, w *= step) {
                std::complex<double> u = a[i + k], v = a[i + k + length / 2] * w;
                a[i + k] = u + v;
                a[i + k + length / 2] = u - v;
            }
        }
    }
}

std::vector<double> spectralPeaks(const std::vector<int16_t>& samples, double lowHz, double highHz, int count,
                                  double minimumSpacing) {
    const double rate = 44100;
    size_t n = 1;
    while (n * 2 <= samples.size()) n *= 2;
    std::vector<std::complex<double>> spectrum(n);
    for (size_t i = 0; i < n; i++)
        spectrum[i] = samples[i] * (0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / double(n)));
    fft(spectrum);
    std::vector<double> magnitude(n / 2);
    for (size_t i = 0; i < n / 2; i++) magnitude[i] = std::abs(spectrum[i]);

    struct Peak {
        double hz, level;
    };
    std::vector<Peak> peaks;
    for (size_t i = size_t(lowHz * double(n) / rate) + 1; i + 1 < n / 2 && double(i) * rate / double(n) < highHz; i++) {
        if (magnitude[i] <= magnitude[i - 1] || magnitude[i] < magnitude[i + 1]) continue;
        // The top of the parabola through the three bins.
        double a = magnitude[i - 1], b = magnitude[i], c = magnitude[i + 1];
        double offset = 0.5 * (a - c) / (a - 2 * b + c);
        peaks.push_back({(double(i) + offset) * rate / double(n), b});
    }
    std::sort(peaks.begin(), peaks.end(), [](const Peak& x, const Peak& y) { return x.level > y.level; });
    std::vector<double> chosen;
    for (const Peak& p : peaks) {
        if (int(chosen.size()) == count) break;
        bool near = std::any_of(chosen.begin(), chosen.end(),
                                [&](double f) { return std::max(f, p.hz) / std::min(f, p.hz) < minimumSpacing; });
        if (!near) chosen.push_back(p.hz);
    }
    return chosen;
}
