#pragma once
// Keyboard, mouse, joystick and the STE's joypads from SDL, behind the keyboard
// processor's input backend. The key state follows every key event, also in the menu, so that it holds
// the real keyboard whenever the emulation takes it over; mouse motion counts only
// while the emulation runs, with the mouse captured in relative mode.
#include <cstdint>

union SDL_Event;

// Opens the first two game controllers or joysticks and installs the backend. Fails only when
// SDL's event handling cannot start ("Input Error").
bool InitInput();
void ShutdownInput();

// Takes the keyboard, mouse and controller events; false for the others.
bool inputHandleEvent(const SDL_Event& event);

// The key state as the keyboard processor reads it (bit 7 set = down), by DirectInput
// key code.
const uint8_t* hostKeyState();
