#include "peripherals/scan_codes.h"

#include <array>

#include "bus/machine_settings.h"
#include "peripherals/input.h"

// The ST keyboard's main block sends the same set-1 scan codes as a PC keyboard, so
// DirectInput codes 1-54 (Escape to Right Shift) and 56-68 (Left Alt to F10) pass
// unchanged. The ST's other keys lie on PC keys of their own: Home, Delete, End and
// Page Down form a second set of arrow keys, Scroll Lock is Undo, Print Screen Help.
static constexpr struct {
    uint8_t key, st;
} OtherScanCodes[] = {
    {157, 29},  // Right Control: Control
    {199, 72},  // Home: Up arrow
    {211, 75},  // Delete: Left arrow
    {209, 77},  // Page Down: Right arrow
    {207, 80},  // End: Down arrow
    {210, 82},  // Insert
    {201, 83},  // Page Up: Delete
    {70, 97},   // Scroll Lock: Undo
    {183, 98},  // Print Screen: Help
    {74, 74},   // keypad minus
    {78, 78},   // keypad plus
    {181, 101}, // keypad divide
    {55, 102},  // keypad multiply
    {71, 103}, {72, 104}, {73, 105},  // keypad 7 8 9
    {75, 106}, {76, 107}, {77, 108},  // keypad 4 5 6
    {79, 109}, {80, 110}, {81, 111},  // keypad 1 2 3
    {82, 112},  // keypad 0
};

static constexpr std::array<uint8_t, 256> fixedScanCodes() {
    std::array<uint8_t, 256> t{};
    for (int code = 1; code <= 68; ++code) t[code] = uint8_t(code);
    for (auto e : OtherScanCodes) t[e.key] = e.st;  // keypad multiply (55) among them
    return t;
}

// Starts with the arrow keys unmapped, as the option's default is on.
std::array<uint8_t, 256> ScanCodeTable = fixedScanCodes();

void applyArrowMapping() {
    bool arrows = !machineSettings.arrowForJoystick;
    ScanCodeTable[KEY_UP] = arrows ? 72 : 0;
    ScanCodeTable[KEY_DOWN] = arrows ? 80 : 0;
    ScanCodeTable[KEY_LEFT] = arrows ? 75 : 0;
    ScanCodeTable[KEY_RIGHT] = arrows ? 77 : 0;
}

// SDL scancode (USB HID usage) to DirectInput key code.
static constexpr struct {
    uint16_t scancode;
    uint8_t key;
} SdlKeyCodes[] = {
    // Letters A-Z (HID 4-29)
    {4, 30}, {5, 48}, {6, 46}, {7, 32}, {8, 18}, {9, 33}, {10, 34}, {11, 35}, {12, 23},
    {13, 36}, {14, 37}, {15, 38}, {16, 50}, {17, 49}, {18, 24}, {19, 25}, {20, 16},
    {21, 19}, {22, 31}, {23, 20}, {24, 22}, {25, 47}, {26, 17}, {27, 45}, {28, 21}, {29, 44},
    // Digits 1-9, 0 (HID 30-39)
    {30, 2}, {31, 3}, {32, 4}, {33, 5}, {34, 6}, {35, 7}, {36, 8}, {37, 9}, {38, 10}, {39, 11},
    {40, 28},   // Return
    {41, 1},    // Escape
    {42, 14},   // Backspace
    {43, 15},   // Tab
    {44, 57},   // Space
    {45, 12},   // - _
    {46, 13},   // = +
    {47, 26},   // [ {
    {48, 27},   // ] }
    {49, 43},   // backslash |
    {50, 43},   // the key beside Return on ISO keyboards (# ~) sits where backslash is
    {51, 39},   // ; :
    {52, 40},   // ' "
    {53, 41},   // ` ~
    {54, 51},   // , <
    {55, 52},   // . >
    {56, 53},   // / ?
    {57, 58},   // Caps Lock
    // F1-F10 (HID 58-67), F11, F12
    {58, 59}, {59, 60}, {60, 61}, {61, 62}, {62, 63}, {63, 64}, {64, 65}, {65, 66}, {66, 67}, {67, 68},
    {68, 87}, {69, 88},
    {70, 183},  // Print Screen
    {71, 70},   // Scroll Lock
    {72, 197},  // Pause
    {73, 210},  // Insert
    {74, 199},  // Home
    {75, 201},  // Page Up
    {76, 211},  // Delete
    {77, 207},  // End
    {78, 209},  // Page Down
    {79, 205},  // Right
    {80, 203},  // Left
    {81, 208},  // Down
    {82, 200},  // Up
    {83, 69},   // Num Lock
    {84, 181},  // keypad /
    {85, 55},   // keypad *
    {86, 74},   // keypad -
    {87, 78},   // keypad +
    {88, 156},  // keypad Enter
    {89, 79}, {90, 80}, {91, 81},  // keypad 1 2 3
    {92, 75}, {93, 76}, {94, 77},  // keypad 4 5 6
    {95, 71}, {96, 72}, {97, 73},  // keypad 7 8 9
    {98, 82},   // keypad 0
    {99, 83},   // keypad .
    {100, 86},  // the extra key left of Z on ISO keyboards (< >)
    {101, 221}, // Application (menu)
    {103, 141}, // keypad =
    {224, 29},  // Left Control
    {225, 42},  // Left Shift
    {226, 56},  // Left Alt
    {227, 219}, // Left GUI
    {228, 157}, // Right Control
    {229, 54},  // Right Shift
    {230, 184}, // Right Alt
    {231, 220}, // Right GUI
};

constexpr int SDL_SCANCODE_COUNT = 512;

static constexpr std::array<uint8_t, SDL_SCANCODE_COUNT> sdlKeyCodeTable() {
    std::array<uint8_t, SDL_SCANCODE_COUNT> t{};
    for (auto e : SdlKeyCodes) t[e.scancode] = e.key;
    return t;
}
static constexpr std::array<uint8_t, SDL_SCANCODE_COUNT> SdlToKeyCode = sdlKeyCodeTable();

int keyCodeFromSdlScancode(int scancode) {
    return scancode >= 0 && scancode < SDL_SCANCODE_COUNT ? SdlToKeyCode[scancode] : 0;
}
