#include "host/sdl_display.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>

#include "bus/machine_settings.h"
#include "frontend/config.h"
#include "host/display_adapters.h"
#include "host/host_messages.h"
#include "host/picture_placement.h"
#include "host/test_script.h"
#include "video/picture.h"

constexpr int TEXTURE_WIDTH = 1024, TEXTURE_HEIGHT = 512;
constexpr int TEXTURE_ROWS = FRAME_HEIGHT / 2;  // one texture row per emulated line

static SDL_Window* window;
static SDL_Renderer* renderer;
static SDL_Texture* cpuTexture;      // 800 x 600
static SDL_Texture* pictureTexture;  // 1024 x 512, texture mode
static bool textureMode;
static bool fullscreen;
static bool drawnSinceLastPresent;
static int presentParity;
static bool textureBehind;     // frames ended that the texture does not show yet
static Uint64 lastPresentTime;  // performance counter at the last emulated frame shown

static AdapterRecord adapters[MAX_ADAPTERS];

SDL_Window* mainWindow() { return window; }
SDL_Renderer* mainRenderer() { return renderer; }

// ---- Failures --------------------------------------------------------------------------
static const struct {
    int code;
    const char* text;
} GraphicsErrors[] = {
    {100, "Unable to create a DirectX8.1 Interface. (Maybe not installed)"},
    {101, "Unable to create a D3DDevice8.\nCheck your DirectX8.1 install or your hardware video card support."},
    {102, "Your hardware does not support R5G6B5 textures.\nPlease use fullscreen or set a 16bits windowed screen mode."},
    {103, "Could not find any Video Adapter Quarv compatible."},
};

static bool graphicsError(int code) {
    std::fprintf(stderr, "quarv: graphics error %d (%s)\n", code, SDL_GetError());
    for (const auto& e : GraphicsErrors)
        if (e.code == code) showMessageBox("Graphics Error", e.text);
    return false;
}

// ---- Window ------------------------------------------------------------------------------
// Below half the picture's size the ST's text can no longer be read.
constexpr int MIN_WINDOW_WIDTH = FRAME_WIDTH / 2, MIN_WINDOW_HEIGHT = FRAME_HEIGHT / 2;

bool createMainWindow() {
    if (config.askFullscreen)
        config.fullscreen = askYesNo(QUARV_VERSION_STRING, "Do you want to run Quarv in fullscreen ?");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return graphicsError(100);

    int count = enumerateAdapters(adapters);
    if (count == 0) return graphicsError(103);
    config.videoAdapter = chooseAdapter(count, config.videoAdapter);
    const AdapterRecord& adapter = adapters[config.videoAdapter];
    config.videoRefresh = chooseRefresh(adapter, config.videoRefresh);

    // Full screen, the window takes the desktop mode's size from the start, so that no
    // mode change is needed beyond the chosen refresh rate. A window opens at the size
    // and state it had when the program last ended.
    fullscreen = config.fullscreen;
    int at = SDL_WINDOWPOS_CENTERED_DISPLAY(adapter.display);
    int width = std::max(int(config.windowWidth), MIN_WINDOW_WIDTH);
    int height = std::max(int(config.windowHeight), MIN_WINDOW_HEIGHT);
    Uint32 flags = SDL_WINDOW_RESIZABLE | (config.windowMaximized ? SDL_WINDOW_MAXIMIZED : 0);
    if (fullscreen) {
        width = adapter.width;
        height = adapter.height;
        flags = SDL_WINDOW_FULLSCREEN;
    }
    window = SDL_CreateWindow(QUARV_VERSION_STRING, at, at, width, height, flags);
    if (!window) return graphicsError(101);
    SDL_SetWindowMinimumSize(window, MIN_WINDOW_WIDTH, MIN_WINDOW_HEIGHT);
    if (fullscreen) {
        SDL_DisplayMode mode = {adapter.format, adapter.width, adapter.height, int(config.videoRefresh), nullptr};
        if (SDL_SetWindowDisplayMode(window, &mode) != 0)
            std::fprintf(stderr, "quarv: refresh rate %u Hz refused (%s)\n", config.videoRefresh, SDL_GetError());
    }
    return true;
}

// The size to open at next time is the window's own, not the one it has while maximised.
void displayWindowEvent(const SDL_WindowEvent& event) {
    if (event.event != SDL_WINDOWEVENT_SIZE_CHANGED || !window) return;
    Uint32 flags = SDL_GetWindowFlags(window);
    if (flags & (SDL_WINDOW_MAXIMIZED | SDL_WINDOW_FULLSCREEN)) return;
    config.windowWidth = uint32_t(event.data1);
    config.windowHeight = uint32_t(event.data2);
}

void destroyMainWindow() {
    if (window && !fullscreen) config.windowMaximized = (SDL_GetWindowFlags(window) & SDL_WINDOW_MAXIMIZED) != 0;
    if (window) SDL_DestroyWindow(window);
    window = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

// ---- Renderer and textures -----------------------------------------------------------------
static void createTextures() {
    cpuTexture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, FRAME_WIDTH, FRAME_HEIGHT);
    pictureTexture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, TEXTURE_WIDTH,
                                       TEXTURE_HEIGHT);
    if (cpuTexture) SDL_SetTextureScaleMode(cpuTexture, SDL_ScaleModeNearest);
}

static void destroyTextures() {
    if (cpuTexture) SDL_DestroyTexture(cpuTexture);
    if (pictureTexture) SDL_DestroyTexture(pictureTexture);
    cpuTexture = pictureTexture = nullptr;
}

