#include "media/screenshot.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <vector>
#include <cstring>

#include "base/data_folder.h"
#include "base/safe_file.h"
#include "bus/snapshot_section.h"
#include "machine/snapshot.h"
#include "media/picture_encoders.h"
#include "video/picture.h"

uint16_t capturedPicture[CAPTURE_WIDTH * CAPTURE_HEIGHT];
uint16_t previewPicture[CAPTURE_WIDTH * CAPTURE_HEIGHT];
static CapturePalette palette;

// Each 4-bit component c is shown as 16c + 15; black stays black.
void buildPalette(const uint16_t* picture, CapturePalette& p) {
    std::fill(std::begin(p.indexOf), std::end(p.indexOf), NOT_IN_PICTURE);
    p.indexOf[0] = 0;
    p.entries[0][0] = p.entries[0][1] = p.entries[0][2] = 0;
    p.count = 1;
    for (int i = 0; i < CAPTURE_WIDTH * CAPTURE_HEIGHT; ++i) {
        uint32_t c = picture[i] & 0xFFF;
        if (p.indexOf[c] != NOT_IN_PICTURE) continue;
        if (p.count < 256) {
            p.entries[p.count][0] = uint8_t(16 * (c & 15) + 15);
            p.entries[p.count][1] = uint8_t(16 * ((c >> 4) & 15) + 15);
            p.entries[p.count][2] = uint8_t(16 * (c >> 8) + 15);
        }
        p.indexOf[c] = uint16_t(p.count++);
    }
}

void buildCapturePalette() { buildPalette(capturedPicture, palette); }

int captureColourCount() { return palette.count; }

// Every second row of the picture: the first host row of each emulated line.
void CaptureScreenshot() {
    const uint16_t* picture = framePicture();
    for (int y = 0; y < CAPTURE_HEIGHT; ++y) {
        const uint16_t* row = picture + size_t(y) * 2 * FRAME_WIDTH;
        for (int x = 0; x < CAPTURE_WIDTH; ++x) {
            uint32_t p = row[2 * x];
            capturedPicture[y * CAPTURE_WIDTH + x] = uint16_t((p >> 12) << 8 | ((p >> 7) & 15) << 4 | ((p >> 1) & 15));
        }
    }
    buildCapturePalette();
}

enum class CaptureFormat { Tga, Gif };

static bool writeCapture(const std::string& path, CaptureFormat format) {
    std::vector<uint8_t> bytes;
    if (format == CaptureFormat::Gif)
        bytes = encodeGif(capturedPicture, palette);
    else if (palette.count > 256)
        bytes = encodeTga16(capturedPicture);
    else
        bytes = encodeTgaColourMapped(capturedPicture, palette);
    return writeFileReplacing(path, bytes.data(), bytes.size());
}

// The first free number among the files of the same extension.
bool SaveScreenshot(bool gifWanted, std::string& fileName) {
    buildCapturePalette();
    CaptureFormat format = gifWanted && palette.count <= 256 ? CaptureFormat::Gif : CaptureFormat::Tga;
    fileName = nextFreeDataFile(format == CaptureFormat::Gif ? "shot/Quarv_%03d.gif" : "shot/Quarv_%03d.tga");
    return writeCapture(fileName, format);
}

static std::string lowerExtension(const std::string& path) {
    std::string e = std::filesystem::path(path).extension().string();
    for (char& c : e) c = char(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

static std::string saveError;

const std::string& screenshotError() { return saveError; }

bool saveScreenshotAs(const std::string& path) {
    std::string extension = lowerExtension(path);
    if (extension != ".gif" && extension != ".tga") {
        saveError = "A screenshot is a .tga or a .gif file.";
        return false;
    }
    CaptureScreenshot();
    if (extension == ".gif" && palette.count > 256) {
        saveError = "The picture has " + std::to_string(palette.count) + " colours: a GIF holds at most 256.";
        return false;
    }
    bool saved = writeCapture(path, extension == ".tga" ? CaptureFormat::Tga : CaptureFormat::Gif);
    if (!saved) saveError = replacingError();
    return saved;
}

// ---- Snapshot section ---------------------------------------------------------------
namespace {
constexpr uint32_t PICTURE_BYTES = sizeof capturedPicture;
static_assert(PICTURE_BYTES == SNAPSHOT_PICTURE_BYTES);
uint8_t pictureStage[PICTURE_BYTES];

struct PictureSection {
    uint32_t version = 1;
    uint32_t length;
    uint8_t* data = pictureStage;

    template <class S>
    void fields(S& s) { s.block(data, PICTURE_BYTES, length); }
    bool acceptVersion() const { return true; }
    void capture() {
        data = reinterpret_cast<uint8_t*>(capturedPicture);
        length = PICTURE_BYTES;
    }
    void apply() const {
        std::memset(previewPicture, 0, sizeof previewPicture);
        std::memcpy(previewPicture, data, length);
    }
};
}  // namespace

SectionEntry pictureSnapshotSection() { return sectionEntry<PictureSection>("SHOT"); }
