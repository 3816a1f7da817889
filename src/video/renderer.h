#pragma once
// Draws a whole frame from ScreenCopy and the VideoEventLog into 16-bit R5G6B5 pixels.
// The picture is 300 emulated lines of 400 slots, each slot one low-resolution pixel
// (two host pixels); every emulated line covers two host rows.
#include <cstdint>

extern uint32_t HostPalette[16];   // host pixel of each palette entry, doubled
extern int rendererResolution;      // resolution used for the next display line
extern bool frameHasMediumLines;    // the last frame drew a display line in medium resolution

constexpr int PICTURE_LINES = 300;
constexpr int PICTURE_SLOTS = 400;

// Builds ColourTable and the plane spread tables (once, when the display is set up).
void buildColourTables();
// The destination's first row and the pitch (bytes) must be 4-byte aligned. Screen
// writes recorded in the frame are replayed into screenCopy.
void RenderFrame(uint8_t* destination, uint8_t* screenCopy, int pitch);
