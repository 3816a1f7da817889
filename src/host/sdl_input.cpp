#include "host/sdl_input.h"

#include <SDL.h>

#include <cstring>

#include "host/host_messages.h"
#include "frontend/input_devices.h"
#include "peripherals/input.h"
#include "peripherals/scan_codes.h"

static uint8_t keyState[256];
static bool acquired;
static int32_t mouseDx, mouseDy;  // motion since the previous read
static uint8_t mouseButtons[4];

// The first two devices that open: a game controller with its standard mapping, else
// any joystick by its first two axes, first hat and first button. The first is the ST's
// joystick 1 and the STE's joypad A, the second joypad B.
struct Device {
    SDL_GameController* controller;
    SDL_Joystick* joystick;  // the controller's joystick, or a plain one
};
static Device devices[JOYPAD_COUNT];

const uint8_t* hostKeyState() { return keyState; }

// ---- Joystick and joypads ----------------------------------------------------------------
// -32768..32767 to -1000..1000 (the division truncates -1000.03 to -1000).
static int32_t scaledAxis(Sint16 value) { return int32_t(value) * 1000 / 32767; }

static bool isOpen(int index) {
    for (const Device& d : devices)
        if (d.joystick && SDL_JoystickGetDeviceInstanceID(index) == SDL_JoystickInstanceID(d.joystick)) return true;
    return false;
}

// Fills the free places, in the order SDL lists the devices.
static void openJoysticks() {
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        Device* free = nullptr;
        for (Device& d : devices)
            if (!d.joystick && !free) free = &d;
        if (!free) return;
        if (isOpen(i)) continue;
        if (SDL_IsGameController(i) && (free->controller = SDL_GameControllerOpen(i)))
            free->joystick = SDL_GameControllerGetJoystick(free->controller);
        else
            free->joystick = SDL_JoystickOpen(i);
    }
}

static void closeJoystick(Device& d) {
    if (d.controller)
        SDL_GameControllerClose(d.controller);
    else if (d.joystick)
        SDL_JoystickClose(d.joystick);
    d = Device{};
}

static bool attached(const Device& d) { return d.joystick && SDL_JoystickGetAttached(d.joystick); }

// The stick's axes, with the direction pad or hat pushing them to their ends.
static JoystickDeviceState stickOf(const Device& d) {
    JoystickDeviceState s;
    bool left, right, up, down;
    if (SDL_GameController* c = d.controller) {
        s.x = scaledAxis(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX));
        s.y = scaledAxis(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTY));
        s.fire = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_A);
        left = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_LEFT);
        right = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
        up = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_UP);
        down = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    } else {
        s.x = scaledAxis(SDL_JoystickGetAxis(d.joystick, 0));
        s.y = scaledAxis(SDL_JoystickGetAxis(d.joystick, 1));
        s.fire = SDL_JoystickGetButton(d.joystick, 0);
        Uint8 hat = SDL_JoystickNumHats(d.joystick) > 0 ? SDL_JoystickGetHat(d.joystick, 0) : 0;
        left = hat & SDL_HAT_LEFT;
        right = hat & SDL_HAT_RIGHT;
        up = hat & SDL_HAT_UP;
        down = hat & SDL_HAT_DOWN;
    }
    if (left) s.x = -1000;
    if (right) s.x = 1000;
    if (up) s.y = -1000;
    if (down) s.y = 1000;
    return s;
}

static bool readJoystick(JoystickDeviceState& s) {
    if (!attached(devices[0])) return false;
    s = stickOf(devices[0]);
    return true;
}

// A joypad: the stick as its directions, the controller's buttons by position (README):
// A, B, X fire A, B, C; Y and Back Option; Start Pause; the shoulders * and #. A plain
// joystick gives its directions and fire A.
static constexpr struct {
    uint8_t stick;
    uint32_t joypad;
} stickButtons[] = {{JOY_UP, JOYPAD_UP}, {JOY_DOWN, JOYPAD_DOWN}, {JOY_LEFT, JOYPAD_LEFT},
                    {JOY_RIGHT, JOYPAD_RIGHT}, {JOY_FIRE, JOYPAD_A}};
