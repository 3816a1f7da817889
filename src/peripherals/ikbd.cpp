#include "peripherals/ikbd.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <initializer_list>

#include "bus/event_log.h"
#include "bus/hardware_state.h"
#include "bus/machine_settings.h"
#include "bus/snapshot_section.h"
#include "peripherals/input.h"
#include "peripherals/scan_codes.h"

// Power-on values; IkbdReset brings them back.
static constexpr IkbdState IKBD_RESET_STATE = {
    .mouseMode = 0, .yOrigin = 1, .mouseEnabled = 1, .mouseButtonAction = 0,
    .absoluteMaxY = 199, .absoluteMaxX = 319,
    .keycodeDeltaX = 1, .keycodeDeltaY = 1, .thresholdX = 1, .thresholdY = 1, .scaleX = 1, .scaleY = 1,
    .absoluteY = 0, .absoluteX = 0,
    .joystickMode = 0, .joystickEnabled = 1, .lastReportButtons = 0,
};

IkbdState ikbd = IKBD_RESET_STATE;
IkbdOutputQueue ikbdQueue;

// Packet headers the keyboard processor sends.
enum : uint8_t {
    IKBD_RESET_DONE = 0xF0,
    IKBD_ABSOLUTE_MOUSE = 0xF7,
    IKBD_RELATIVE_MOUSE = 0xF8,  // | 2 left button down, | 1 right button down
    IKBD_TIME_OF_DAY = 0xFC,
    IKBD_JOYSTICK_REPORT = 0xFD,
    IKBD_JOYSTICK1_EVENT = 0xFF,
};
constexpr uint8_t KEY_RELEASE = 0x80;  // set in the scan code of a released key

// Mouse buttons as the keyboard processor keeps them.
constexpr int32_t BUTTON_RIGHT = 1, BUTTON_LEFT = 2;

// ---- Output queue -------------------------------------------------------------------
void ikbdQueuePut(uint8_t byte) {
    if (ikbdQueue.count == IKBD_QUEUE_SIZE) return;
    ikbdQueue.bytes[ikbdQueue.writeIndex] = byte;
    ikbdQueue.writeIndex = (ikbdQueue.writeIndex + 1) % IKBD_QUEUE_SIZE;
    ++ikbdQueue.count;
}

uint8_t ikbdQueueGet() {
    if (ikbdQueue.count == 0) return 0;
    uint8_t byte = ikbdQueue.bytes[ikbdQueue.readIndex];
    ikbdQueue.readIndex = (ikbdQueue.readIndex + 1) % IKBD_QUEUE_SIZE;
    --ikbdQueue.count;
    return byte;
}

bool ikbdQueueHasByte() { return ikbdQueue.count > 0; }

void ikbdQueueClear() { ikbdQueue.readIndex = ikbdQueue.writeIndex = ikbdQueue.count = 0; }

// A packet goes in whole or not at all: a cut packet would leave the ST's packet
// parser out of step with every byte that follows.
static bool queuePacket(std::initializer_list<uint8_t> bytes) {
    if (ikbdQueue.count + int(bytes.size()) > IKBD_QUEUE_SIZE) return false;
    for (uint8_t b : bytes) ikbdQueuePut(b);
    return true;
}

// ---- State the scan keeps between scans ---------------------------------------------
// Key states as last reported to the ST. Edges are taken against this rather than
// against the previous hand-over, so a key released while input was not ours (in the
// menu, another window focused) still sends its release.
static uint8_t reportedKeys[256];
static uint8_t lastPcJoystick, lastArrowJoystick;
static int32_t mouseButtons;  // BUTTON_LEFT | BUTTON_RIGHT at the last scan

// ---- Time-of-day clock ------------------------------------------------------------------
IkbdClock ikbdClock;

constexpr int32_t CYCLES_PER_SECOND = int32_t(ST_CPU_CLOCK);

