#pragma once
// The 400 x 300 capture taken when the user leaves the emulation, and its files.
#include <cstdint>
#include <string>

constexpr int CAPTURE_WIDTH = 400;
constexpr int CAPTURE_HEIGHT = 300;
extern uint16_t capturedPicture[CAPTURE_WIDTH * CAPTURE_HEIGHT];  // 12-bit 0RGB colours

void CaptureScreenshot();
// Writes "shot/Quarv_%03d.%s" as GIF (when wanted and at most 256 colours) or TGA.
bool SaveScreenshot(bool gifWanted, std::string& fileName);
int captureColourCount();
