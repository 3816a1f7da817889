#include "machine/scheduler.h"

#include <cstdint>

#include "bus/hardware_state.h"
#include "bus/hardware_write_log.h"
#include "bus/machine_settings.h"
#include "bus/snapshot_section.h"
#include "bus/sound_logs.h"
#include "bus/video_event_log.h"
#include "cpu/cpu.h"
#include "floppy/acsi_bus.h"
#include "floppy/wd1772.h"
#include "machine/frame_sink.h"
#include "machine/profile_timer.h"
#include "peripherals/acia.h"
#include "peripherals/ikbd.h"
#include "peripherals/mfp.h"
#include "sound/dma_sound.h"
#include "sound/lmc1992.h"
#include "sound/microwire.h"
#include "sound/mixer.h"
#include "video/picture.h"
#include "video/shifter.h"

SchedulerState scheduler;
static const FrameSink* frameSink;

void setFrameSink(const FrameSink* sink) { frameSink = sink; }

// The line event wanders by 0, 4 or 8 cycles: one entry for the frame, one for the line.
static constexpr int32_t lineJitter[33] = {0, 0, 0, 0, 4, 0, 4, 0, 0, 4, 0, 4, 0, 4, 0, 0, 4,
                                           0, 4, 0, 4, 0, 0, 4, 0, 4, 0, 4, 0, 0, 4, 0, 4};

static int32_t jitterOf(int32_t index) { return lineJitter[uint32_t(index) % 33]; }

// Timer B counts the line events from the one that opens the display (line 64 of the
// frame) to the one that closes it (line 263) unless the bottom border is open.
constexpr int32_t DISPLAY_FIRST_LINE = 64;
constexpr int32_t DISPLAY_END_LINE = 263;

constexpr int HBL_LEVEL = 2;
constexpr int VBL_LEVEL = 4;
constexpr int AUTOVECTOR = -1;

// ---- MFP interrupt channels ------------------------------------------------------------
// Each channel the scheduler raises, with the event code the debugger's break switches
// use.
struct Channel {
    MfpChannel number;
    int32_t eventKind;
};
constexpr Channel TIMER_A{MFP_CHANNEL_TIMER_A, EVENT_TIMER_A};
constexpr Channel TIMER_B{MFP_CHANNEL_TIMER_B, EVENT_TIMER_B};
constexpr Channel FDC{MFP_CHANNEL_FDC, EVENT_FDC};
constexpr Channel ACIA{MFP_CHANNEL_ACIA, EVENT_ACIA};
constexpr Channel TIMER_C{MFP_CHANNEL_TIMER_C, EVENT_TIMER_C};
constexpr Channel TIMER_D{MFP_CHANNEL_TIMER_D, EVENT_TIMER_D};
// The GPIP lines that the timer inputs reach: GPIP 7 follows the DMA sound frame line that
// drives timer A, GPIP 3 ends timer B's measured pulses.
constexpr Channel GPIP7{MFP_CHANNEL_GPIP7, EVENT_TIMER_A};
constexpr Channel GPIP3{MFP_CHANNEL_GPIP3, EVENT_TIMER_B};

// Per call: the processor's mask, the current position and the earliest future event.
static int interruptMask;
static int32_t now;
static int32_t nextDue;
static int32_t nextKind;

static void compete(int32_t due, int32_t kind) {
    if (due < nextDue) {
        nextDue = due;
        nextKind = kind;
    }
}

// A latched request ends the call on its event.
static bool latched(bool requested, Channel c) {
    if (requested) scheduler.nextEventKind = c.eventKind;
    return requested;
}
static bool raiseChannel(Channel c) { return latched(mfpRaise(c.number), c); }
[[gnu::always_inline]] static inline bool requestPending(Channel c) {
    return mfpPendingBit(c.number) && latched(mfpRequestPendingNow(c.number), c);
}

