#pragma once
// Host key codes to ST keys: the scan code table of the keyboard processor, and the
// translation of SDL scancodes into the DirectInput key codes that the key state uses.
#include <array>
#include <cstdint>

// ST scan code for each DirectInput key code, 0 for keys the ST does not have.
extern std::array<uint8_t, 256> ScanCodeTable;

// The arrow keys give the ST's arrow keys when "Use arrow keys as joystick" is off and
// nothing (they drive joystick 1) when it is on. Called at start-up, when the option
// changes and whenever input is acquired.
void applyArrowMapping();

// SDL scancodes are USB HID usage numbers: A = 4, Return = 40, F11 = 68, Left Control
// = 224. Returns the DirectInput key code of the same physical key, 0 when there is none.
int keyCodeFromSdlScancode(int scancode);
