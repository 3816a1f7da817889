#include "peripherals/mfp.h"

#include <bit>
#include <cstring>

#include "bus/chip_lines.h"
#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "bus/processor_slice.h"
#include "bus/snapshot_section.h"

// ---- Interrupt channels ----------------------------------------------------------------
// The B registers follow the A registers by two bytes.
static uint8_t& channelRegister(int registerA, MfpChannel c) { return hw.mfp[registerA + (c < 8 ? 2 : 0)]; }
static uint8_t channelBit(MfpChannel c) { return uint8_t(1 << (c & 7)); }

// A channel may interrupt only while nothing of its priority or higher is in service.
static bool mayRequest(MfpChannel c) {
    return std::bit_width(unsigned(hw.mfp[MFP_ISRA]) << 8 | hw.mfp[MFP_ISRB]) <= unsigned(c);
}

static bool request(MfpChannel c) {
    if (chipLines.requestInterrupt(MFP_INTERRUPT_LEVEL, (hw.mfp[MFP_VR] & 0xF0) | c) != 0) return false;
    if (hw.mfp[MFP_VR] & MFP_VR_SOFTWARE_EOI) channelRegister(MFP_ISRA, c) |= channelBit(c);
    return true;
}

bool mfpRaise(MfpChannel c) {
    if ((channelRegister(MFP_IMRA, c) & channelBit(c)) && mayRequest(c) && request(c)) return true;
    mfpSetPending(c);
    return false;
}

bool mfpPendingReady(MfpChannel c) {
    uint8_t pending = channelRegister(MFP_IPRA, c) & channelRegister(MFP_IMRA, c) & channelRegister(MFP_IERA, c);
    return (pending & channelBit(c)) && mayRequest(c);
}

bool mfpRequestPendingNow(MfpChannel c) {
    if (!mfpPendingReady(c) || !request(c)) return false;
    mfpClearPending(c);
    return true;
}

bool mfpChannelEnabled(MfpChannel c) { return channelRegister(MFP_IERA, c) & channelBit(c); }
void mfpSetPending(MfpChannel c) { channelRegister(MFP_IPRA, c) |= channelBit(c); }
void mfpClearPending(MfpChannel c) { channelRegister(MFP_IPRA, c) &= ~channelBit(c); }

// ---- Timers ----------------------------------------------------------------------------
// Timers A and B: a control and a data register, an enable bit in IERA, an input whose
// active level an AER bit selects, an output, and the GPIP channel that signals the end of
// a measured pulse (the chip takes it over from that GPIP line in pulse width mode).
struct InputTimer {
    int control, data;
    uint8_t enableBit, edgeBit, outputBit;
    MfpChannel channel, pulseEndChannel;
    MfpTimerSchedule& schedule;
    MfpTimerInput& input;
};
static const InputTimer timerAUnit{MFP_TACR, MFP_TADR, 0x20, MFP_AER_TIMER_A, MFP_OUTPUT_TIMER_A,
                                   MFP_CHANNEL_TIMER_A, MFP_CHANNEL_ACIA, hw.timerA, hw.timerAInput};
static const InputTimer timerBUnit{MFP_TBCR, MFP_TBDR, 0x01, MFP_AER_TIMER_B, MFP_OUTPUT_TIMER_B,
                                   MFP_CHANNEL_TIMER_B, MFP_CHANNEL_GPIP3, hw.timerB, hw.timerBInput};

static int modeOf(const InputTimer& t) { return mfpTimerMode(t.control, t.enableBit); }
static bool inputActive(const InputTimer& t) { return timerInputActive(t.input, t.edgeBit); }

// An MFP tick is a prescaled period of the 2.4576 MHz MFP clock, counted here in
// 8.021247 MHz processor cycles. 64-bit intermediates keep ticks × prescale × clock exact
// before the truncating division.
static int32_t prescaledCycles(uint32_t ticks, int control) {
    return int32_t(uint64_t(ticks) * hw.mfpPrescale[control & 7] * hw.cpuClock / hw.mfpClock);
}

