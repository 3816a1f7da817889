#pragma once
// Draws a whole frame from its screen copy and its VideoEventLog into 16-bit R5G6B5
// pixels. The picture is 300 emulated lines of 400 slots, each slot one low-resolution
// pixel (two host pixels); every emulated line covers two host rows.
#include <cstdint>

#include "bus/event_log.h"

extern uint32_t HostPalette[16];   // host pixel of each palette entry, doubled
extern int rendererResolution;      // resolution used for the next display line
extern bool frameHasMediumLines;    // the last frame drawn had a display line in medium resolution

constexpr int PICTURE_LINES = 300;
constexpr int PICTURE_SLOTS = 400;

// One frame's video as the Shifter recorded it (video/shifter.h).
struct FrameVideo {
    const LogEntry* events;    // closed by VIDEO_EVENT_END
    uint8_t* screenCopy;       // RAM at counterBase as the frame began; its screen writes are replayed into it
    uint32_t screenCopyBase;   // the RAM offset it was copied from
    uint32_t screenCopySpan;   // its bytes, a power of two
    bool topBorderOpen;
    bool bottomBorderOpen;
    bool screenCopied;    // the copy was taken: the frame's picture can be drawn
    bool counterWritten;  // an STE counter write sends the fetch into RAM as it stands at the frame's end
};

// What the renderer carries from one frame to the next.
struct RendererState {
    uint32_t palette[16];
    int resolution;
    bool operator==(const RendererState&) const = default;
};
RendererState rendererState();
void setRendererState(const RendererState& state);

// Builds ColourTable and the plane spread tables (once, when the display is set up).
void buildColourTables();
// The destination's first row and the pitch (bytes) must be 4-byte aligned. The frame's
// screen writes are replayed into its screen copy, so a frame is drawn once.
void RenderFrame(uint8_t* destination, const FrameVideo& frame, int pitch);
// The palette and resolution changes of a frame that is not drawn, as drawing it would
// leave them.
void followFrameEvents(const LogEntry* events);

// A line whose inputs (the bytes it fetches, the palette, resolution and scroll it starts
// with, the events on it) equal those it had when last drawn into the same destination is
// left as it is; after a frame where most lines changed, a few frames are drawn whole. The
// destination must then hold what was drawn: after anything else writes there,
// forgetDrawnLines. keepUnchangedLines off draws every line (for comparisons).
extern bool keepUnchangedLines;
void forgetDrawnLines();
