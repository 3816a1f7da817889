#pragma once
// The MC68901 MFP: its interrupt channels and timer operations (its register offsets are
// in bus/mfp_registers.h). The timers are not counters ticking down but due positions in processor cycles (hw.timerA..D)
// that the frame scheduler watches.
#include <cstdint>

#include "bus/hardware_state.h"
#include "bus/mfp_registers.h"

struct IoRegisterTable;

void mfpInstallRegisters(IoRegisterTable& t);  // $FFFA00

// VR bit 3: software end-of-interrupt, a latched channel stays in service until cleared.
constexpr uint8_t MFP_VR_SOFTWARE_EOI = 0x08;

// TACR and TBCR: bits 0-3 the mode (0 stopped, 1-7 delay with that prescaler, 8 event
// count, 9-15 pulse width with the prescaler of bits 0-2); a write with bit 4 set forces
// the timer's output low.
constexpr uint8_t MFP_TIMER_MODE = 0x0F;
constexpr uint8_t MFP_TIMER_EVENT_COUNT = 0x08;
constexpr uint8_t MFP_TIMER_OUTPUT_RESET = 0x10;
// Bits of hw.timerOutputs.
constexpr uint8_t MFP_OUTPUT_TIMER_A = 0x01, MFP_OUTPUT_TIMER_B = 0x02;

// ---- Interrupt channels ----------------------------------------------------------------
constexpr int MFP_INTERRUPT_LEVEL = 6;  // the 68000 level of every MFP request
// The sixteen channels by priority, 15 highest. Channels 8-15 have their bit in the A
// registers (IERA, IPRA, ISRA, IMRA), channels 0-7 in the B registers.
enum MfpChannel : int {
    MFP_CHANNEL_GPIP3 = 3,  // timer B's pulse end in pulse width mode
    MFP_CHANNEL_TIMER_D = 4,
    MFP_CHANNEL_TIMER_C = 5,
    MFP_CHANNEL_ACIA = 6,  // also timer A's pulse end in pulse width mode
    MFP_CHANNEL_FDC = 7,
    MFP_CHANNEL_TIMER_B = 8,
    MFP_CHANNEL_TIMER_A = 13,
    MFP_CHANNEL_GPIP7 = 15,  // monitor detect and DMA sound frame line
};

// An event on the channel: requested from the 68000 at once (level 6, vector from VR)
// when the channel is unmasked and nothing of its priority or higher is in service,
// marked pending otherwise (also when the processor already holds a level-6 request).
// True when latched; in software end-of-interrupt mode the channel is then in service.
bool mfpRaise(MfpChannel channel);
// Retries a pending request: true when it was latched now (the pending bit cleared).
// Pending bits are rare, so the scheduler's many calls mostly end at the first test.
bool mfpRequestPendingNow(MfpChannel channel);
inline bool mfpPendingBit(MfpChannel channel) {
    return hw.mfp[channel < 8 ? MFP_IPRB : MFP_IPRA] & (1 << (channel & 7));
}
// Pending, unmasked, enabled and not held back by a channel in service.
bool mfpPendingReady(MfpChannel channel);
bool mfpChannelEnabled(MfpChannel channel);  // its IER bit
void mfpSetPending(MfpChannel channel);
void mfpClearPending(MfpChannel channel);

// ---- Timers ----------------------------------------------------------------------------
// The mode of timer A or B as it runs: 0 while stopped or disabled in IERA.
inline int mfpTimerMode(int control, uint8_t enableBit) {
    return (hw.mfp[MFP_IERA] & enableBit) ? hw.mfp[control] & MFP_TIMER_MODE : 0;
}
inline int timerAMode() { return mfpTimerMode(MFP_TACR, 0x20); }
inline int timerBMode() { return mfpTimerMode(MFP_TBCR, 0x01); }
inline bool isDelayMode(int mode) { return mode != 0 && mode < MFP_TIMER_EVENT_COUNT; }
inline bool isPulseWidthMode(int mode) { return mode > MFP_TIMER_EVENT_COUNT; }

// A timer input is active at the level its AER bit names: high with the bit set, low
// without (TAI: AER bit 4, TBI: AER bit 3).
constexpr uint8_t MFP_AER_TIMER_A = 0x10, MFP_AER_TIMER_B = 0x08;
inline bool timerInputActive(const MfpTimerInput& in, uint8_t edgeBit) {
    return in.level == ((hw.mfp[MFP_AER] & edgeBit) != 0);
}

// Whether a timer's due position counts: timers A and B in delay mode, or in pulse width
// mode while their input is active; timers C and D whenever enabled with a prescaler.
inline bool timerATimes() {
    int mode = timerAMode();
    return isDelayMode(mode) || (isPulseWidthMode(mode) && timerInputActive(hw.timerAInput, MFP_AER_TIMER_A));
}
inline bool timerBTimes() {
    int mode = timerBMode();
    return isDelayMode(mode) || (isPulseWidthMode(mode) && timerInputActive(hw.timerBInput, MFP_AER_TIMER_B));
}
inline bool timerCRunning() { return (hw.mfp[MFP_IERB] & 0x20) && (hw.mfp[MFP_TCDCR] & 0x70); }
inline bool timerDRunning() { return (hw.mfp[MFP_IERB] & 0x10) && (hw.mfp[MFP_TCDCR] & 0x07); }
// Timer B in event count or pulse width mode watches its input, the display enable, whose
// edges the scheduler delivers. It needs the rising edges (pulse width mode, or event
// count with the active edge rising) at their own cycle; otherwise each displayed line's
// two edges come together at the line's end.
inline bool timerBWatchesRisingEdge() {
    int mode = timerBMode();
    return isPulseWidthMode(mode) || (mode == MFP_TIMER_EVENT_COUNT && (hw.mfp[MFP_AER] & MFP_AER_TIMER_B));
}

// The timer inputs change level at cycle `stamp`. An event counted to its timeout, a
// pulse end or a GPIP 7 edge interrupts; true when a request was latched.
bool mfpTimerAInput(bool level, int32_t stamp);
bool mfpTimerBInput(bool level, int32_t stamp);
// Timer A's input as a reset or restored machine has it, without an edge.
void mfpSetTimerAInputLevel(bool level);

// Start a timer from its control value at cycle `stamp`: a timer that cannot run with
// that value (or whose enable bit is clear) is stopped (cyclesPerTick 1, period 0,
// due 0). Timers A and B in event count mode load their counter from the data register
// instead; they also end the processor's slice.
void startTimerA(uint8_t control, int32_t stamp);
void startTimerB(uint8_t control, int32_t stamp);
void startTimerC(uint8_t control, int32_t stamp);
void startTimerD(uint8_t control, int32_t stamp);
// Hardware reset: timers stopped (due -1) with their outputs low, IERA/IERB $FF, pending,
// in-service, mask and control registers 0, VR $08.
void mfpReset();

// Snapshots: the register image and the timers ("MFP!").
struct SectionEntry;
SectionEntry mfpSnapshotSection();
