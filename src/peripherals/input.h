#pragma once
// The host's keyboard, mouse and joystick as the keyboard processor sees them, and the
// STE's joypads. The front end reads its devices between frames and hands their states
// over here; the keyboard processor's scans and the joypad ports take them during the
// frame. Keys are indexed by DirectInput key
// codes (bit 7 set = down).
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

// Joystick byte bits, as the keyboard processor reports them.
constexpr uint8_t JOY_UP = 0x01, JOY_DOWN = 0x02, JOY_LEFT = 0x04, JOY_RIGHT = 0x08, JOY_FIRE = 0x80;

// The STE's joypads A and B (its enhanced joystick ports): a state is a set of these bits,
// one per button pressed.
constexpr int JOYPAD_COUNT = 2;
constexpr uint32_t JOYPAD_UP = 1u << 0, JOYPAD_DOWN = 1u << 1, JOYPAD_LEFT = 1u << 2, JOYPAD_RIGHT = 1u << 3;
constexpr uint32_t JOYPAD_PAUSE = 1u << 4, JOYPAD_A = 1u << 5, JOYPAD_B = 1u << 6, JOYPAD_C = 1u << 7;
constexpr uint32_t JOYPAD_OPTION = 1u << 8, JOYPAD_STAR = 1u << 9, JOYPAD_HASH = 1u << 10;
constexpr uint32_t joypadKey(int digit) { return 1u << (11 + digit); }  // the keypad's 0-9

// ---- Handed over by the front end --------------------------------------------------------
// The 256 key states as they are now.
void inputSetKeys(const uint8_t state[256]);
// Mouse movement in device counts (right and down positive), added to what the keyboard
// processor has not taken yet, and the buttons as they are now.
void inputMoveMouse(int32_t dx, int32_t dy);
void inputSetMouseButtons(bool left, bool right);
// Joystick 1 from a host controller (JOY_ bits; 0 without one).
void inputSetJoystick(uint8_t bits);
// Joypad 0 (A) or 1 (B) from a host controller (JOYPAD_ bits; 0 without one).
void inputSetJoypad(int pad, uint32_t buttons);

// ---- Taken by the keyboard processor -----------------------------------------------------
bool keyDown(int code);
const uint8_t* currentKeyState();  // the 256 bytes handed last

struct MouseReport {
    int32_t dx, dy;  // counts moved since the previous report
    uint8_t left, right;
    uint8_t leftChanged, rightChanged;  // since the previous report
};
// The movement since the previous report (then cleared) and the buttons.
MouseReport takeMouseReport();
uint8_t joystickByte();
// Taken by the joypad ports when the processor reads them.
uint32_t joypadButtons(int pad);

// ---- Everything handed over, as input recordings keep it ---------------------------------
struct HandedInput {
    uint8_t keys[256];
    int32_t mouseDx, mouseDy;  // handed since the previous take
    uint8_t mouseLeft, mouseRight, joystick;
    uint32_t joypads[JOYPAD_COUNT];
};
// The states as handed last and the movement handed since the previous take.
void takeHandedInput(HandedInput& out);

// ---- Carried by snapshots ----------------------------------------------------------------
// What the keyboard processor was handed and has not reported yet: the movement not yet
// taken, and the buttons as its last report gave them.
struct InputPending {
    int32_t mouseDx, mouseDy;
    uint8_t reportedLeft, reportedRight;
};
InputPending inputPending();
void restoreInputPending(const InputPending& pending);