// A data register of 0 counts 256 ticks.
static uint32_t ticksOf(uint8_t data) { return data ? data : 256; }

static void stopTimer(MfpTimerSchedule& t) {
    t.cyclesPerTick = 1;
    t.period = 0;
    t.due = 0;
}

// Timers A and B scale the whole period at once, which makes it slightly longer than
// data × cyclesPerTick. In event count mode the counter starts from the data register
// and nothing is timed; in pulse width mode the period waits while the input is inactive.
static void startInputTimer(const InputTimer& t, uint8_t control, int32_t stamp) {
    MfpTimerSchedule& s = t.schedule;
    uint8_t data = hw.mfp[t.data];
    int mode = (hw.mfp[MFP_IERA] & t.enableBit) ? control & MFP_TIMER_MODE : 0;
    if (mode == 0 || mode == MFP_TIMER_EVENT_COUNT) {
        stopTimer(s);
        t.input.counter = data;
    } else {
        s.cyclesPerTick = prescaledCycles(1, control);
        s.period = prescaledCycles(ticksOf(data), control);
        s.due = stamp + s.period;
        t.input.held = s.period;
    }
    endSliceNow();
}

void startTimerA(uint8_t control, int32_t stamp) { startInputTimer(timerAUnit, control, stamp); }
void startTimerB(uint8_t control, int32_t stamp) { startInputTimer(timerBUnit, control, stamp); }

// Timers C and D count whole truncated ticks. `control` is the timer's 3-bit field.
static void startTickPeriod(MfpTimerSchedule& t, int control, bool enabled, uint8_t data, int32_t stamp) {
    if (!enabled || control == 0) {
        stopTimer(t);
        return;
    }
    t.cyclesPerTick = prescaledCycles(1, control);
    t.period = t.cyclesPerTick * int32_t(ticksOf(data));
    t.due = stamp + t.period;
}

void startTimerC(uint8_t control, int32_t stamp) {
    startTickPeriod(hw.timerC, (control >> 4) & 7, hw.mfp[MFP_IERB] & 0x20, hw.mfp[MFP_TCDR], stamp);
}

void startTimerD(uint8_t control, int32_t stamp) {
    startTickPeriod(hw.timerD, control & 7, hw.mfp[MFP_IERB] & 0x10, hw.mfp[MFP_TDDR], stamp);
}

// ---- Timer inputs ------------------------------------------------------------------------
// A timeout of timer A or B outside the scheduler's expiries: the output toggles and the
// channel interrupts.
static bool timeout(const InputTimer& t) {
    hw.timerOutputs ^= t.outputBit;
    return mfpRaise(t.channel);
}

// The input became active or inactive. Event count mode counts the transitions to active,
// reloading from the data register at the timeout; pulse width mode resumes its period
// when the input becomes active and holds it when it becomes inactive, which ends the
// pulse and interrupts through the GPIP channel. A timeout that fell due within the
// instruction that ended the pulse is counted before the period is held.
static bool activeChanged(const InputTimer& t, int32_t stamp) {
    int mode = modeOf(t);
    bool active = inputActive(t);
    MfpTimerInput& in = t.input;
    MfpTimerSchedule& s = t.schedule;
    if (mode == MFP_TIMER_EVENT_COUNT) {
        if (!active || --in.counter != 0) return false;
        in.counter = hw.mfp[t.data];
        return timeout(t);
    }
    if (!isPulseWidthMode(mode)) return false;
    if (active) {
        s.due = stamp + in.held;
        endSliceNow();  // the scheduler must see the new due position
        return false;
    }
    bool latched = false;
    if (s.period > 0)
        while (s.due <= stamp) {
            s.due += s.period;
            latched |= timeout(t);
        }
    in.held = s.due - stamp;
    return (mfpChannelEnabled(t.pulseEndChannel) && mfpRaise(t.pulseEndChannel)) || latched;
}

static bool inputChanged(const InputTimer& t, bool level, int32_t stamp) {
    if (t.input.level == level) return false;
    t.input.level = level;
    return activeChanged(t, stamp);
}