// A timing timer: each expiry moves the due position one period on (later calls catch
// up when several have passed) and toggles the output of timers A and B. With the
// processor's mask at 7, timers A and B still mark their channel pending; timers C and D
// leave no trace. A schedule without a period (restored from an inconsistent snapshot)
// would never move on, so it is ignored.
[[gnu::always_inline]] static inline bool expireTimer(MfpTimerSchedule& t, Channel c, bool pendWhenMasked,
                                                     uint8_t output = 0) {
    if (t.period <= 0) return false;
    if (now >= t.due) {
        t.due += t.period;
        hw.timerOutputs ^= output;
        if (interruptMask < 7) {
            if (raiseChannel(c)) return true;
        } else if (pendWhenMasked) {
            mfpSetPending(c.number);
        }
    }
    compete(t.due, c.eventKind);
    return false;
}

static int32_t budgetTo(int32_t due) { return (due - now + 3) & ~3; }

// ---- Events within the frame -----------------------------------------------------------
// The jitter changes with the line: it is looked up again only when the line changed.
static int32_t nextLineEventAt() {
    static int32_t jitterIndex = INT32_MIN, jitter;
    int32_t index = scheduler.frameCounter - scheduler.lineCounter;
    if (index != jitterIndex) {
        jitterIndex = index;
        jitter = jitterOf(index);
    }
    return scheduler.lineEventCycle + jitter;
}
// The line the next line event ends is displayed: the display is on, or that event turns
// it on.
static bool nextLineDisplayed() { return hw.displayEnable || scheduler.lineCounter + 1 == DISPLAY_FIRST_LINE; }

bool displayEnableAt(int32_t stamp) {
    int32_t end = nextLineEventAt();
    return nextLineDisplayed() && stamp >= end - DISPLAY_ENABLE_CYCLES && stamp < end;
}

static int32_t lineEventAt;  // the position of the line event this call saw

static bool lineEvent() {
    bool newLine = false;
    int32_t at = nextLineEventAt();
    if (now >= at) {
        lineEventAt = at;
        scheduler.lineEventCycle += LINE_CYCLES;
        ++scheduler.lineCounter;
        newLine = true;
        if (scheduler.lineCounter == DISPLAY_FIRST_LINE) hw.displayEnable = 1;
        at = nextLineEventAt();
    }
    compete(at, EVENT_TIMER_B);
    return newLine;
}

// Timer B's input, the display enable, in event count and pulse width modes: it falls at
// the line event that ends a displayed line and rises DISPLAY_ENABLE_CYCLES before, an
// edge the scheduler waits for only where timer B needs it. Without it the line event
// brings both edges at once, so that falling edges are counted all the same. An edge that
// resumes a measurement comes before the expiry, which then sees the new due position.
static bool displayEnableEdges(bool newLine) {
    if (newLine && hw.displayEnable) {
        if (scheduler.lineCounter == DISPLAY_END_LINE && !hw.bottomBorderOpen) hw.displayEnable = 0;
        bool rose = mfpTimerBInput(true, lineEventAt);
        bool fell = mfpTimerBInput(false, lineEventAt);
        if (latched(rose || fell, TIMER_B)) return true;
    }
    if (timerBWatchesRisingEdge() && !hw.timerBInput.level && nextLineDisplayed()) {
        int32_t rise = nextLineEventAt() - DISPLAY_ENABLE_CYCLES;
        if (now < rise)
            compete(rise, EVENT_TIMER_B);
        else if (latched(mfpTimerBInput(true, rise), TIMER_B))
            return true;
    }
    return timerBTimes() && expireTimer(hw.timerB, TIMER_B, true, MFP_OUTPUT_TIMER_B);
}

// Timer B in delay mode, or watching the display enable.
static bool timerB(bool newLine) {
    int mode = timerBMode();
    if (mode >= MFP_TIMER_EVENT_COUNT) return displayEnableEdges(newLine);
    return isDelayMode(mode) && expireTimer(hw.timerB, TIMER_B, true, MFP_OUTPUT_TIMER_B);
}

