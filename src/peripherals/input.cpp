#include "peripherals/input.h"

#include <cstring>

#include "frontend/config.h"
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
static void nullAcquire() {}

static const InputBackend nullBackend = {nullReadKeyboard, nullReadMouse, nullReadJoystick, nullAcquire, nullAcquire};
static const InputBackend* backend = &nullBackend;

static bool running;
static uint8_t keyState[256], previousKeyState[256];
static uint8_t mouseLeft, mouseRight;  // buttons at the last successful mouse read
static uint8_t joystick;

void setInputBackend(const InputBackend* b) { backend = b ? b : &nullBackend; }

void setInputRunning(bool r) { running = r; }
bool inputRunning() { return running; }

void AcquireInput() {
    std::memset(keyState, 0, sizeof keyState);
    std::memset(previousKeyState, 0, sizeof previousKeyState);
    applyArrowMapping();
    backend->acquire();
}

void UnacquireInput() { backend->unacquire(); }

// ---- Keyboard ---------------------------------------------------------------------------
void PollKeyboard() {
    std::memcpy(previousKeyState, keyState, sizeof keyState);
    uint8_t fresh[256];
    if (backend->readKeyboard(fresh))
        std::memcpy(keyState, fresh, sizeof keyState);
    else
        backend->acquire();
}

static bool isDown(const uint8_t* state, int code) { return state[code & 0xFF] & KEY_STATE_DOWN; }

bool keyDown(int code) { return isDown(keyState, code); }
bool keyWentDown(int code) { return isDown(keyState, code) && !isDown(previousKeyState, code); }
bool keyWentUp(int code) { return !isDown(keyState, code) && isDown(previousKeyState, code); }
const uint8_t* currentKeyState() { return keyState; }

// ---- Mouse --------------------------------------------------------------------------------
MouseReport PollMouse() {
    MouseDeviceState state;
    if (!backend->readMouse(state)) {
        backend->acquire();
        return {};
    }
    MouseReport r;
    r.dx = state.dx;
    r.dy = state.dy;
    r.left = (state.buttons[0] & KEY_STATE_DOWN) ? 1 : 0;
    r.right = (state.buttons[1] & KEY_STATE_DOWN) ? 1 : 0;
    r.leftChanged = r.left != mouseLeft;
    r.rightChanged = r.right != mouseRight;
    mouseLeft = r.left;
    mouseRight = r.right;
    return r;
}

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

// A backend recovers a lost controller inside its own read; a failed read leaves the
// byte at 0 for this frame.
void PollJoystick() {
    joystick = 0;
    JoystickDeviceState state;
    if (config.useJoystick && backend->readJoystick(state)) joystick = joystickBits(state);
}

uint8_t joystickByte() { return config.useJoystick ? joystick : 0; }
