#pragma once
// The host's input devices as the runners use them: a backend (SDL2 in the window,
// scripted input in headless runs, nothing until one is installed) read once before each
// frame; the states go to the emulated keyboard processor (peripherals/input.h), and the
// emulator's own keys (F11, F12) are read here.
#include <cstdint>

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
    // The controller that is the STE's joypad 0 (A) or 1 (B): its buttons pressed, as
    // JOYPAD_ bits (peripherals/input.h); false when there is none.
    bool (*readJoypad)(int pad, uint32_t& buttons);
    void (*acquire)();    // the emulation starts taking keyboard and mouse
    void (*unacquire)();  // and gives them back
};

// Null restores the null backend (no keys, no motion, no joystick).
void setInputBackend(const InputBackend* backend);

// Keyboard and mouse belong to the emulation while it runs. Acquiring also clears the key
// states and applies the current arrow-key option to the scan code table.
void AcquireInput();
void UnacquireInput();

// Reads every device and hands keys, mouse and joystick to the keyboard processor and
// the controllers to the joypad ports: once before each emulated frame.
void pollInputDevices();

// The keys as read by the last poll, and their changes since the poll before.
void PollKeyboard();
bool hostKeyDown(int code);
bool hostKeyWentDown(int code);
bool hostKeyWentUp(int code);

// Axis positions beyond which a direction counts (strictly).
constexpr int32_t JOYSTICK_THRESHOLD = 500;
uint8_t joystickBits(const JoystickDeviceState& state);
