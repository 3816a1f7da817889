#pragma once
// The keyboard processor (IKBD) behind the keyboard ACIA: its command decoder and
// reports, the periodic scan that turns host keys, mouse and joystick into IKBD packets,
// and the queue of bytes it sends towards the ACIA.
#include <cstdint>

// The keyboard processor's settings, in the order the "KEYB" snapshot section stores
// them (each as a 32-bit value). The command decoder and the queue are not part of it.
struct IkbdState {
    int32_t mouseMode;          // 0 relative (also keycode mode), 1 absolute
    int32_t yOrigin;            // 1 top (0x10), 0 bottom (0x0F); stored only
    int32_t mouseEnabled;       // 0 after 0x12: no mouse packets
    int32_t mouseButtonAction;  // 0x07; stored only
    int32_t absoluteMaxY;       // clamp of the absolute position (0x09)
    int32_t absoluteMaxX;
    int32_t keycodeDeltaX;      // 0x0A; stored only
    int32_t keycodeDeltaY;
    int32_t thresholdX;         // 0x0B; stored only
    int32_t thresholdY;
    int32_t scaleX;             // 0x0C; stored only
    int32_t scaleY;
    int32_t absoluteY;          // moved by every scan, whatever the mouse mode
    int32_t absoluteX;
    int32_t joystickMode;       // 0 event reporting, 1 interrogation
    int32_t joystickEnabled;    // 0 after 0x1A: no joystick packets
    int32_t lastReportButtons;  // buttons at the last 0x0D report: bit 1 left, bit 0 right
};

extern IkbdState ikbd;

// The bytes on their way to the ACIA: a ring of 1024.
constexpr int IKBD_QUEUE_SIZE = 1024;
struct IkbdOutputQueue {
    uint8_t bytes[IKBD_QUEUE_SIZE];
    int32_t readIndex;
    int32_t writeIndex;
    int32_t count;
};

extern IkbdOutputQueue ikbdQueue;

// A byte put into a full queue is dropped; get returns 0 from an empty queue.
void ikbdQueuePut(uint8_t byte);
uint8_t ikbdQueueGet();
bool ikbdQueueHasByte();
void ikbdQueueClear();  // loading a snapshot empties the queue

// A command or parameter byte the processor wrote to the ACIA ($FFFC02).
void ikbdReceiveCommandByte(uint8_t byte);

// Reset values, pending parameters dropped, 0xF0 queued (the queue is not emptied).
void IkbdReset();
void ikbdMachineReset();  // machine reset: only enables the mouse
// The keyboard processor scans its inputs, and the keyboard ACIA receives its next byte,
// every ACIA_POLL_CYCLES (the frame scheduler keeps the time).
constexpr int32_t ACIA_POLL_CYCLES = 10016;
// Every ACIA_POLL_CYCLES, before a byte is delivered: the keys, mouse and joystick handed
// over by the front end (peripherals/input.h) become reports.
void IkbdScan();

// The keyboard processor's time-of-day clock: set when the machine powers on and by the
// ST's "set time" command (0x1B), then counted on by emulated time, one second every
// 8,021,247 processor cycles, so that what the ST reads depends on its inputs and not
// on when or how fast the host runs it. Fields in binary, the year as its last two
// digits; the command takes them and the report (0x1C) gives them in packed BCD.
struct IkbdClock {
    int32_t year, month, day, hour, minute, second;
    int32_t cycles;  // processor cycles into the current second
};

extern IkbdClock ikbdClock;

// The clock at `utcSeconds` (seconds since 1970-01-01 UTC), at the start of its second.
void ikbdSetClock(int64_t utcSeconds);
// Fields the "set time" command could have stored (each 0-99, as two BCD digits hold)
// and a cycle count within a second: what a snapshot may bring back.
bool ikbdClockValid(const IkbdClock& clock);

// Snapshots: the keyboard processor's modes and clock ("KEYB").
struct SectionEntry;
SectionEntry keyboardSnapshotSection();