// In texture mode the machine draws each line on one picture row out of two: every
// second row goes to one texture row.
static void uploadPicture(const uint16_t* picture) {
    if (textureMode) {
        SDL_Rect used = {0, 0, FRAME_WIDTH, TEXTURE_ROWS};
        SDL_UpdateTexture(pictureTexture, &used, picture, 2 * FRAME_PITCH);
    } else {
        SDL_UpdateTexture(cpuTexture, nullptr, picture, FRAME_PITCH);
    }
}

bool texturesReady() { return pictureTexture != nullptr; }
bool cpuRenderingReady() { return cpuTexture != nullptr; }

void setTextureMode(bool on) {
    textureMode = cpuTexture ? on && pictureTexture : true;
    config.useTexture = textureMode;
    machineSettings.singleRowLines = textureMode;
}

void recreateDisplayTextures() {
    destroyTextures();
    createTextures();
    setTextureMode(textureMode);
    uploadPicture(framePicture());
}

// The texture's 800 x 300 used texels over the picture's place. At the picture's own
// size each host pixel samples the centre of its texel across (half a texel in), and the
// two host rows of an emulated line sample a quarter texel above and below the centre of
// its texture row, so that bilinear filtering softens the line doubling without blurring
// the pixels. The renderer samples at pixel centres, which puts those points at texture
// coordinates x / 1024 and y / 1024 for picture position (x, y): the quad's corners need
// no offset.
static void drawTextureQuad(const SDL_FRect& place) {
    constexpr float U1 = float(FRAME_WIDTH) / TEXTURE_WIDTH, V1 = float(TEXTURE_ROWS) / TEXTURE_HEIGHT;
    const float X0 = place.x, Y0 = place.y, X1 = place.x + place.w, Y1 = place.y + place.h;
    const SDL_Color white = {255, 255, 255, 255};
    const SDL_Vertex quad[4] = {
        {{X0, Y0}, white, {0, 0}},
        {{X1, Y0}, white, {U1, 0}},
        {{X0, Y1}, white, {0, V1}},
        {{X1, Y1}, white, {U1, V1}},
    };
    static const int triangles[6] = {0, 1, 3, 0, 3, 2};
    SDL_SetTextureScaleMode(pictureTexture, config.useTextureFiltering ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
    SDL_RenderGeometry(renderer, pictureTexture, quad, 4, triangles, 6);
}

void drawPicture() {
    if (textureBehind) uploadPicture(framePicture());
    textureBehind = false;
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    int width = 0, height = 0;
    SDL_GetRendererOutputSize(renderer, &width, &height);
    PictureRect r = placePicture(width, height, config.integerScaling);
    SDL_FRect place = {float(r.x), float(r.y), float(r.width), float(r.height)};
    if (textureMode) {
        drawTextureQuad(place);
    } else {
        SDL_RenderCopyF(renderer, cpuTexture, nullptr, &place);
    }
    drawnSinceLastPresent = true;
}

void presentBackBuffer(bool emulatedFrame) {
    testScriptBeforePresent(emulatedFrame);
    SDL_RenderPresent(renderer);
    drawnSinceLastPresent = false;
    presentParity ^= 1;
}

// Presents once more when the parity is odd, so that both buffers hold the same picture.
void flushPresent() {
    if (presentParity) presentBackBuffer(false);
}

// ---- The picture of each frame ------------------------------------------------------------
// No faster than the display shows them: a frame that ends sooner after the last one shown
// than a refresh of the display is not shown, nor drawn, unless the test script wants it.
static bool refreshPassed() {
    SDL_DisplayMode mode;
    int display = std::max(SDL_GetWindowDisplayIndex(window), 0);
    int hz = SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0 ? mode.refresh_rate : 60;
    Uint64 now = SDL_GetPerformanceCounter();
    if (lastPresentTime && now - lastPresentTime < SDL_GetPerformanceFrequency() / Uint64(hz)) return false;
    lastPresentTime = now;
    return true;
}

// Full screen with "Force PC Video sync." each present waits for a vertical blank, and
// with "Frame Skip" n for n of them: the picture is shown again n - 1 times.
void presentPicture(bool atMostEveryRefresh) {
    textureBehind = true;
    if (atMostEveryRefresh && !testScriptWantsFrame() && !refreshPassed()) return;
    drawPicture();
    presentBackBuffer(true);
    if (fullscreen && config.forceVblSync)
        for (uint32_t extra = 1; extra < config.frameSkip; ++extra) {
            drawPicture();
            presentBackBuffer(false);
        }
}

void clearDisplay() {
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderPresent(renderer);
    drawnSinceLastPresent = false;
}

bool displayPacesFrames() { return fullscreen && config.forceVblSync; }

// With "Force PC Video sync." in full screen the presents wait for the display's vertical
// blank and pace the frames; otherwise the sound output alone paces them.
bool InitDisplay() {
    Uint32 flags = displayPacesFrames() ? SDL_RENDERER_PRESENTVSYNC : 0;
    renderer = SDL_CreateRenderer(window, -1, flags);
    if (!renderer) return graphicsError(101);
    createTextures();
    if (!cpuTexture && !pictureTexture) {
        ShutdownDisplay();
        return graphicsError(102);
    }
    setTextureMode(config.useTexture);
    clearDisplay();
    clearDisplay();
    return true;
}

void ShutdownDisplay() {
    destroyTextures();
    if (renderer) SDL_DestroyRenderer(renderer);
    renderer = nullptr;
}
