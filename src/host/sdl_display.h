#pragma once
// The main window and the emulated picture in it, through SDL2's renderer. After each
// frame the machine's picture is uploaded into a streaming texture, 800 x 600 for CPU
// rendering, or in texture mode 800 x 300 of a 1024 x 512 texture, both R5G6B5, and
// drawn; the texture keeps the last picture for the menu, which is drawn over it.
#include <cstdint>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_WindowEvent;

// Asks the full-screen question when the settings want it, chooses the display and
// its refresh rate, and opens the window "Quarv v1.21": resizable, at the size (and
// maximised state) it had last time, 800 x 600 at first; or full screen in the display's
// desktop mode. A failure is reported under "Graphics Error".
bool createMainWindow();
// A window event: a new size is remembered for the next start.
void displayWindowEvent(const SDL_WindowEvent& event);
void destroyMainWindow();
// The renderer and the textures.
bool InitDisplay();
void ShutdownDisplay();

// The machine's picture on screen after a frame (unpaced, at most once a refresh of the
// display: the frames in between are not drawn); an empty screen; whether the display's
// vertical sync paces the frames (full screen with "Force PC Video sync.").
void presentPicture(bool atMostEveryRefresh);
void clearDisplay();
bool displayPacesFrames();

SDL_Window* mainWindow();  // null before the window exists
SDL_Renderer* mainRenderer();

// The last frame's picture into the back buffer, scaled to the window with its shape kept,
// black around it.
void drawPicture();
// Shows the back buffer; `emulatedFrame` tells a frame of the machine from a menu pass.
void presentBackBuffer(bool emulatedFrame);
// One more present when an odd number was made, so that both buffers hold the picture.
void flushPresent();
// The renderer lost its textures (a device reset): they are made again, and the
// current picture with them.
void recreateDisplayTextures();

// Texture mode is possible only with the 1024 x 512 texture; CPU rendering only with
// the 800 x 600 one. Switching applies from the next frame.
bool texturesReady();
bool cpuRenderingReady();
void setTextureMode(bool on);
