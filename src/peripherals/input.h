#pragma once
// Host keyboard, mouse and joystick as the keyboard processor sees them: key states
// indexed by DirectInput key codes (bit 7 set = down), mouse deltas and buttons, and a
// joystick byte. The devices sit behind an `InputBackend`: the SDL2 devices of the
// window build, the scripted input of headless runs, or the null backend (no keys, no
// motion, no joystick) until one is installed.
#include <cstdint>

// DirectInput key codes with a meaning of their own.
constexpr int KEY_LCONTROL = 0x1D;
constexpr int KEY_LSHIFT = 0x2A;
constexpr int KEY_RSHIFT = 0x36;
constexpr int KEY_F11 = 0x57;  // warm reset, with Shift cold reset
constexpr int KEY_F12 = 0x58;  // back to the menu
constexpr int KEY_UP = 0xC8;
constexpr int KEY_LEFT = 0xCB;
constexpr int KEY_RIGHT = 0xCD;
constexpr int KEY_DOWN = 0xD0;

constexpr uint8_t KEY_STATE_DOWN = 0x80;  // bit 7 of a key state byte

// The mouse as a device reports it: counts moved since its previous read, and button
// bytes with bit 7 set while pressed (0 left, 1 right).
struct MouseDeviceState {
    int32_t dx, dy, dz;
    uint8_t buttons[4];
};

// A game controller: axes scaled to -1000..1000, and its first button.
struct JoystickDeviceState {
    int32_t x, y;
    bool fire;
};

// What a host input layer provides. A failed read returns false and leaves its argument
// undefined; the caller then asks the backend to acquire its devices again.
struct InputBackend {
    bool (*readKeyboard)(uint8_t state[256]);
    bool (*readMouse)(MouseDeviceState& state);
    bool (*readJoystick)(JoystickDeviceState& state);  // false also when there is none
    void (*acquire)();    // the emulation starts taking keyboard and mouse
    void (*unacquire)();  // and gives them back
};

// Null restores the null backend.
void setInputBackend(const InputBackend* backend);

// The emulation executes (running or the debugger's run): the keyboard processor's scan
// polls the devices only while this is set. The main loop sets it on its state changes.
void setInputRunning(bool running);
bool inputRunning();

// Keyboard and mouse belong to the emulation while it runs. Acquiring also clears both
// key state arrays and applies the current arrow-key option to the scan code table.
void AcquireInput();
void UnacquireInput();

// Previous state = current state, then a fresh read; a failed read re-acquires and keeps
// the current state, so that poll reports no change.
void PollKeyboard();
bool keyDown(int code);
bool keyWentDown(int code);  // up at the previous poll, down now
bool keyWentUp(int code);
const uint8_t* currentKeyState();  // the 256 bytes of the last poll

struct MouseReport {
    int32_t dx, dy;  // device counts since the previous poll, unscaled
    uint8_t left, right;
    uint8_t leftChanged, rightChanged;  // since the previous successful poll
};
// All zero when the read fails; the mouse is then re-acquired.
MouseReport PollMouse();

// Joystick byte bits, as the keyboard processor reports them.
constexpr uint8_t JOY_UP = 0x01, JOY_DOWN = 0x02, JOY_LEFT = 0x04, JOY_RIGHT = 0x08, JOY_FIRE = 0x80;

// Once per frame. The joystick byte is 0 with no joystick or with "Use PC Joystick" off.
void PollJoystick();
uint8_t joystickByte();

// Axis positions beyond which a direction counts (strictly).
constexpr int32_t JOYSTICK_THRESHOLD = 500;
uint8_t joystickBits(const JoystickDeviceState& state);
