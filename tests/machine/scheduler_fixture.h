#pragma once
// The frame scheduler driven as the main loop drives it: serviceEvents, then the
// processor spends the budget (here it only advances odometer) and takes the latched
// interrupts that its mask allows at once, as if every handler returned immediately.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "bus/hardware_state.h"
#include "bus/hardware_write_log.h"
#include "bus/io_dispatch.h"
#include "cpu/cpu.h"
#include "floppy/wd1772.h"
#include "machine/scheduler.h"
#include "peripherals/mfp.h"
#include "sound/dma_sound.h"
#include "support/test_machine.h"

inline constexpr int32_t LINE_EVENT_JITTER[33] = {0, 0, 0, 0, 4, 0, 4, 0, 0, 4, 0, 4, 0, 4, 0, 0, 4,
                                                  0, 4, 0, 4, 0, 0, 4, 0, 4, 0, 4, 0, 0, 4, 0, 4};

// Where line event k (the one that makes lineCounter k) falls in frame f of a run whose
// first frame started with frameCounter `first`: 432 + 512 (k - 1), plus the frame's
// jitter (none in the first frame) and the line's.
inline int32_t lineEventPosition(int first, int f, int k) {
    int32_t frameJitter = f == 0 ? 0 : LINE_EVENT_JITTER[(first + f - 1) % 33];
    return 432 + 512 * (k - 1) + frameJitter + LINE_EVENT_JITTER[(first + f - (k - 1)) % 33];
}
inline constexpr int HBL_VECTOR = 26, VBL_VECTOR = 28;

struct Interrupt {
    int frame;
    int32_t at;
    int vector;
};

inline void writeMfp(int reg, uint8_t value, int32_t stamp = 0) { ioWriteByte(0xFFFA00 + reg, value, nullptr, stamp); }

class Scheduler : public ::testing::Test {
protected:
    std::vector<Interrupt> taken;
    int frame = 0;

    // Also called again to start a table's next case afresh.
    void SetUp() override {
        taken.clear();
        frame = 0;
        setUpMemoryMap();
        for (int a = 1; a < 256; a += 2) hw.mfp[a] = 0;
        hw.timerA = hw.timerB = hw.timerC = hw.timerD = MfpTimerSchedule{};
        mfpReset();
        writeMfp(MFP_VR, 0x40);  // automatic end of interrupt
        hw.machineFlags = 0;
        hw.displayEnable = 0;
        hw.bottomBorderOpen = 0;
        fdc = FdcState{};
        scheduler = SchedulerState{};
        hardwareLogReset();  // the frame end closes and empties the frame's logs
        dmaSoundFrameStart();
        cpu.odometer = 0;
        std::memset(cpu.interrupt, 0, sizeof cpu.interrupt);
        busErrorPending = 0;  // left by a case's writes to what the STFM lacks
        setMask(3);
    }

    static void setMask(int mask) { cpu.sr = uint16_t(0x2000 | mask << 8); }
    static void startTimerA() {  // every 130 cycles, unmasked
        hw.mfp[MFP_IMRA] = 0x20;
        writeMfp(MFP_TADR, 10);
        writeMfp(MFP_TACR, 0x01, 0);
    }

    // Takes every pending level above the mask (level 7 always), highest first.
    void takeInterrupts() {
        for (int level = 7; level >= 1; --level) {
            if (!(cpu.interrupt[0] & (1 << level))) continue;
            if (level < 7 && level <= cpuInterruptMask()) break;
            cpu.interrupt[0] &= uint8_t(~(1 << level));
            taken.push_back({frame, cpu.odometer, cpu.interrupt[level]});
        }
    }

    // One call with the main loop's reaction: after a latched request the scheduler is
    // called again at once; otherwise the processor takes what it may at the start of
    // its run and spends the budget (at least one 4-cycle instruction, never past `end`).
    int32_t step(int32_t end = 1 << 30) {
        int32_t n = serviceEvents();
        if (n == -1) {
            ++frame;
        } else if (n != 0) {
            takeInterrupts();
            int32_t room = end - cpu.odometer;
            cpu.odometer += std::min(std::max(n, 4), std::max(room, 0));
        }
        return n;
    }

    void runUntil(int32_t end) {
        while (cpu.odometer < end) step(end);
    }

    void runFrames(int frames) {
        for (int target = frame + frames; frame < target;) step();
    }

    // Positions at which interrupts with this vector were taken in a frame (-1: any).
    std::vector<int32_t> takenAt(int vector, int inFrame = -1) const {
        std::vector<int32_t> out;
        for (const Interrupt& i : taken)
            if (i.vector == vector && (inFrame < 0 || i.frame == inFrame)) out.push_back(i.at);
        return out;
    }
};
