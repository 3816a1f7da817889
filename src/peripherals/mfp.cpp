#include "peripherals/mfp.h"

#include <bit>

#include "cpu/cpu.h"
#include "machine/hardware_state.h"
#include "machine/io_dispatch.h"

// ---- Interrupt channels ----------------------------------------------------------------
constexpr int MFP_LEVEL = 6;

// The B registers follow the A registers by two bytes.
static uint8_t& channelRegister(int registerA, MfpChannel c) { return hw.mfp[registerA + (c < 8 ? 2 : 0)]; }
static uint8_t channelBit(MfpChannel c) { return uint8_t(1 << (c & 7)); }

// A channel may interrupt only while nothing of its priority or higher is in service.
static bool mayRequest(MfpChannel c) {
    return std::bit_width(unsigned(hw.mfp[MFP_ISRA]) << 8 | hw.mfp[MFP_ISRB]) <= unsigned(c);
}

static bool request(MfpChannel c) {
    if (cpuRequestInterrupt(MFP_LEVEL, (hw.mfp[MFP_VR] & 0xF0) | c) != 0) return false;
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

void mfpSetPending(MfpChannel c) { channelRegister(MFP_IPRA, c) |= channelBit(c); }
void mfpClearPending(MfpChannel c) { channelRegister(MFP_IPRA, c) &= ~channelBit(c); }

// ---- Timers ----------------------------------------------------------------------------
// TACR and TBCR: 0 stopped, bits 0-2 the prescaler in delay mode, bit 3 event count or
// pulse width (with bits 0-2), bit 4 output reset. TCDCR: timer C's prescaler in bits
// 4-6, timer D's in bits 0-2.
static bool timerARunsWith(uint8_t c) { return (hw.mfp[MFP_IERA] & 0x20) && c != 0 && (c & 0x18) == 0; }
static bool timerBRunsWith(uint8_t c) { return (hw.mfp[MFP_IERA] & 0x01) && c != 0 && (c & 0x10) == 0; }
bool timerARunning() { return timerARunsWith(hw.mfp[MFP_TACR]); }
bool timerBRunning() { return timerBRunsWith(hw.mfp[MFP_TBCR]); }
bool timerBCountsLines() { return timerBRunning() && (hw.mfp[MFP_TBCR] & 0x08); }
bool timerCRunning() { return (hw.mfp[MFP_IERB] & 0x20) && (hw.mfp[MFP_TCDCR] & 0x70); }
bool timerDRunning() { return (hw.mfp[MFP_IERB] & 0x10) && (hw.mfp[MFP_TCDCR] & 0x07); }

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
// data × cyclesPerTick.
static void startWholePeriod(MfpTimerSchedule& t, uint8_t control, uint8_t data, int32_t stamp) {
    t.cyclesPerTick = prescaledCycles(1, control);
    t.period = prescaledCycles(ticksOf(data), control);
    t.due = stamp + t.period;
}

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

// Timer A runs in delay mode only: bit 3 (event count, pulse width) and bit 4 (output
// reset) stop it.
void startTimerA(uint8_t control, int32_t stamp) {
    if (timerARunsWith(control))
        startWholePeriod(hw.timerA, control, hw.mfp[MFP_TADR], stamp);
    else
        stopTimer(hw.timerA);
    endSliceNow();
}

// Timer B's event count mode counts display lines (the scheduler decrements the counter);
// its pulse width modes do not time anything.
void startTimerB(uint8_t control, int32_t stamp) {
    if (!timerBRunsWith(control)) {
        stopTimer(hw.timerB);
    } else if (!(control & 0x08)) {
        startWholePeriod(hw.timerB, control, hw.mfp[MFP_TBDR], stamp);
    } else if ((control & 7) == 0) {
        hw.timerBEventCounter = hw.mfp[MFP_TBDR];
        hw.timerB.due = 0;
    } else {
        stopTimer(hw.timerB);
    }
    endSliceNow();
}

void startTimerC(uint8_t control, int32_t stamp) {
    startTickPeriod(hw.timerC, (control >> 4) & 7, hw.mfp[MFP_IERB] & 0x20, hw.mfp[MFP_TCDR], stamp);
}

void startTimerD(uint8_t control, int32_t stamp) {
    startTickPeriod(hw.timerD, control & 7, hw.mfp[MFP_IERB] & 0x10, hw.mfp[MFP_TDDR], stamp);
}

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

static uint32_t readGpip(uint32_t, int32_t) { return hw.mfp[MFP_GPIP] | MFP_GPIP_COLOUR_MONITOR; }

static uint32_t readTadr(uint32_t, int32_t stamp) {
    if (!timerARunning()) return hw.mfp[MFP_TADR];
    return runningCount(hw.timerA, stamp, hw.mfp[MFP_TADR]);
}

// In event count mode the register shows the lines left to count.
static uint32_t readTbdr(uint32_t, int32_t stamp) {
    if (timerBCountsLines()) return hw.timerBEventCounter;
    if (!timerBRunning()) return hw.mfp[MFP_TBDR];
    return runningCount(hw.timerB, stamp, hw.mfp[MFP_TBDR]);
}

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

// Rewriting the running mode leaves the timer alone; 0 always stops it.
static void writeTacr(uint32_t, uint32_t v, int32_t stamp) {
    if (v != 0 && v == hw.mfp[MFP_TACR]) return;
    hw.mfp[MFP_TACR] = uint8_t(v);
    startTimerA(uint8_t(v), stamp);
}

static void writeTbcr(uint32_t, uint32_t v, int32_t stamp) {
    hw.mfp[MFP_TBCR] = uint8_t(v);
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
    {readStored, writeStored, true},    // AER
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
}
