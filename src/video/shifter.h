#pragma once
// The Shifter: video base and counter, sync mode, palette, resolution, border tricks.
// Its registers live in hw.shifter ($FF8200-$FF82FF, ST byte order); the sync mode is
// the byte at $FF820A and the resolution the byte at $FF8260.
#include <cstdint>

#include "bus/event_log.h"
#include "video/renderer.h"

struct IoRegisterTable;

// The Shifter's page $FF8200.
void shifterInstallRegisters(IoRegisterTable& t);

// RAM at counterBase, copied as the frame begins: 64 KB, the most a frame of 160-byte
// lines with every border open shows. On the STE a line offset or the scroll's extra fetch
// spreads the frame further: the copy then covers ScreenCopySpan = all of ScreenCopy,
// room for 276 lines of 748 bytes (the widest line fetch and the largest offset). There
// are two copies, as there are two event logs: a frame whose picture is yet to be drawn
// keeps its own while the next frame records into the others.
constexpr uint32_t SCREEN_COPY_BYTES = 0x40000;
constexpr uint32_t SCREEN_COPY_SPAN = 0x10000;
extern uint8_t* ScreenCopy;      // this frame's copy
extern uint32_t ScreenCopyBase;  // RAM offset (22 bits) ScreenCopy was copied from
extern uint32_t ScreenCopySpan;  // bytes copied this frame, a power of two
// The copy is taken at the frame's first scheduler call (ShifterCopyScreen), once the
// front end has said whether it wants the frame's picture; a frame nobody looks at takes
// none.
extern bool screenCopyDue;

// Cycle positions within a line between which the Shifter fetches screen bytes (two
// cycles a byte). Border tricks move single lines' ends; the video counter reads them.
struct LineWindow {
    int32_t start;
    int32_t end;
};
constexpr int32_t LINE_FETCH_START = 96;
constexpr int32_t LINE_FETCH_END = 416;
extern LineWindow LineWindowTable[FRAME_LINES];

// Frame start: latch counterBase, empty the event log, clear the border flags, move the
// screen-write window, reset the line table; the screen copy becomes due.
void ShifterFrameStart();
// Takes the frame's screen copy when its picture is wanted.
void ShifterCopyScreen(bool pictureWanted);
// The frame's video as recorded so far.
FrameVideo shifterFrameVideo();
// While a frame's picture is yet to be drawn its log and copy are held: frames record
// into the other two. Null releases them.
void shifterHoldFrameVideo(const FrameVideo* frame);
// Machine reset values: video base 0, counterBase 0, resolution 0, sync mode 2.
void shifterReset();
// LineWindowTable to 96/416 on every line and the counter accumulator restarted.
void resetLineWindowTable();
// The video address counter at cycle position c of the frame.
uint32_t ReadVideoCounter(int32_t c);
// The same, the counting left where it stood: a read counts in pieces that each round
// down, so a read the program did not make would change what its later reads see.
uint32_t peekVideoCounter(int32_t c);
// Counts the frame up to the first cycle of the line of c (where each line takes its
// line offset and scroll fetch), so that a write at c changes lines from the next on.
void settleVideoCounter(int32_t c);
// STE, as the counter takes them at a line's start: the bytes the video address moves on
// after a displayed line beyond its fetch (the line offset), and the bytes a line fetches
// before its usual first fetch while the pixel scroll's extra group is on (8 in low
// resolution, 4 in medium). Both 0 on the STF.
uint32_t lineOffsetBytes();
uint32_t scrollFetchBytes();

// Snapshots: the video base and counter base, the registers and the host palette ("SHFT").
struct SectionEntry;
SectionEntry shifterSnapshotSection();