// GPIP 7 reads the monitor detect (1: colour) exclusive-or the DMA sound frame line, and
// interrupts on channel 15 when it reaches the level its AER bit names.
static bool gpip7Level() { return !hw.timerAInput.level; }
static bool gpip7Active() { return gpip7Level() == ((hw.mfp[MFP_AER] & 0x80) != 0); }
static bool gpip7Became(bool wasActive) {
    return !wasActive && gpip7Active() && mfpChannelEnabled(MFP_CHANNEL_GPIP7) && mfpRaise(MFP_CHANNEL_GPIP7);
}

bool mfpTimerAInput(bool level, int32_t stamp) {
    bool gpip7WasActive = gpip7Active();
    bool latched = inputChanged(timerAUnit, level, stamp);
    return gpip7Became(gpip7WasActive) || latched;
}

bool mfpTimerBInput(bool level, int32_t stamp) { return inputChanged(timerBUnit, level, stamp); }

void mfpSetTimerAInputLevel(bool level) { hw.timerAInput.level = level; }

// What a running timer's data register shows: the whole ticks left until its due
// position. Between an expiry and the scheduler's catching up (the rest of the
// instruction that crossed it) the counter has already reloaded, so the distance is
// taken modulo the period. A timer with no period shows its stored data.
static uint32_t runningCount(const MfpTimerSchedule& t, int32_t stamp, uint8_t stored) {
    if (t.period <= 0 || t.cyclesPerTick <= 0) return stored;
    int64_t left = (int64_t(t.due) - stamp) % t.period;
    if (left <= 0) left += t.period;
    return uint32_t(left / t.cyclesPerTick) & 0xFF;
}

// ---- Reads -----------------------------------------------------------------------------
static uint32_t readStored(uint32_t a, int32_t) { return hw.mfp[a & 0xFF]; }

static uint32_t readGpip(uint32_t, int32_t) {
    return (hw.mfp[MFP_GPIP] & ~MFP_GPIP_COLOUR_MONITOR) | (gpip7Level() ? MFP_GPIP_COLOUR_MONITOR : 0);
}

// Event count mode shows the transitions left to count; pulse width mode with the input
// inactive the ticks it holds.
static uint32_t readInputTimerData(const InputTimer& t, int32_t stamp) {
    int mode = modeOf(t);
    uint8_t stored = hw.mfp[t.data];
    if (mode == 0) return stored;
    if (mode == MFP_TIMER_EVENT_COUNT) return t.input.counter;
    if (isPulseWidthMode(mode) && !inputActive(t))
        return t.schedule.cyclesPerTick > 0 ? uint32_t(t.input.held / t.schedule.cyclesPerTick) & 0xFF : stored;
    return runningCount(t.schedule, stamp, stored);
}

static uint32_t readTadr(uint32_t, int32_t stamp) { return readInputTimerData(timerAUnit, stamp); }
static uint32_t readTbdr(uint32_t, int32_t stamp) { return readInputTimerData(timerBUnit, stamp); }

static uint32_t readTcdr(uint32_t, int32_t stamp) {
    if (!timerCRunning()) return hw.mfp[MFP_TCDR];
    return runningCount(hw.timerC, stamp, hw.mfp[MFP_TCDR]);
}

static uint32_t readTddr(uint32_t, int32_t stamp) {
    if (!timerDRunning()) return hw.mfp[MFP_TDDR];
    return runningCount(hw.timerD, stamp, hw.mfp[MFP_TDDR]);
}

// ---- Writes ----------------------------------------------------------------------------
static void writeStored(uint32_t a, uint32_t v, int32_t) { hw.mfp[a & 0xFF] = uint8_t(v); }