static constexpr struct {
    SDL_GameControllerButton button;
    uint32_t joypad;
} controllerButtons[] = {
    {SDL_CONTROLLER_BUTTON_B, JOYPAD_B},           {SDL_CONTROLLER_BUTTON_X, JOYPAD_C},
    {SDL_CONTROLLER_BUTTON_Y, JOYPAD_OPTION},      {SDL_CONTROLLER_BUTTON_BACK, JOYPAD_OPTION},
    {SDL_CONTROLLER_BUTTON_START, JOYPAD_PAUSE},   {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, JOYPAD_STAR},
    {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, JOYPAD_HASH},
};

static bool readJoypad(int pad, uint32_t& buttons) {
    const Device& d = devices[pad];
    if (!attached(d)) return false;
    uint8_t stick = joystickBits(stickOf(d));
    buttons = 0;
    for (const auto& b : stickButtons)
        if (stick & b.stick) buttons |= b.joypad;
    if (d.controller)
        for (const auto& b : controllerButtons)
            if (SDL_GameControllerGetButton(d.controller, b.button)) buttons |= b.joypad;
    return true;
}

// ---- Keyboard and mouse ---------------------------------------------------------------------
static bool readKeyboard(uint8_t state[256]) {
    std::memcpy(state, keyState, sizeof keyState);
    return true;
}

static bool readMouse(MouseDeviceState& s) {
    s = {};
    s.dx = mouseDx;
    s.dy = mouseDy;
    std::memcpy(s.buttons, mouseButtons, sizeof mouseButtons);
    mouseDx = mouseDy = 0;
    return true;
}

// Running, the mouse is captured: hidden, confined and reporting relative motion.
static void acquire() {
    acquired = true;
    mouseDx = mouseDy = 0;
    std::memset(mouseButtons, 0, sizeof mouseButtons);
    SDL_SetRelativeMouseMode(SDL_TRUE);
}

static void unacquire() {
    acquired = false;
    std::memset(mouseButtons, 0, sizeof mouseButtons);
    SDL_SetRelativeMouseMode(SDL_FALSE);
}

static const InputBackend sdlInput = {readKeyboard, readMouse, readJoystick, readJoypad, acquire, unacquire};

static void setKey(SDL_Scancode scancode, bool down) {
    if (int code = keyCodeFromSdlScancode(scancode)) keyState[code] = down ? KEY_STATE_DOWN : 0;
}

static void setMouseButton(uint8_t button, bool down) {
    int index = button == SDL_BUTTON_LEFT ? 0 : button == SDL_BUTTON_RIGHT ? 1 : -1;
    if (index >= 0 && acquired) mouseButtons[index] = down ? KEY_STATE_DOWN : 0;
}

bool inputHandleEvent(const SDL_Event& e) {
    switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        setKey(e.key.keysym.scancode, e.type == SDL_KEYDOWN);
        return true;
    case SDL_MOUSEMOTION:
        if (!acquired) return false;
        mouseDx += e.motion.xrel;
        mouseDy += e.motion.yrel;
        return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (!acquired) return false;
        setMouseButton(e.button.button, e.type == SDL_MOUSEBUTTONDOWN);
        return true;
    case SDL_WINDOWEVENT:
        // Keys released while another window had the focus never reach us.
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) std::memset(keyState, 0, sizeof keyState);
        // Relative mode is granted to a focused window only.
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED && acquired) SDL_SetRelativeMouseMode(SDL_TRUE);
        return false;
    case SDL_JOYDEVICEADDED:
        openJoysticks();
        return true;
    case SDL_JOYDEVICEREMOVED:
        for (Device& d : devices)
            if (d.joystick && SDL_JoystickInstanceID(d.joystick) == e.jdevice.which) closeJoystick(d);
        openJoysticks();
        return true;
    default:
        return false;
    }
}

bool InitInput() {
    if (SDL_InitSubSystem(SDL_INIT_EVENTS) != 0) {
        showMessageBox("Input Error", "Could not create main DInput object");
        return false;
    }
    // A missing controller subsystem only means no joystick.
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0) openJoysticks();
    std::memset(keyState, 0, sizeof keyState);
    applyArrowMapping();
    setInputBackend(&sdlInput);
    return true;
}

void ShutdownInput() {
    if (acquired) unacquire();
    setInputBackend(nullptr);
    for (Device& d : devices) closeJoystick(d);
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    SDL_QuitSubSystem(SDL_INIT_EVENTS);
}
