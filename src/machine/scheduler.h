#pragma once
// The frame scheduler: turns processor cycles into lines, frames, interrupts and timer
// events, and ends each 160256-cycle frame.
#include <cstdint>

#include "peripherals/ikbd.h"

// The event that ended the last serviceEvents call.
enum SchedulerEvent : int32_t {
    EVENT_VBL = 0,
    EVENT_HBL = 1,
    EVENT_TIMER_A = 2,
    EVENT_TIMER_B = 3,  // also the line events that timer B counts
    EVENT_TIMER_C = 4,
    EVENT_TIMER_D = 5,
    EVENT_ACIA = 6,
    EVENT_FDC = 7,
    EVENT_FRAME_END = 8,
};

constexpr int32_t VBL_CYCLE = 80;               // vertical blank interrupt in every frame
constexpr int32_t FIRST_HBL_CYCLE = 16;         // horizontal blank at 16 + 512k
constexpr int32_t FIRST_LINE_EVENT_CYCLE = 432; // line events near position 432 of a line

// Saved and restored by snapshots; a machine reset leaves it alone.
struct SchedulerState {
    int32_t lineEventCycle = FIRST_LINE_EVENT_CYCLE;  // base position of the next line event, before jitter
    int32_t lineCounter = 0;                          // line events so far in this frame
    int32_t frameCounter = 330;                       // frames since start; indexes lineJitter
    int32_t vblCycle = VBL_CYCLE;
    int32_t hblCycle = FIRST_HBL_CYCLE;
    int32_t aciaPollCycle = ACIA_POLL_CYCLES;
    int32_t nextEventKind = EVENT_FRAME_END;  // a SchedulerEvent
    uint8_t interlaceToggle = 0;              // picture one row down on every other frame
};

extern SchedulerState scheduler;

// The display enable as MFP timer B's input sees it at a cycle of the current line: high
// for the DISPLAY_ENABLE_CYCLES before the line event that ends a displayed line.
constexpr int32_t DISPLAY_ENABLE_CYCLES = 320;
bool displayEnableAt(int32_t stamp);

// Called whenever the processor has spent its budget. -1: the frame ended and the next
// one began (odometer reduced by 160256); 0: an interrupt was latched, call again
// without running the processor; n: run the processor for n cycles (rounded up to the
// 4-cycle grid; zero or negative when an event is overdue).
int32_t serviceEvents();

// Snapshots: the scheduler's positions and counters ("IT! ").
struct SectionEntry;
SectionEntry schedulerSnapshotSection();
