#pragma once
// Keyboard and mouse driven by a script instead of a person, for headless runs, tests and
// users' automation. The scripted input is an InputBackend: its keys and mouse go through
// the same key states, scan code table and keyboard processor scan as real ones.
//
// Events are tied to frame numbers: the number of frames emulated before the frame at
// whose start scriptedInputFrame applies them (0 for the first frame). Scripts are
// parsed before the run; each successful parse installs the scripted backend.
#include <string>

#include "frontend/input_devices.h"
#include "peripherals/input.h"

// Frames per typed character: Shift goes down one frame before its key, so the ST sees
// it first whatever the two keys' codes; the key is held one frame and released with
// Shift.
constexpr int TYPE_FRAMES_PER_CHARACTER = 3;
// How long a key or button named without + or - in a key script is held.
constexpr int TAP_FRAMES = 2;
// The last frame a script may name (about 230 days of ST time), so that every frame an
// event leads to stays a valid frame number.
constexpr int LAST_SCRIPT_FRAME = 1000000000;

// Types the text as on an ST with the US keyboard layout, from frame startFrame on.
// Escapes: \n Return, \t Tab, \b Backspace, \e Escape, \\ backslash; a newline character
// is Return too. False, with the reason, when a character has no key; nothing is
// scheduled then.
bool scriptTypeText(const std::string& text, int startFrame, std::string& error);

// Timed events, separated by spaces or semicolons, each FRAME:ACTION:
//   FRAME:+KEY       key down          FRAME:-KEY       key up
//   FRAME:KEY        key down, and up TAP_FRAMES later
//   FRAME:move(DX,DY)  mouse movement in ST mouse counts (right and down positive)
// KEY is a host key: a letter, a digit, one of - = [ ] ; ' ` \ , . / , a name (ESC,
// RETURN, SPACE, TAB, BACKSPACE, LSHIFT, RSHIFT, CTRL, RCTRL, ALT, CAPSLOCK, F1-F12,
// UP, DOWN, LEFT, RIGHT, HOME, END, INSERT, DELETE, PAGEUP, PAGEDOWN, UNDO, HELP, KP0-KP9,
// KPPLUS, KPMINUS, KPMULTIPLY, KPDIVIDE, KPENTER, KPPERIOD), a mouse button (LMB, RMB),
// or #N for the DirectInput key code N. Names ignore case.
// False, with the reason, on the first bad event; nothing is scheduled then.
bool scriptParseKeys(const std::string& script, std::string& error);

// At the start of every frame: applies the events due up to this frame.
void scriptedInputFrame(int frame);
// The frame of the last scheduled event, -1 when there is none.
int scriptedInputLastFrame();
// Drops every event and releases all scripted keys and buttons.
void scriptedInputClear();

extern const InputBackend ScriptedInputBackend;
