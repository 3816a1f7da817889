#pragma once
// The host picture behind the operations the frame end uses. Without a window the
// picture goes to an 800 x 600 R5G6B5 frame buffer in memory.
#include <cstdint>

struct FrameSurface {
    uint8_t* pixels;  // first pixel
    int pitch;        // bytes per row (half the texture's pitch in texture mode)
};

struct DisplayBackend {
    bool (*lockFrame)(bool readOnly, FrameSurface* out);
    void (*finishFrame)();
    void (*unlockReadOnly)();
    void (*presentFrame)();
    void (*clearDisplay)(bool twice);
    bool (*isFullscreen)();
    bool (*textureMode)();  // lines land on consecutive texture rows
};

void setDisplayBackend(const DisplayBackend* backend);  // null: the memory frame buffer

bool LockFrame(bool readOnly, FrameSurface* out);
void FinishFrame();
void UnlockFrameReadOnly();
void PresentFrame();
void FlushPresent();
void ClearDisplay(bool twice);
bool displayIsFullscreen();
bool displayTextureMode();

// The memory frame buffer (800 x 600 R5G6B5), for the headless machine and tests.
constexpr int FRAME_WIDTH = 800;
constexpr int FRAME_HEIGHT = 600;
const uint16_t* headlessFramePixels();