// A changed active edge is an edge like any other: the timer inputs and GPIP 7 may count,
// end or resume a pulse, or interrupt at once. Timer B's input is brought up to date first, since
// the scheduler delivers the display enable's edges only where timer B needs them.
static void writeAer(uint32_t, uint32_t v, int32_t stamp) {
    mfpTimerBInput(chipLines.displayEnableAt(stamp), stamp);
    bool aWasActive = inputActive(timerAUnit), bWasActive = inputActive(timerBUnit), gpip7WasActive = gpip7Active();
    hw.mfp[MFP_AER] = uint8_t(v);
    if (inputActive(timerAUnit) != aWasActive) activeChanged(timerAUnit, stamp);
    if (inputActive(timerBUnit) != bWasActive) activeChanged(timerBUnit, stamp);
    gpip7Became(gpip7WasActive);
}

// Timers A and B run only while enabled: disabling one withdraws its pending request,
// enabling one starts it from its control register.
static void writeIera(uint32_t, uint32_t v, int32_t stamp) {
    uint8_t changed = hw.mfp[MFP_IERA] ^ uint8_t(v);
    hw.mfp[MFP_IERA] = uint8_t(v);
    if (changed & 0x01) {
        if (v & 0x01) {
            startTimerB(hw.mfp[MFP_TBCR], stamp);
        } else {
            hw.mfp[MFP_IPRA] &= ~0x01;
            hw.timerB.cyclesPerTick = 1;
        }
    }
    if (changed & 0x20) {
        if (v & 0x20)
            startTimerA(hw.mfp[MFP_TACR], stamp);
        else
            hw.mfp[MFP_IPRA] &= ~0x20;
    }
    endSliceNow();
}

// Timers C and D restart on any change of their enable bit (a clear bit stops them);
// their pending bits stay as they are.
static void writeIerb(uint32_t, uint32_t v, int32_t stamp) {
    uint8_t changed = hw.mfp[MFP_IERB] ^ uint8_t(v);
    hw.mfp[MFP_IERB] = uint8_t(v);
    if (changed & 0x20) startTimerC(hw.mfp[MFP_TCDCR], stamp);
    if (changed & 0x10) startTimerD(hw.mfp[MFP_TCDCR], stamp);
    endSliceNow();
}

// Pending and in-service registers can only be cleared: written 0 bits clear, 1 bits keep.
static void writeClearMask(uint32_t a, uint32_t v, int32_t) {
    hw.mfp[a & 0xFF] &= uint8_t(v);
    endSliceNow();
}

// Leaving software end-of-interrupt mode ends every service in progress.
static void writeVr(uint32_t, uint32_t v, int32_t) {
    hw.mfp[MFP_VR] = uint8_t(v);
    if (!(v & MFP_VR_SOFTWARE_EOI)) hw.mfp[MFP_ISRA] = hw.mfp[MFP_ISRB] = 0;
}

// A write with bit 4 set forces the timer's output low, whatever the mode.
static void writeTimerControl(const InputTimer& t, uint8_t v) {
    if (v & MFP_TIMER_OUTPUT_RESET) hw.timerOutputs &= uint8_t(~t.outputBit);
    hw.mfp[t.control] = v;
}

// Rewriting timer A's running mode leaves the timer alone; mode 0 always stops it.
static void writeTacr(uint32_t, uint32_t v, int32_t stamp) {
    int mode = v & MFP_TIMER_MODE;
    bool sameMode = mode != 0 && mode == (hw.mfp[MFP_TACR] & MFP_TIMER_MODE);
    writeTimerControl(timerAUnit, uint8_t(v));
    if (!sameMode) startTimerA(uint8_t(v), stamp);
}

static void writeTbcr(uint32_t, uint32_t v, int32_t stamp) {
    writeTimerControl(timerBUnit, uint8_t(v));
    startTimerB(uint8_t(v), stamp);
}

static void writeTcdcr(uint32_t, uint32_t v, int32_t stamp) {
    uint8_t changed = hw.mfp[MFP_TCDCR] ^ uint8_t(v);
    hw.mfp[MFP_TCDCR] = uint8_t(v);
    if (changed & 0x0F) startTimerD(uint8_t(v), stamp);
    if (changed & 0xF0) startTimerC(uint8_t(v), stamp);
    endSliceNow();
}

