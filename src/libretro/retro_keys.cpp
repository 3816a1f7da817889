#include "libretro/retro_keys.h"

#include "libretro/libretro_api.h"

namespace {
// Letters by their place on a QWERTY keyboard: the DirectInput codes of a to z.
constexpr uint8_t letterCodes[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                     49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
// Keypad 0 to 9.
constexpr uint8_t keypadCodes[10] = {82, 79, 80, 81, 75, 76, 77, 71, 72, 73};

struct KeyPair {
    unsigned retroKey;
    uint8_t code;
};
// Every other key the ST has a place for. Scroll Lock and Print Screen stand for the
// ST's Undo and Help, as in the window.
constexpr KeyPair otherKeys[] = {
    {RETROK_ESCAPE, 1},       {RETROK_MINUS, 12},        {RETROK_EQUALS, 13},      {RETROK_BACKSPACE, 14},
    {RETROK_TAB, 15},         {RETROK_LEFTBRACKET, 26},  {RETROK_RIGHTBRACKET, 27}, {RETROK_RETURN, 28},
    {RETROK_LCTRL, 29},       {RETROK_SEMICOLON, 39},    {RETROK_QUOTE, 40},       {RETROK_BACKQUOTE, 41},
    {RETROK_LSHIFT, 42},      {RETROK_BACKSLASH, 43},    {RETROK_COMMA, 51},       {RETROK_PERIOD, 52},
    {RETROK_SLASH, 53},       {RETROK_RSHIFT, 54},       {RETROK_KP_MULTIPLY, 55}, {RETROK_LALT, 56},
    {RETROK_SPACE, 57},       {RETROK_CAPSLOCK, 58},     {RETROK_NUMLOCK, 69},     {RETROK_SCROLLOCK, 70},
    {RETROK_UNDO, 70},        {RETROK_KP_MINUS, 74},     {RETROK_KP_PLUS, 78},     {RETROK_KP_PERIOD, 83},
    {RETROK_OEM_102, 86},     {RETROK_F11, 87},          {RETROK_F12, 88},         {RETROK_KP_ENTER, 156},
    {RETROK_RCTRL, 157},      {RETROK_KP_DIVIDE, 181},   {RETROK_PRINT, 183},      {RETROK_HELP, 183},
    {RETROK_RALT, 184},       {RETROK_HOME, 199},        {RETROK_UP, 200},         {RETROK_PAGEUP, 201},
    {RETROK_LEFT, 203},       {RETROK_RIGHT, 205},       {RETROK_END, 207},        {RETROK_DOWN, 208},
    {RETROK_PAGEDOWN, 209},   {RETROK_INSERT, 210},      {RETROK_DELETE, 211},
};
}  // namespace

int keyCodeFromRetroKey(unsigned key) {
    if (key >= RETROK_a && key <= RETROK_z) return letterCodes[key - RETROK_a];
    if (key >= RETROK_0 && key <= RETROK_9) return key == RETROK_0 ? 11 : int(key - RETROK_0) + 1;
    if (key >= RETROK_F1 && key <= RETROK_F10) return int(key - RETROK_F1) + 59;
    if (key >= RETROK_KP0 && key <= RETROK_KP9) return keypadCodes[key - RETROK_KP0];
    for (const KeyPair& k : otherKeys)
        if (k.retroKey == key) return k.code;
    return 0;
}
