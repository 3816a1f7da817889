#pragma once
// The 400 x 300 capture taken when the user leaves the emulation, and its files.
#include <cstdint>
#include <string>

constexpr int CAPTURE_WIDTH = 400;
constexpr int CAPTURE_HEIGHT = 300;
extern uint16_t capturedPicture[CAPTURE_WIDTH * CAPTURE_HEIGHT];  // 12-bit 0RGB colours
// The picture of the last snapshot whose "SHOT" section was read: the menu's preview of a
// slot, and the default snapshot's capture at start-up.
extern uint16_t previewPicture[CAPTURE_WIDTH * CAPTURE_HEIGHT];

// Every second pixel of every second row of the machine's picture.
void CaptureScreenshot();
// Recounts the colours of capturedPicture (after it was replaced, e.g. from a snapshot).
void buildCapturePalette();
// Writes "shot/Quarv_%03d.%s" as GIF (when wanted and at most 256 colours) or TGA.
bool SaveScreenshot(bool gifWanted, std::string& fileName);
int captureColourCount();

// Headless exit options. Captures the frame and writes it to exactly `path`: ".gif" as
// GIF (false when the picture has more than 256 colours), ".tga" as TGA.
bool saveScreenshotAs(const std::string& path);
// Why saveScreenshotAs failed, for the user.
const std::string& screenshotError();
// The machine's whole 800 x 600 picture as PNG.
bool savePng(const std::string& path);
// Any 8-bit RGB picture as PNG (rows top first, no padding).
bool savePngRgb(const std::string& path, const uint8_t* rgb, int width, int height);

// Snapshots carry the capture ("SHOT", read into previewPicture); the front end
// registers it before the machine is brought up.
struct SectionEntry;
SectionEntry pictureSnapshotSection();
