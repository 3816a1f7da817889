#pragma once
// Host keyboard, mouse and joystick as key states indexed by DirectInput key codes.
#include <cstdint>

constexpr int KEY_F11 = 0x57;
constexpr int KEY_F12 = 0x58;
constexpr int KEY_LSHIFT = 0x2A;
constexpr int KEY_RSHIFT = 0x36;

void PollKeyboard();
bool keyDown(int code);
bool keyWentDown(int code);
bool keyWentUp(int code);
void PollJoystick();
void AcquireInput();
void UnacquireInput();