void ikbdSetClock(int64_t utcSeconds) {
    std::time_t t = std::time_t(utcSeconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    ikbdClock = {(utc.tm_year + 1900) % 100, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, 0};
}

bool ikbdClockValid(const IkbdClock& c) {
    for (int32_t field : {c.year, c.month, c.day, c.hour, c.minute, c.second})
        if (field < 0 || field > 99) return false;
    return c.cycles >= 0 && c.cycles < CYCLES_PER_SECOND;
}

// The keyboard processor knows only the last two digits of the year: every fourth year
// is a leap year.
static int32_t daysInMonth(int32_t month, int32_t year) {
    static const int32_t days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && year % 4 == 0) return 29;
    return month >= 1 && month <= 12 ? days[month - 1] : 31;
}

// One second on, carried into the larger fields; a field the "set time" command left
// beyond its range rolls over at the next carry into it.
static void tickSecond() {
    IkbdClock& c = ikbdClock;
    if (++c.second < 60) return;
    c.second = 0;
    if (++c.minute < 60) return;
    c.minute = 0;
    if (++c.hour < 24) return;
    c.hour = 0;
    if (++c.day <= daysInMonth(c.month, c.year)) return;
    c.day = 1;
    if (++c.month <= 12) return;
    c.month = 1;
    c.year = (c.year + 1) % 100;
}

static void advanceClock(int32_t cycles) {
    ikbdClock.cycles += cycles;
    if (ikbdClock.cycles < CYCLES_PER_SECOND) return;
    ikbdClock.cycles -= CYCLES_PER_SECOND;
    tickSecond();
}

static uint8_t packedBcd(int v) {
    v %= 100;
    return uint8_t((v / 10) << 4 | v % 10);
}

// A field sent with a digit that is not a BCD digit is left as it was.
static void setFromBcd(int32_t& field, uint8_t bcd) {
    if ((bcd >> 4) <= 9 && (bcd & 15) <= 9) field = (bcd >> 4) * 10 + (bcd & 15);
}

static void setTimeOfDay(const uint8_t* p) {
    IkbdClock& c = ikbdClock;
    int32_t* fields[6] = {&c.year, &c.month, &c.day, &c.hour, &c.minute, &c.second};
    for (int i = 0; i < 6; ++i) setFromBcd(*fields[i], p[i]);
}

static void reportTimeOfDay() {
    const IkbdClock& c = ikbdClock;
    queuePacket({IKBD_TIME_OF_DAY, packedBcd(c.year), packedBcd(c.month), packedBcd(c.day), packedBcd(c.hour),
                 packedBcd(c.minute), packedBcd(c.second)});
}

// ---- Reports --------------------------------------------------------------------------
static uint8_t arrowJoystickBits() {
    if (!machineSettings.arrowForJoystick) return 0;
    uint8_t bits = 0;
    if (keyDown(KEY_UP)) bits |= JOY_UP;
    if (keyDown(KEY_DOWN)) bits |= JOY_DOWN;
    if (keyDown(KEY_LEFT)) bits |= JOY_LEFT;
    if (keyDown(KEY_RIGHT)) bits |= JOY_RIGHT;
    if (keyDown(KEY_LCONTROL)) bits |= JOY_FIRE;
    return bits;
}

static uint8_t joystick1Byte() { return arrowJoystickBits() | joystickByte(); }

static uint8_t hi(int32_t v) { return uint8_t(v >> 8); }
static uint8_t lo(int32_t v) { return uint8_t(v); }

// Button byte: bit 2 left pressed, bit 3 left released, bit 0 right pressed, bit 1 right
// released, each since the previous report.
static void reportAbsolutePosition() {
    int32_t now = mouseButtons, was = ikbd.lastReportButtons;
    uint8_t changes = 0;
    if ((now & ~was) & BUTTON_LEFT) changes |= 0x04;
    if ((was & ~now) & BUTTON_LEFT) changes |= 0x08;
    if ((now & ~was) & BUTTON_RIGHT) changes |= 0x01;
    if ((was & ~now) & BUTTON_RIGHT) changes |= 0x02;
    queuePacket({IKBD_ABSOLUTE_MOUSE, changes, hi(ikbd.absoluteX), lo(ikbd.absoluteX), hi(ikbd.absoluteY),
                 lo(ikbd.absoluteY)});
    ikbd.lastReportButtons = now;
}