// A timer A request still pending while the processor masks everything is dropped.
static bool timerAPending() {
    if (interruptMask == 7) {
        if (mfpPendingReady(TIMER_A.number)) mfpClearPending(TIMER_A.number);
        return false;
    }
    return requestPending(TIMER_A);
}

static bool timerA() { return timerATimes() && expireTimer(hw.timerA, TIMER_A, true, MFP_OUTPUT_TIMER_A); }

// The STE's DMA sound ends a frame where it predicted: the engine runs there, which moves
// timer A's input and GPIP 7 at the frame end's cycle, and predicts the next one. It comes
// before timer A's expiry, which then sees a due position the edge moved.
static bool soundFrameEnd() {
    if (now < hw.dmaFrameEndDue) {
        compete(hw.dmaFrameEndDue, EVENT_TIMER_A);
        return false;
    }
    bool levelSixWaiting = cpu.interrupt[0] & (1 << MFP_INTERRUPT_LEVEL);
    dmaSoundRunToFrameEnd(now);
    compete(hw.dmaFrameEndDue, EVENT_TIMER_A);
    bool latchedNow = !levelSixWaiting && (cpu.interrupt[0] & (1 << MFP_INTERRUPT_LEVEL));
    if (latchedNow) scheduler.nextEventKind = EVENT_TIMER_A;
    return latchedNow;
}

// A command completion (the controller pulls its line, GPIP 5, low itself) interrupts
// through channel 7; the motor-off event withdraws a completion interrupt still pending.
// The event time is compared as a signed position: a rebased event may lie before the
// frame's start.
static bool floppyEvent() {
    if (fdc.eventType == FDC_EVENT_NONE) return false;
    if (now >= int32_t(fdc.eventTime)) {
        uint32_t ran = fdcEvent(now);
        if (ran == FDC_EVENT_COMPLETION) {
            if ((hw.mfp[MFP_IERB] & 0x80) && raiseChannel(FDC)) return true;
        } else if (ran == FDC_EVENT_MOTOR_OFF) {
            mfpClearPending(FDC.number);
        }
    }
    if (fdc.eventType != FDC_EVENT_NONE) compete(int32_t(fdc.eventTime), EVENT_FDC);
    return false;
}

// An ACSI device pulls the same line, to ask for a command byte or when it has finished,
// and interrupts through the same channel.
static bool acsiLine() {
    if (acsi.event == ACSI_EVENT_NONE) return false;
    if (now >= int32_t(acsi.eventTime)) {
        acsiEvent();
        return (hw.mfp[MFP_IERB] & 0x80) && raiseChannel(FDC);
    }
    compete(int32_t(acsi.eventTime), EVENT_FDC);
    return false;
}

// The keyboard processor scans its inputs, then the ACIA receives the next byte of its
// queue (an unread byte is overwritten): receive full and interrupt request in the
// status, GPIP 4 pulled low. The MIDI ACIA's status bit 7 takes bit 7 of the byte.
static bool keyboardAcia() {
    if (now >= scheduler.aciaPollCycle) {
        scheduler.aciaPollCycle += ACIA_POLL_CYCLES;
        IkbdScan();
        if (ikbdQueueHasByte()) {
            uint8_t byte = ikbdQueueGet();
            hw.acia[ACIA_KEYBOARD_STATUS] |= ACIA_INTERRUPT_REQUEST | ACIA_RECEIVE_FULL;
            hw.acia[ACIA_KEYBOARD_DATA] = byte;
            hw.acia[ACIA_MIDI_STATUS] = (hw.acia[ACIA_MIDI_STATUS] & 0x7F) | (byte & 0x80);
            hw.mfp[MFP_GPIP] &= ~MFP_GPIP_ACIA;
            // In timer A's pulse width mode the channel signals the pulse's end instead.
            if ((hw.mfp[MFP_IERB] & 0x40) && !isPulseWidthMode(timerAMode()) && raiseChannel(ACIA)) return true;
        }
    }
    compete(scheduler.aciaPollCycle, EVENT_ACIA);
    return false;
}