// A write to TADR restarts a running timer A's period at the write.
static void writeTadr(uint32_t, uint32_t v, int32_t stamp) {
    hw.mfp[MFP_TADR] = uint8_t(v);
    startTimerA(hw.mfp[MFP_TACR], stamp);
}

// Timers C and D keep the prescaler's phase when their data changes: the prescaler is
// not restarted, so the new period is shifted by its position within the current tick,
// (due - stamp) mod cyclesPerTick. Software reprograms them on the fly (baud rates,
// sample players), so the slice goes on.
static void restartKeepingPhase(const MfpTimerSchedule& t, void (*start)(uint8_t, int32_t), int32_t stamp) {
    uint32_t tick = t.cyclesPerTick > 0 ? uint32_t(t.cyclesPerTick) : 1;  // a restored schedule may hold 0
    uint32_t sinceTick = uint32_t(t.due - stamp) % tick;
    start(hw.mfp[MFP_TCDCR], stamp - int32_t(sinceTick));
}

static void writeTcdr(uint32_t, uint32_t v, int32_t stamp) {
    hw.mfp[MFP_TCDR] = uint8_t(v);
    if (timerCRunning()) restartKeepingPhase(hw.timerC, startTimerC, stamp);
}

static void writeTddr(uint32_t, uint32_t v, int32_t stamp) {
    hw.mfp[MFP_TDDR] = uint8_t(v);
    if (timerDRunning()) restartKeepingPhase(hw.timerD, startTimerD, stamp);
}

// ---- Register table --------------------------------------------------------------------
// One entry per register, $FFFA01 to $FFFA2F in order, so that entry n serves the
// word at $FFFA00 + 2n. Word accesses use the odd byte: reads see $FF in the high byte.
// Of the serial registers only UCR and TSR take word writes.
struct MfpRegisterHandlers {
    IoReadFn read;
    IoWriteFn write;
    bool wordWrite;
};

static constexpr MfpRegisterHandlers mfpRegisters[] = {
    {readGpip, writeStored, true},      // GPIP
    {readStored, writeAer, true},       // AER
    {readStored, writeStored, true},    // DDR
    {readStored, writeIera, true},      // IERA
    {readStored, writeIerb, true},      // IERB
    {readStored, writeClearMask, true}, // IPRA
    {readStored, writeClearMask, true}, // IPRB
    {readStored, writeClearMask, true}, // ISRA
    {readStored, writeClearMask, true}, // ISRB
    {readStored, writeStored, true},    // IMRA
    {readStored, writeStored, true},    // IMRB
    {readStored, writeVr, true},        // VR
    {readStored, writeTacr, true},      // TACR
    {readStored, writeTbcr, true},      // TBCR
    {readStored, writeTcdcr, true},     // TCDCR
    {readTadr, writeTadr, true},        // TADR
    {readTbdr, writeStored, true},      // TBDR: takes effect at the next start or reload
    {readTcdr, writeTcdr, true},        // TCDR
    {readTddr, writeTddr, true},        // TDDR
    {readStored, writeStored, false},   // SCR
    {readStored, writeStored, true},    // UCR
    {readStored, writeStored, false},   // RSR
    {readStored, writeStored, true},    // TSR
    {readStored, writeStored, false},   // UDR
};
constexpr int MFP_REGISTER_COUNT = sizeof(mfpRegisters) / sizeof(mfpRegisters[0]);

static uint32_t readWord(uint32_t a, int32_t stamp) {
    return 0xFF00 | mfpRegisters[(a & 0xFF) >> 1].read(a | 1, stamp);
}

static void writeWord(uint32_t a, uint32_t v, int32_t stamp) {
    mfpRegisters[(a & 0xFF) >> 1].write(a | 1, v & 0xFF, stamp);
}

void mfpInstallRegisters(IoRegisterTable& t) {
    for (int a = 0; a < 256; a += 2) hw.mfp[a] = 0xFF;
    for (int n = 0; n < MFP_REGISTER_COUNT; ++n) {
        const MfpRegisterHandlers& r = mfpRegisters[n];
        t.readByte[2 * n + 1] = r.read;
        t.writeByte[2 * n + 1] = r.write;
        t.readWord[n] = readWord;
        if (r.wordWrite) t.writeWord[n] = writeWord;
    }
}

