#include "host/test_script.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "host/menu.h"
#include "host/sdl_display.h"
#include "media/screenshot.h"

namespace {
struct Step {
    long pass;
    std::string action, argument;
};
std::vector<Step> steps;
size_t nextStep;
long passes;
std::string dumpPath, shotPath;
// A click: the pointer moves first, the button follows once the window knows it is
// under the pointer.
int clickX, clickY;
long pressAt = -1, releaseAt = -1;

const char* const Actions[] = {"press", "release", "click", "clickat", "type", "resize", "dump", "shot", "quit"};

bool knownAction(const std::string& a) {
    for (const char* known : Actions)
        if (a == known) return true;
    return false;
}
}  // namespace

bool testScriptLoad() {
    const char* text = std::getenv("QUARV_TEST_SCRIPT");
    if (!text) return true;
    std::stringstream all(text);
    std::string item;
    while (std::getline(all, item, ';')) {
        std::istringstream words(item);
        Step step{-1, "", ""};
        words >> step.pass >> step.action;
        std::getline(words >> std::ws, step.argument);
        if (item.find_first_not_of(" \t") == std::string::npos) continue;
        if (step.pass < 0 || !knownAction(step.action)) {
            std::fprintf(stderr, "quarv: bad QUARV_TEST_SCRIPT step \"%s\"\n", item.c_str());
            return false;
        }
        steps.push_back(step);
    }
    return true;
}

// The menu reads Ctrl, Shift and Alt from SDL's modifier state, which only a real
// keyboard changes: a scripted modifier key changes it as well.
static void setModifier(int scancode, bool down) {
    static const struct {
        int scancode;
        SDL_Keymod mod;
    } modifiers[] = {{SDL_SCANCODE_LCTRL, KMOD_LCTRL},   {SDL_SCANCODE_LSHIFT, KMOD_LSHIFT},
                     {SDL_SCANCODE_LALT, KMOD_LALT},     {SDL_SCANCODE_RCTRL, KMOD_RCTRL},
                     {SDL_SCANCODE_RSHIFT, KMOD_RSHIFT}, {SDL_SCANCODE_RALT, KMOD_RALT}};
    for (const auto& m : modifiers)
        if (m.scancode == scancode)
            SDL_SetModState(SDL_Keymod(down ? SDL_GetModState() | m.mod : SDL_GetModState() & ~m.mod));
}

static void pushKey(Uint32 type, int scancode) {
    setModifier(scancode, type == SDL_KEYDOWN);
    SDL_Event e = {};
    e.type = type;
    e.key.windowID = SDL_GetWindowID(mainWindow());
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = SDL_Scancode(scancode);
    e.key.keysym.sym = SDL_GetKeyFromScancode(SDL_Scancode(scancode));
    e.key.keysym.mod = Uint16(SDL_GetModState());
    SDL_PushEvent(&e);
}

static void pushButton(Uint32 type) {
    SDL_Event e = {};
    e.type = type;
    e.button.windowID = SDL_GetWindowID(mainWindow());
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = clickX;
    e.button.y = clickY;
    SDL_PushEvent(&e);
}

// Text as the keyboard's text input gives it, in pieces of what one event holds.
static void pushText(const std::string& text) {
    constexpr size_t PIECE = sizeof(SDL_TextInputEvent::text) - 1;
    for (size_t at = 0; at < text.size(); at += PIECE) {
        SDL_Event e = {};
        e.type = SDL_TEXTINPUT;
        e.text.windowID = SDL_GetWindowID(mainWindow());
        text.copy(e.text.text, PIECE, at);
        SDL_PushEvent(&e);
    }
}

static void clickAt(int x, int y) {
    clickX = x;
    clickY = y;
    SDL_WarpMouseInWindow(mainWindow(), clickX, clickY);
    pressAt = passes + 2;
    releaseAt = passes + 4;
}

static void runStep(const Step& s) {
    if (s.action == "press" || s.action == "release") {
        pushKey(s.action == "press" ? SDL_KEYDOWN : SDL_KEYUP, std::atoi(s.argument.c_str()));
    } else if (s.action == "click") {
        int x, y;
        if (!menuControlCentre(s.argument.c_str(), x, y)) {
            std::fprintf(stderr, "quarv: test script: no control \"%s\" on screen\n", s.argument.c_str());
            return;
        }
        clickAt(x, y);
    } else if (s.action == "clickat") {
        int x = 0, y = 0;
        std::sscanf(s.argument.c_str(), "%d %d", &x, &y);
        clickAt(x, y);
    } else if (s.action == "type") {
        pushText(s.argument);
    } else if (s.action == "resize") {
        int width = 0, height = 0;
        std::sscanf(s.argument.c_str(), "%d %d", &width, &height);
        SDL_SetWindowSize(mainWindow(), width, height);
    } else if (s.action == "dump") {
        dumpPath = s.argument;
    } else if (s.action == "shot") {
        shotPath = s.argument;
    } else {
        SDL_Event quit = {};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }
}

void testScriptPass() {
    ++passes;
    while (nextStep < steps.size() && steps[nextStep].pass <= passes) runStep(steps[nextStep++]);
    if (passes == pressAt) pushButton(SDL_MOUSEBUTTONDOWN);
    if (passes == releaseAt) pushButton(SDL_MOUSEBUTTONUP);
}

// The back buffer read back as 8-bit RGB.
static void writeBackBuffer(std::string& path) {
    SDL_Renderer* renderer = mainRenderer();
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer, &w, &h);
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    bool ok = SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_RGB24, rgb.data(), w * 3) == 0 &&
              savePngRgb(path, rgb.data(), w, h);
    if (!ok) std::fprintf(stderr, "quarv: test script: cannot write %s (%s)\n", path.c_str(), SDL_GetError());
    path.clear();
}

bool testScriptWantsFrame() { return !dumpPath.empty(); }

void testScriptBeforePresent(bool emulatedFrame) {
    if (!shotPath.empty()) writeBackBuffer(shotPath);
    if (emulatedFrame && !dumpPath.empty()) writeBackBuffer(dumpPath);
}