// Vertical and horizontal blank use autovectored levels; a request that finds its level
// still pending is lost.
[[gnu::always_inline]] static inline bool blank(int32_t& cycle, int32_t period, int level, int32_t kind) {
    if (now >= cycle) {
        cycle += period;
        if (cpuRequestInterrupt(level, AUTOVECTOR) == 0) {
            scheduler.nextEventKind = kind;
            return true;
        }
    }
    compete(cycle, kind);
    return false;
}

// Once a frame: kept out of the calls between the frame's events.
[[gnu::noinline]] static int32_t endFrame();

// In interlace mode with doubled lines a picture holds two frames, one field each: every
// field is drawn, wanted or not.
static bool interlacedPicture() { return machineSettings.softwareMode == 2 && !machineSettings.singleRowLines; }

// The steps run in a fixed order, which is the priority between events due together;
// only one interrupt is latched per call.
int32_t serviceEvents() {
    now = cpu.odometer;
    if (now >= FRAME_CYCLES) return endFrame();
    if (screenCopyDue) ShifterCopyScreen(framePictureWanted() || interlacedPicture());
    interruptMask = cpuInterruptMask();
    nextDue = FRAME_CYCLES;
    nextKind = EVENT_FRAME_END;

    bool newLine = lineEvent();
    if (requestPending(GPIP7)) return 0;
    if (requestPending(TIMER_B) || timerB(newLine)) return 0;
    if (timerAPending() || soundFrameEnd() || timerA()) return 0;
    if (requestPending(FDC) || floppyEvent() || acsiLine()) return 0;
    if (requestPending(ACIA) || keyboardAcia()) return 0;
    if (requestPending(TIMER_C) || (timerCRunning() && expireTimer(hw.timerC, TIMER_C, false))) return 0;
    if (requestPending(TIMER_D) || (timerDRunning() && expireTimer(hw.timerD, TIMER_D, false))) return 0;
    if (requestPending(GPIP3)) return 0;
    if (blank(scheduler.vblCycle, FRAME_CYCLES, VBL_LEVEL, EVENT_VBL)) return 0;
    if (blank(scheduler.hblCycle, LINE_CYCLES, HBL_LEVEL, EVENT_HBL)) return 0;

    scheduler.nextEventKind = nextKind;
    return budgetTo(nextDue);
}

// ---- Frame end -------------------------------------------------------------------------
// The picture: the frame's video events replayed over its screen copy, now or when the
// picture is read. In interlace mode the picture moves down one row on every other frame,
// so that the two fields fill the doubled lines in turn; each field is drawn at its
// frame's end, as are the figures drawn over the picture.

static void finishPicture() {
    bool interlaced = interlacedPicture();
    int firstRow = 0;
    if (interlaced) {
        firstRow = scheduler.interlaceToggle;
        scheduler.interlaceToggle ^= 1;
    }
    bool overlays = machineSettings.soundDebug || machineSettings.profile;
    if (!pictureAtFrameEnd(shifterFrameVideo(), interlaced || overlays, firstRow) || !overlays) return;
    if (frameSink) frameSink->drawOver(framePictureForDrawing() + firstRow * FRAME_WIDTH, FRAME_WIDTH);
}

// The frame's sound. A running recording always gets exactly one frame of 881 samples,
// whatever the front end asked for.
static void produceSound() {
    int count = frameSoundRequest();
    if (count < 1 || count > OUTPUT_BUFFER_SAMPLES) {
        lastSampleCount = 0;
        return;
    }
    profileStart(profileSound);
    if (frameSink && frameSink->recording()) {
        MixFrame(FRAME_SOUND_SAMPLES);
        frameSink->recordSound(OutputBuffer, FRAME_SOUND_SAMPLES);
        if (!frameSink->recording() || count != FRAME_SOUND_SAMPLES) MixFrame(count);
    } else {
        MixFrame(count);
    }
    profileStop(profileSound);
}

