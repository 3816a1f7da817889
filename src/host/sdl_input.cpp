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
static SDL_GameController* controller;
static SDL_Joystick* joystick;  // the controller's joystick, or a plain one

const uint8_t* hostKeyState() { return keyState; }

// ---- Joystick -------------------------------------------------------------------------------
// -32768..32767 to -1000..1000 (the division truncates -1000.03 to -1000).
static int32_t scaledAxis(Sint16 value) { return int32_t(value) * 1000 / 32767; }

// The first device that opens: a game controller with its standard mapping, else any
// joystick by its first two axes, first hat and first button.
static void openFirstJoystick() {
    for (int i = 0; i < SDL_NumJoysticks() && !joystick; ++i) {
        if (SDL_IsGameController(i) && (controller = SDL_GameControllerOpen(i)))
            joystick = SDL_GameControllerGetJoystick(controller);
        else
            joystick = SDL_JoystickOpen(i);
    }
}

static void closeJoystick() {
    if (controller)
        SDL_GameControllerClose(controller);
    else if (joystick)
        SDL_JoystickClose(joystick);
    controller = nullptr;
    joystick = nullptr;
}

// The stick's axes, with the direction pad or hat pushing them to their ends.
static bool readJoystick(JoystickDeviceState& s) {
    if (!joystick || !SDL_JoystickGetAttached(joystick)) return false;
    bool left, right, up, down;
    if (controller) {
        s.x = scaledAxis(SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_LEFTX));
        s.y = scaledAxis(SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_LEFTY));
        s.fire = SDL_GameControllerGetButton(controller, SDL_CONTROLLER_BUTTON_A);
        left = SDL_GameControllerGetButton(controller, SDL_CONTROLLER_BUTTON_DPAD_LEFT);
        right = SDL_GameControllerGetButton(controller, SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
        up = SDL_GameControllerGetButton(controller, SDL_CONTROLLER_BUTTON_DPAD_UP);
        down = SDL_GameControllerGetButton(controller, SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    } else {
        s.x = scaledAxis(SDL_JoystickGetAxis(joystick, 0));
        s.y = scaledAxis(SDL_JoystickGetAxis(joystick, 1));
        s.fire = SDL_JoystickGetButton(joystick, 0);
        Uint8 hat = SDL_JoystickNumHats(joystick) > 0 ? SDL_JoystickGetHat(joystick, 0) : 0;
        left = hat & SDL_HAT_LEFT;
        right = hat & SDL_HAT_RIGHT;
        up = hat & SDL_HAT_UP;
        down = hat & SDL_HAT_DOWN;
    }
    if (left) s.x = -1000;
    if (right) s.x = 1000;
    if (up) s.y = -1000;
    if (down) s.y = 1000;
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

static const InputBackend sdlInput = {readKeyboard, readMouse, readJoystick, acquire, unacquire};

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
        if (!joystick) openFirstJoystick();
        return true;
    case SDL_JOYDEVICEREMOVED:
        if (joystick && SDL_JoystickInstanceID(joystick) == e.jdevice.which) {
            closeJoystick();
            openFirstJoystick();
        }
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
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0) openFirstJoystick();
    std::memset(keyState, 0, sizeof keyState);
    applyArrowMapping();
    setInputBackend(&sdlInput);
    return true;
}

void ShutdownInput() {
    if (acquired) unacquire();
    setInputBackend(nullptr);
    closeJoystick();
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    SDL_QuitSubSystem(SDL_INIT_EVENTS);
}