// ---- Commands ---------------------------------------------------------------------------
// A command with parameters runs once they have all arrived; `start` runs at once on the
// command byte for the one effect that does not wait.
struct IkbdCommand {
    uint8_t code;
    uint8_t parameterCount;
    void (*run)(const uint8_t* parameters);
    void (*start)();
};

static uint16_t word(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

// Status inquiries (0x87-0x9A), pause (0x13) and resume (0x11) take no parameters and
// answer nothing here, so they need no entry: unknown bytes are ignored just the same.
static constexpr IkbdCommand IkbdCommands[] = {
    {0x80, 1, [](const uint8_t*) { IkbdReset(); }, nullptr},
    {0x03, 1, [](const uint8_t*) { IkbdReset(); }, nullptr},
    {0x07, 1, [](const uint8_t* p) { ikbd.mouseButtonAction = p[0]; }, [] { ikbd.mouseEnabled = 1; }},
    {0x08, 0, [](const uint8_t*) { ikbd.mouseMode = 0; ikbd.mouseEnabled = 1; }, nullptr},
    {0x09, 4, [](const uint8_t* p) {
         ikbd.mouseMode = 1;
         ikbd.absoluteMaxX = word(p);
         ikbd.absoluteMaxY = word(p + 2);
     }, nullptr},
    {0x0A, 2, [](const uint8_t* p) {
         ikbd.mouseMode = 0;
         ikbd.mouseEnabled = 1;
         ikbd.keycodeDeltaX = p[0];
         ikbd.keycodeDeltaY = p[1];
     }, nullptr},
    {0x0B, 2, [](const uint8_t* p) { ikbd.thresholdX = p[0]; ikbd.thresholdY = p[1]; }, nullptr},
    {0x0C, 2, [](const uint8_t* p) { ikbd.scaleX = p[0]; ikbd.scaleY = p[1]; }, nullptr},
    {0x0D, 0, [](const uint8_t*) { reportAbsolutePosition(); }, nullptr},
    {0x0E, 5, [](const uint8_t* p) { ikbd.absoluteX = word(p + 1); ikbd.absoluteY = word(p + 3); }, nullptr},
    {0x0F, 0, [](const uint8_t*) { ikbd.yOrigin = 0; }, nullptr},
    {0x10, 0, [](const uint8_t*) { ikbd.yOrigin = 1; }, nullptr},
    {0x12, 0, [](const uint8_t*) { ikbd.mouseEnabled = 0; }, nullptr},
    {0x14, 0, [](const uint8_t*) { ikbd.joystickMode = 0; ikbd.joystickEnabled = 1; }, nullptr},
    {0x15, 0, [](const uint8_t*) { ikbd.joystickMode = 1; ikbd.joystickEnabled = 1; }, nullptr},
    {0x16, 0, [](const uint8_t*) {
         ikbd.joystickEnabled = 1;
         queuePacket({IKBD_JOYSTICK_REPORT, 0x00, joystick1Byte()});
     }, nullptr},
    {0x1A, 0, [](const uint8_t*) { ikbd.joystickEnabled = 0; }, nullptr},
    {0x1B, 6, setTimeOfDay, nullptr},
    {0x1C, 0, [](const uint8_t*) { reportTimeOfDay(); }, nullptr},
};

static const IkbdCommand* commandFor(uint8_t code) {
    static const auto table = [] {
        struct { const IkbdCommand* entry[256]; } t{};
        for (const IkbdCommand& c : IkbdCommands) t.entry[c.code] = &c;
        return t;
    }();
    return table.entry[code];
}

constexpr int MAX_PARAMETERS = 6;

static struct {
    const IkbdCommand* command;  // the command collecting parameters
    int parametersLeft;
    int received;
    uint8_t parameters[MAX_PARAMETERS];
} decoder;

void ikbdReceiveCommandByte(uint8_t byte) {
    if (decoder.parametersLeft > 0) {
        decoder.parameters[decoder.received++] = byte;
        if (--decoder.parametersLeft == 0) decoder.command->run(decoder.parameters);
        return;
    }
    const IkbdCommand* c = commandFor(byte);
    if (!c) return;
    if (c->start) c->start();
    if (c->parameterCount == 0) {
        c->run(nullptr);
        return;
    }
    decoder.command = c;
    decoder.received = 0;
    decoder.parametersLeft = c->parameterCount;
}

void IkbdReset() {
    ikbd = IKBD_RESET_STATE;
    decoder.parametersLeft = 0;
    queuePacket({IKBD_RESET_DONE});
}

void ikbdMachineReset() { ikbd.mouseEnabled = 1; }

// ---- Scan -------------------------------------------------------------------------------
// Key edges since the last report, in ascending host key code order.
static void sendKeyEdges() {
    const uint8_t* keys = currentKeyState();
    if (std::memcmp(keys, reportedKeys, sizeof reportedKeys) == 0) return;
    for (int code = 0; code < 256; ++code) {
        uint8_t down = keys[code] & KEY_STATE_DOWN;
        if (down == (reportedKeys[code] & KEY_STATE_DOWN)) continue;
        if (uint8_t st = ScanCodeTable[code]) ikbdQueuePut(down ? st : st | KEY_RELEASE);
    }
    std::memcpy(reportedKeys, keys, sizeof reportedKeys);
}

// In event mode a joystick 1 packet follows any change of the PC joystick or of the
// arrow keys standing in for it.
static void sendJoystickEvent() {
    uint8_t pc = joystickByte(), arrows = arrowJoystickBits();
    bool changed = pc != lastPcJoystick || arrows != lastArrowJoystick;
    lastPcJoystick = pc;
    lastArrowJoystick = arrows;
    if (changed && ikbd.joystickMode == 0 && ikbd.joystickEnabled)
        queuePacket({IKBD_JOYSTICK1_EVENT, uint8_t(pc | arrows)});
}

static int32_t clampedPosition(int32_t position, int32_t delta, int32_t maximum) {
    int64_t v = int64_t(position) + delta;
    if (v > maximum) v = maximum;
    if (v < 0) v = 0;
    return int32_t(v);
}

static int32_t packetDelta(int32_t delta) { return delta < -128 ? -128 : delta > 127 ? 127 : delta; }

// A relative packet carries at most -128..127 on each axis; a larger movement is sent
// as several packets rather than wrapped into the wrong direction.
static void sendRelativeMouse(const MouseReport& m) {
    uint8_t header = IKBD_RELATIVE_MOUSE | (m.left ? BUTTON_LEFT : 0) | (m.right ? BUTTON_RIGHT : 0);
    int32_t dx = m.dx, dy = m.dy;
    do {
        int32_t px = packetDelta(dx), py = packetDelta(dy);
        if (!queuePacket({header, uint8_t(px), uint8_t(py)})) return;
        dx -= px;
        dy -= py;
    } while (dx || dy);
}

void IkbdScan() {
    advanceClock(ACIA_POLL_CYCLES);
    sendKeyEdges();
    sendJoystickEvent();

    MouseReport m = takeMouseReport();
    mouseButtons = (m.left ? BUTTON_LEFT : 0) | (m.right ? BUTTON_RIGHT : 0);
    ikbd.absoluteX = clampedPosition(ikbd.absoluteX, m.dx, ikbd.absoluteMaxX);
    ikbd.absoluteY = clampedPosition(ikbd.absoluteY, m.dy, ikbd.absoluteMaxY);
    bool activity = m.dx || m.dy || m.leftChanged || m.rightChanged;
    if (activity && ikbd.mouseEnabled && ikbd.mouseMode == 0) sendRelativeMouse(m);
}

// ---- Snapshot section ---------------------------------------------------------------
namespace {
// Version 2 adds the time-of-day clock; a file of version 1 leaves the clock running
// on from where it stands. Version 3 adds the whole path from the host's input to the
// processor: the keyboard ACIA's registers, the bytes queued towards it, what the scan
// last reported (keys, joystick, buttons, movement not yet taken), and a command still
// collecting its parameters. Without them a resumed machine sends other packets than
// the machine that was saved: a key held across the save would be pressed a second
// time, a packet in flight lost. A file of an older version empties the queue and
// leaves the rest as it stands.
struct KeyboardSection {
    uint32_t version = 3;
    IkbdState state;
    IkbdClock clock;
    uint8_t acia[256];
    uint32_t queued = 0;
    uint8_t queue[IKBD_QUEUE_SIZE];
    uint8_t keys[256];
    uint32_t pcJoystick, arrowJoystick, buttons;
    uint32_t commandCode, parametersLeft, received;
    uint8_t parameters[MAX_PARAMETERS];
    InputPending pending;

    template <class S>
    void fields(S& s) {
        IkbdState& k = state;
        for (int32_t* field : {&k.mouseMode, &k.yOrigin, &k.mouseEnabled, &k.mouseButtonAction, &k.absoluteMaxY,
                               &k.absoluteMaxX, &k.keycodeDeltaX, &k.keycodeDeltaY, &k.thresholdX, &k.thresholdY,
                               &k.scaleX, &k.scaleY, &k.absoluteY, &k.absoluteX, &k.joystickMode,
                               &k.joystickEnabled, &k.lastReportButtons})
            s.num(*field);
        if (version >= 2)
            for (int32_t* field : {&clock.year, &clock.month, &clock.day, &clock.hour, &clock.minute, &clock.second,
                                   &clock.cycles})
                s.num(*field);
        if (version < 3) return;
        s.raw(acia, sizeof acia);
        s.count(queued, 1);
        s.raw(queue, std::min<uint32_t>(queued, IKBD_QUEUE_SIZE));
        s.raw(keys, sizeof keys);
        for (uint32_t* field : {&pcJoystick, &arrowJoystick, &buttons, &commandCode, &parametersLeft, &received})
            s.num(*field);
        s.raw(parameters, sizeof parameters);
        s.num(pending.mouseDx);
        s.num(pending.mouseDy);
        s.num(pending.reportedLeft);
        s.num(pending.reportedRight);
    }
    bool acceptVersion() const { return true; }
    void capture() {
        state = ikbd;
        clock = ikbdClock;
        std::memcpy(acia, hw.acia, sizeof acia);
        queued = uint32_t(ikbdQueue.count);
        for (uint32_t i = 0; i < queued; ++i) queue[i] = ikbdQueue.bytes[(ikbdQueue.readIndex + i) % IKBD_QUEUE_SIZE];
        std::memcpy(keys, reportedKeys, sizeof keys);
        pcJoystick = lastPcJoystick;
        arrowJoystick = lastArrowJoystick;
        buttons = uint32_t(mouseButtons);
        commandCode = decoder.parametersLeft > 0 ? decoder.command->code : 0;
        parametersLeft = uint32_t(std::max(decoder.parametersLeft, 0));
        received = uint32_t(decoder.received);
        std::memcpy(parameters, decoder.parameters, sizeof parameters);
        pending = inputPending();
    }
    void apply() const {
        ikbd = state;
        if (version >= 2) ikbdClock = clock;
        ikbdQueueClear();
        if (version < 3) return;
        std::memcpy(hw.acia, acia, sizeof acia);
        for (uint32_t i = 0; i < queued; ++i) ikbdQueuePut(queue[i]);
        std::memcpy(reportedKeys, keys, sizeof keys);
        lastPcJoystick = uint8_t(pcJoystick);
        lastArrowJoystick = uint8_t(arrowJoystick);
        mouseButtons = int32_t(buttons & (BUTTON_LEFT | BUTTON_RIGHT));
        decoder.command = parametersLeft ? commandFor(uint8_t(commandCode)) : nullptr;
        decoder.parametersLeft = int(parametersLeft);
        decoder.received = int(received);
        std::memcpy(decoder.parameters, parameters, sizeof parameters);
        restoreInputPending(pending);
    }
    // A command collecting parameters must be one that takes them, with no more
    // received and left than it takes.
    bool valid() const {
        if (version >= 2 && !ikbdClockValid(clock)) return false;
        if (version < 3) return true;
        if (queued > IKBD_QUEUE_SIZE) return false;
        if (parametersLeft == 0) return received <= MAX_PARAMETERS;
        const IkbdCommand* c = commandFor(uint8_t(commandCode));
        return c && received + parametersLeft == c->parameterCount;
    }
};
}  // namespace

SectionEntry keyboardSnapshotSection() { return sectionEntry<KeyboardSection>("KEYB"); }
