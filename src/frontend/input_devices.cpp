#include "frontend/input_devices.h"

#include <cstring>

#include "frontend/config.h"
#include "peripherals/input.h"
#include "peripherals/scan_codes.h"

// ---- Null backend: nothing pressed, nothing moved, no joystick --------------------------
static bool nullReadKeyboard(uint8_t state[256]) {
    std::memset(state, 0, 256);
    return true;
}
static bool nullReadMouse(MouseDeviceState& state) {
    state = {};
    return true;
}
static bool nullReadJoystick(JoystickDeviceState&) { return false; }
static bool nullReadJoypad(int, uint32_t&) { return false; }
static void nullAcquire() {}

static const InputBackend nullBackend = {nullReadKeyboard, nullReadMouse, nullReadJoystick, nullReadJoypad,
                                         nullAcquire, nullAcquire};
static const InputBackend* backend = &nullBackend;

static uint8_t keyState[256], previousKeyState[256];

void setInputBackend(const InputBackend* b) { backend = b ? b : &nullBackend; }

void AcquireInput() {
    std::memset(keyState, 0, sizeof keyState);
    std::memset(previousKeyState, 0, sizeof previousKeyState);
    applyArrowMapping();
    backend->acquire();
}

void UnacquireInput() { backend->unacquire(); }

// ---- Keyboard ---------------------------------------------------------------------------
// A failed read re-acquires and keeps the current state, so that the poll reports no
// change.
void PollKeyboard() {
    std::memcpy(previousKeyState, keyState, sizeof keyState);
    uint8_t fresh[256];
    if (backend->readKeyboard(fresh))
        std::memcpy(keyState, fresh, sizeof keyState);
    else
        backend->acquire();
}

static bool isDown(const uint8_t* state, int code) { return state[code & 0xFF] & KEY_STATE_DOWN; }

bool hostKeyDown(int code) { return isDown(keyState, code); }
bool hostKeyWentDown(int code) { return isDown(keyState, code) && !isDown(previousKeyState, code); }
bool hostKeyWentUp(int code) { return !isDown(keyState, code) && isDown(previousKeyState, code); }

// ---- Joystick -----------------------------------------------------------------------------
uint8_t joystickBits(const JoystickDeviceState& s) {
    uint8_t bits = 0;
    if (s.y < -JOYSTICK_THRESHOLD) bits |= JOY_UP;
    if (s.y > JOYSTICK_THRESHOLD) bits |= JOY_DOWN;
    if (s.x < -JOYSTICK_THRESHOLD) bits |= JOY_LEFT;
    if (s.x > JOYSTICK_THRESHOLD) bits |= JOY_RIGHT;
    if (s.fire) bits |= JOY_FIRE;
    return bits;
}

// ---- Hand-over ----------------------------------------------------------------------------
// A failed mouse read re-acquires and hands over no movement; a backend recovers a lost
// controller inside its own read, and a failed read leaves the joystick centred.
void pollInputDevices() {
    PollKeyboard();
    inputSetKeys(keyState);

    MouseDeviceState mouse;
    if (backend->readMouse(mouse)) {
        inputMoveMouse(mouse.dx, mouse.dy);
        inputSetMouseButtons(mouse.buttons[0] & KEY_STATE_DOWN, mouse.buttons[1] & KEY_STATE_DOWN);
    } else {
        backend->acquire();
    }

    JoystickDeviceState joystick;
    bool stick = config.useJoystick && backend->readJoystick(joystick);
    inputSetJoystick(stick ? joystickBits(joystick) : 0);

    for (int pad = 0; pad < JOYPAD_COUNT; ++pad) {
        uint32_t buttons = 0;
        inputSetJoypad(pad, backend->readJoypad(pad, buttons) ? buttons : 0);
    }
}
