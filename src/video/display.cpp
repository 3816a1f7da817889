#include "video/display.h"

static uint16_t frameBuffer[FRAME_WIDTH * FRAME_HEIGHT];
static int presentParity;

static bool memoryLock(bool, FrameSurface* out) {
    out->pixels = reinterpret_cast<uint8_t*>(frameBuffer);
    out->pitch = FRAME_WIDTH * 2;
    return true;
}
static void memoryNothing() {}
static void memoryClear(bool) {
    for (uint16_t& p : frameBuffer) p = 0;
}
static bool memoryNo() { return false; }

static const DisplayBackend memoryBackend = {memoryLock, memoryNothing, memoryNothing, memoryNothing,
                                             memoryClear, memoryNo, memoryNo};
static const DisplayBackend* display = &memoryBackend;

void setDisplayBackend(const DisplayBackend* backend) { display = backend ? backend : &memoryBackend; }

bool LockFrame(bool readOnly, FrameSurface* out) { return display->lockFrame(readOnly, out); }
void FinishFrame() { display->finishFrame(); }
void UnlockFrameReadOnly() { display->unlockReadOnly(); }
void PresentFrame() {
    display->presentFrame();
    presentParity ^= 1;
}
// Presents once more when the parity is odd, so that both buffers hold the same picture.
void FlushPresent() {
    if (presentParity) PresentFrame();
}
void ClearDisplay(bool twice) { display->clearDisplay(twice); }
bool displayIsFullscreen() { return display->isFullscreen(); }
bool displayTextureMode() { return display->textureMode(); }

const uint16_t* headlessFramePixels() { return frameBuffer; }