// What the machine's parts posted during the frame goes out before anything is drawn.
static void handNoticesOn() {
    if (frameSink && noticeCount()) frameSink->notices(postedNotices(), noticeCount());
    clearNotices();
}

// Every due position moves back by one frame; timers are moved only while their due
// position counts. The DMA sound predicts its frame end afresh when the frame starts.
static void rebaseDuePositions() {
    cpu.odometer -= FRAME_CYCLES;
    if (timerATimes()) hw.timerA.due -= FRAME_CYCLES;
    if (timerBTimes()) hw.timerB.due -= FRAME_CYCLES;
    if (timerCRunning()) hw.timerC.due -= FRAME_CYCLES;
    if (timerDRunning()) hw.timerD.due -= FRAME_CYCLES;
    if (fdc.eventType != FDC_EVENT_NONE) fdc.eventTime -= FRAME_CYCLES;
    if (acsi.event != ACSI_EVENT_NONE) acsi.eventTime -= FRAME_CYCLES;
    scheduler.hblCycle -= FRAME_CYCLES;
    scheduler.aciaPollCycle -= FRAME_CYCLES;
}

static int32_t endFrame() {
    scheduler.nextEventKind = EVENT_FRAME_END;
    handNoticesOn();
    profileStart(profileGraphics);
    videoEventLogClose();
    hardwareLogClose();
    finishPicture();
    profileStop(profileGraphics);
    ymWriteLogClose();
    dmaSoundFrameEnd();
    produceSound();
    profileStop(profileTotal);
    if (frameSink) frameSink->ended();

    rebaseDuePositions();
    scheduler.vblCycle = VBL_CYCLE;
    ymWriteLogReset();
    hardwareLogReset();
    scheduler.lineCounter = 0;
    scheduler.lineEventCycle = FIRST_LINE_EVENT_CYCLE + jitterOf(scheduler.frameCounter);
    ++scheduler.frameCounter;
    dmaSoundFrameStart();
    microwireFrameStart();
    lmc1992FrameStart();
    ShifterFrameStart();
    return -1;
}

// ---- Snapshot section ---------------------------------------------------------------
namespace {
struct InterruptTimingSection {
    uint32_t version = 1;
    SchedulerState state;
    uint32_t reserved = 0;  // kept, never used

    template <class S>
    void fields(S& s) {
        s.num(state.nextEventKind);
        s.num(state.aciaPollCycle);
        s.num(state.vblCycle);
        s.num(state.lineCounter);
        s.num(reserved);
        s.num(state.hblCycle);
        s.num(state.lineEventCycle);
        s.num(state.frameCounter);
    }
    bool acceptVersion() const { return true; }
    void capture() { state = scheduler; }
    void apply() const {
        uint8_t interlace = scheduler.interlaceToggle;
        scheduler = state;
        scheduler.interlaceToggle = interlace;
    }
    // Positions within a few frames of the frame start, line counts within a frame, a
    // frame count that can go on counting: anything else no machine produced.
    bool valid() const {
        auto position = [](int32_t c) { return c >= -4 * FRAME_CYCLES && c <= 4 * FRAME_CYCLES; };
        return position(state.aciaPollCycle) && position(state.vblCycle) && position(state.hblCycle) &&
               position(state.lineEventCycle) && state.lineCounter >= 0 && state.lineCounter <= 2 * FRAME_LINES &&
               state.frameCounter >= 0 && state.frameCounter < (1 << 30);
    }
};
}  // namespace

SectionEntry schedulerSnapshotSection() { return sectionEntry<InterruptTimingSection>("IT! "); }
