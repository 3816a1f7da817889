#include "peripherals/input.h"

#include <cstring>

static uint8_t keyState[256];
static int32_t mouseDx, mouseDy;
static uint8_t mouseLeft, mouseRight;        // as handed over
static uint8_t reportedLeft, reportedRight;  // at the previous report
static uint8_t joystick;
static uint32_t joypads[JOYPAD_COUNT];
static int32_t handedDx, handedDy;  // movement handed since the last takeHandedInput

void inputSetKeys(const uint8_t state[256]) { std::memcpy(keyState, state, sizeof keyState); }

void inputMoveMouse(int32_t dx, int32_t dy) {
    mouseDx += dx;
    mouseDy += dy;
    handedDx += dx;
    handedDy += dy;
}

void inputSetMouseButtons(bool left, bool right) {
    mouseLeft = left;
    mouseRight = right;
}

void inputSetJoystick(uint8_t bits) { joystick = bits; }
void inputSetJoypad(int pad, uint32_t buttons) { joypads[pad & 1] = buttons; }

bool keyDown(int code) { return keyState[code & 0xFF] & KEY_STATE_DOWN; }
const uint8_t* currentKeyState() { return keyState; }

MouseReport takeMouseReport() {
    MouseReport r{mouseDx, mouseDy, mouseLeft, mouseRight, uint8_t(mouseLeft != reportedLeft),
                  uint8_t(mouseRight != reportedRight)};
    mouseDx = mouseDy = 0;
    reportedLeft = mouseLeft;
    reportedRight = mouseRight;
    return r;
}

uint8_t joystickByte() { return joystick; }
uint32_t joypadButtons(int pad) { return joypads[pad & 1]; }

void takeHandedInput(HandedInput& out) {
    std::memcpy(out.keys, keyState, sizeof keyState);
    out.mouseDx = handedDx;
    out.mouseDy = handedDy;
    handedDx = handedDy = 0;
    out.mouseLeft = mouseLeft;
    out.mouseRight = mouseRight;
    out.joystick = joystick;
    for (int pad = 0; pad < JOYPAD_COUNT; ++pad) out.joypads[pad] = joypads[pad];
}

InputPending inputPending() { return {mouseDx, mouseDy, reportedLeft, reportedRight}; }

void restoreInputPending(const InputPending& p) {
    mouseDx = p.mouseDx;
    mouseDy = p.mouseDy;
    reportedLeft = p.reportedLeft != 0;
    reportedRight = p.reportedRight != 0;
}
