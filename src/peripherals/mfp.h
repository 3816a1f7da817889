#pragma once
// The MC68901 MFP: register offsets within $FFFA00 and the timer operations. The timers
// are not counters ticking down but due positions in processor cycles (hw.timerA..D)
// that the frame scheduler watches; its register handlers are installed by
// mfpInstallRegisters (machine/io_dispatch.h).
#include <cstdint>

#include "machine/hardware_state.h"

enum MfpRegister : int {
    MFP_GPIP = 0x01, MFP_AER = 0x03, MFP_DDR = 0x05,
    MFP_IERA = 0x07, MFP_IERB = 0x09, MFP_IPRA = 0x0B, MFP_IPRB = 0x0D,
    MFP_ISRA = 0x0F, MFP_ISRB = 0x11, MFP_IMRA = 0x13, MFP_IMRB = 0x15, MFP_VR = 0x17,
    MFP_TACR = 0x19, MFP_TBCR = 0x1B, MFP_TCDCR = 0x1D,
    MFP_TADR = 0x1F, MFP_TBDR = 0x21, MFP_TCDR = 0x23, MFP_TDDR = 0x25,
    MFP_SCR = 0x27, MFP_UCR = 0x29, MFP_RSR = 0x2B, MFP_TSR = 0x2D, MFP_UDR = 0x2F,
};

// VR bit 3: software end-of-interrupt, a latched channel stays in service until cleared.
constexpr uint8_t MFP_VR_SOFTWARE_EOI = 0x08;
// GPIP inputs (active low): keyboard and MIDI ACIAs, floppy controller; bit 7 is the
// monochrome monitor detect and always reads 1 (colour monitor).
constexpr uint8_t MFP_GPIP_ACIA = 0x10;
constexpr uint8_t MFP_GPIP_FDC = 0x20;
constexpr uint8_t MFP_GPIP_COLOUR_MONITOR = 0x80;

// ---- Interrupt channels ----------------------------------------------------------------
// The sixteen channels by priority, 15 highest. Channels 8-15 have their bit in the A
// registers (IERA, IPRA, ISRA, IMRA), channels 0-7 in the B registers.
enum MfpChannel : int {
    MFP_CHANNEL_TIMER_D = 4,
    MFP_CHANNEL_TIMER_C = 5,
    MFP_CHANNEL_ACIA = 6,
    MFP_CHANNEL_FDC = 7,
    MFP_CHANNEL_TIMER_B = 8,
    MFP_CHANNEL_TIMER_A = 13,
};

// An event on the channel: requested from the 68000 at once (level 6, vector from VR)
// when the channel is unmasked and nothing of its priority or higher is in service,
// marked pending otherwise (also when the processor already holds a level-6 request).
// True when latched; in software end-of-interrupt mode the channel is then in service.
bool mfpRaise(MfpChannel channel);
// Retries a pending request: true when it was latched now (the pending bit cleared).
// Pending bits are rare, so the scheduler's many calls mostly end at the first test.
bool mfpRequestPendingNow(MfpChannel channel);
inline bool mfpRetryPending(MfpChannel channel) {
    uint8_t pending = hw.mfp[(channel < 8 ? MFP_IPRB : MFP_IPRA)];
    return (pending & (1 << (channel & 7))) && mfpRequestPendingNow(channel);
}
// Pending, unmasked, enabled and not held back by a channel in service.
bool mfpPendingReady(MfpChannel channel);
void mfpSetPending(MfpChannel channel);
void mfpClearPending(MfpChannel channel);

// ---- Timers ----------------------------------------------------------------------------
// Whether a timer runs: enabled, and in a mode that times something. Timer A runs in
// delay mode; timer B in delay mode (its due position counts) or event count mode (it
// counts display lines); timers C and D whenever their prescaler field is not 0.
bool timerARunning();
bool timerBRunning();
bool timerBCountsLines();  // running in event count mode
bool timerCRunning();
bool timerDRunning();

// Start a timer from its control value at cycle `stamp`: a timer that cannot run with
// that value (or whose enable bit is clear) is stopped (cyclesPerTick 1, period 0,
// due 0). Timers A and B also end the processor's slice.
void startTimerA(uint8_t control, int32_t stamp);
void startTimerB(uint8_t control, int32_t stamp);
void startTimerC(uint8_t control, int32_t stamp);
void startTimerD(uint8_t control, int32_t stamp);
// Hardware reset: timers stopped (due -1), IERA/IERB $FF, pending, in-service, mask and
// control registers 0, VR $08.
void mfpReset();