void mfpReset() {
    hw.timerA.due = hw.timerB.due = hw.timerC.due = hw.timerD.due = -1;
    hw.mfp[MFP_IERA] = hw.mfp[MFP_IERB] = 0xFF;
    hw.mfp[MFP_IPRA] = hw.mfp[MFP_IPRB] = 0;
    hw.mfp[MFP_ISRA] = hw.mfp[MFP_ISRB] = 0;
    hw.mfp[MFP_IMRA] = hw.mfp[MFP_IMRB] = 0;
    hw.mfp[MFP_TACR] = hw.mfp[MFP_TBCR] = hw.mfp[MFP_TCDCR] = 0;
    hw.mfp[MFP_VR] = MFP_VR_SOFTWARE_EOI;
    hw.timerOutputs = 0;
}

// ---- Snapshot section ---------------------------------------------------------------
namespace {
// Version 2 adds what timers A and B keep for their inputs and outputs. A file of version 1
// leaves timer A's event counter as a start from TADR would, and a measured pulse with its
// whole period.
struct MfpSection {
    uint32_t version = 2;
    uint8_t registers[256];
    MfpTimerSchedule a, b, c, d;
    uint8_t counterA, counterB;
    int32_t heldA, heldB;
    uint8_t outputs;

    template <class S>
    void timer(S& s, MfpTimerSchedule& t) {
        s.num(t.due);
        s.num(t.cyclesPerTick);
        s.num(t.period);
    }
    template <class S>
    void fields(S& s) {
        s.raw(registers, sizeof registers);
        timer(s, a);
        timer(s, b);
        s.num(counterB);
        timer(s, c);
        timer(s, d);
        if (version < 2) {
            counterA = registers[MFP_TADR];
            heldA = a.period, heldB = b.period;
            outputs = 0;
            return;
        }
        s.num(counterA);
        s.num(heldA);
        s.num(heldB);
        s.num(outputs);
    }
    bool acceptVersion() const { return true; }
    void capture() {
        std::memcpy(registers, hw.mfp, sizeof registers);
        a = hw.timerA, b = hw.timerB, c = hw.timerC, d = hw.timerD;
        counterA = hw.timerAInput.counter, counterB = hw.timerBInput.counter;
        heldA = hw.timerAInput.held, heldB = hw.timerBInput.held;
        outputs = hw.timerOutputs;
    }
    // Timer A's input follows the DMA sound, restored with it; the display enable is low
    // between frames, where snapshots are taken.
    void apply() const {
        std::memcpy(hw.mfp, registers, sizeof registers);
        hw.timerA = a, hw.timerB = b, hw.timerC = c, hw.timerD = d;
        hw.timerAInput.counter = counterA, hw.timerBInput.counter = counterB;
        hw.timerAInput.held = heldA, hw.timerBInput.held = heldB;
        hw.timerBInput.level = 0;
        hw.timerOutputs = outputs & (MFP_OUTPUT_TIMER_A | MFP_OUTPUT_TIMER_B);
    }
    // Schedules no MFP produces (the longest period is 256 ticks at prescale 200, some
    // 167,000 cycles; due positions lie within a few frames) would overflow the
    // scheduler's arithmetic: such a file is refused.
    bool valid() const {
        auto sane = [](const MfpTimerSchedule& t) {
            return t.period >= 0 && t.period <= 0x100000 && t.cyclesPerTick >= 0 && t.cyclesPerTick <= 0x10000 &&
                   t.due >= -0x100000 && t.due <= 0x100000;
        };
        auto held = [](int32_t cycles) { return cycles >= 0 && cycles <= 0x100000; };
        return sane(a) && sane(b) && sane(c) && sane(d) && held(heldA) && held(heldB);
    }
};
}  // namespace

SectionEntry mfpSnapshotSection() { return sectionEntry<MfpSection>("MFP!"); }
