#pragma once
// Draws a whole frame from ScreenCopy and the VideoEventLog into 16-bit R5G6B5 pixels.
#include <cstdint>

extern uint32_t HostPalette[16];   // host pixel of each palette entry, doubled
extern int rendererResolution;      // resolution used for the next display line

// Builds ColourTable and the plane spread tables (once, when the display is set up).
void buildColourTables();
void RenderFrame(uint8_t* destination, const uint8_t* screenCopy, int pitch);
