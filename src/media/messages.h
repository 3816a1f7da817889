#pragma once
// Up to eight lines of text drawn over the picture, with time-outs and blinking.
#include <cstdint>

constexpr int MESSAGE_SLOTS = 8;
constexpr int MESSAGE_TEXT_MAX = 138;

// Takes the first free slot (slot 0 when all are busy); lifetime in ms, negative for
// permanent; mode 1 blinks. Returns the slot. Longer texts are cut to 138 characters.
int ShowMessage(const char* text, int lifetimeMs, int mode);
void setMessageText(int slot, const char* text);
void removeMessage(int slot);
// Draws the active slots into a 16-bit picture 800 pixels wide (pitch in pixels) and
// frees the slots whose time is up.
void DrawMessages(uint16_t* pixels, int pitchPixels);

// The millisecond clock of lifetimes and blinking; null restores the steady clock.
using MessageClock = int64_t (*)();
void setMessageClock(MessageClock clock);
