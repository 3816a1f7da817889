// The frame scheduler's events: blanks, timers, keyboard and floppy interrupts, the frame
// end.
#include "scheduler_fixture.h"

#include "bus/event_log.h"
#include "bus/sound_logs.h"
#include "bus/video_event_log.h"
#include "peripherals/acia.h"
#include "peripherals/ikbd.h"

namespace {

TEST_F(Scheduler, BlankInterruptsKeepTheirPositionsAcrossFrames) {
    setMask(1);
    runFrames(3);
    for (int f = 0; f < 3; ++f) {
        EXPECT_EQ(takenAt(VBL_VECTOR, f), std::vector<int32_t>{VBL_CYCLE});
        auto hbl = takenAt(HBL_VECTOR, f);
        ASSERT_EQ(hbl.size(), size_t(FRAME_LINES));
        for (int k = 0; k < FRAME_LINES; ++k) EXPECT_EQ(hbl[k], FIRST_HBL_CYCLE + 512 * k);
    }
    EXPECT_EQ(scheduler.frameCounter, 333);  // from 330
}

TEST_F(Scheduler, ALostVerticalBlankDoesNotMoveTheNextOne) {
    setMask(4);  // the first frame's VBL stays pending, the second one's is lost
    runFrames(2);
    setMask(3);
    runFrames(1);
    EXPECT_EQ(takenAt(VBL_VECTOR, 2), (std::vector<int32_t>{0, VBL_CYCLE}));
}

TEST_F(Scheduler, FrameEndRebasesWhatRuns) {
    writeMfp(MFP_TACR, 0x07, 150000);
    writeMfp(MFP_TCDCR, 0x70, 150000);
    writeMfp(MFP_IERB, 0xDF, 150000);  // timer C stopped: not moved
    fdc.eventType = FDC_EVENT_MOTOR_OFF;
    fdc.eventTime = 5000000;
    int32_t dueA = hw.timerA.due;
    cpu.odometer = FRAME_CYCLES + 20;  // an instruction ran past the end
    scheduler.lineCounter = FRAME_LINES;
    EXPECT_EQ(serviceEvents(), -1);
    EXPECT_EQ(scheduler.nextEventKind, EVENT_FRAME_END);
    EXPECT_EQ(cpu.odometer, 20);
    EXPECT_EQ(hw.timerA.due, dueA - FRAME_CYCLES);
    EXPECT_EQ(hw.timerC.due, 0);
    EXPECT_EQ(fdc.eventTime, 5000000u - FRAME_CYCLES);
    EXPECT_EQ(scheduler.hblCycle, FIRST_HBL_CYCLE - FRAME_CYCLES);
    EXPECT_EQ(scheduler.aciaPollCycle, ACIA_POLL_CYCLES - FRAME_CYCLES);
    EXPECT_EQ(scheduler.vblCycle, VBL_CYCLE);
    EXPECT_EQ(scheduler.lineCounter, 0);
    EXPECT_EQ(scheduler.frameCounter, 331);

    // Timers without a due position (B counting lines, A measuring a pulse while its input
    // is inactive) stay put frame after frame instead of drifting towards an overflow.
    writeMfp(MFP_TBCR, 0x08);
    writeMfp(MFP_AER, 0x10);  // timer A's input active high; it is low
    writeMfp(MFP_TACR, 0x09);
    hw.timerA.due = hw.timerB.due = 0;
    for (int frames = 0; frames < 3; ++frames) {
        cpu.odometer = FRAME_CYCLES;
        EXPECT_EQ(serviceEvents(), -1);
    }
    EXPECT_EQ(hw.timerA.due, 0);
    EXPECT_EQ(hw.timerB.due, 0);
}

TEST_F(Scheduler, BudgetIsRoundedUpToTheFourCycleGridAndOverdueTimersCatchUp) {
    cpu.odometer = 1;
    EXPECT_EQ(serviceEvents(), 16);  // HBL at 16
    EXPECT_EQ(scheduler.nextEventKind, EVENT_HBL);

    scheduler.vblCycle = scheduler.hblCycle = 2 * FRAME_CYCLES;
    writeMfp(MFP_TDDR, 1);
    writeMfp(MFP_TCDCR, 0x01, 0);  // every 13 cycles; IMRB clear: expiries mark pending
    cpu.odometer = 100;
    EXPECT_EQ(serviceEvents(), -72);  // one period per call: due 26, (26 - 100 + 3) & ~3
    EXPECT_EQ(scheduler.nextEventKind, EVENT_TIMER_D);
    EXPECT_TRUE(hw.mfp[MFP_IPRB] & 0x10);
    int calls = 1;
    while (serviceEvents() <= 0) ++calls;
    EXPECT_EQ(calls + 1, 7);  // one call for each expiry: 13, 26, ..., 91
}

TEST_F(Scheduler, TimerBCountsTheDisplayedLines) {
    hw.mfp[MFP_IMRA] = 0x01;
    writeMfp(MFP_TBDR, 1);
    writeMfp(MFP_TBCR, 0x08);
    scheduler.frameCounter = 334;  // the second frame then has a jitter of its own
    runFrames(2);
    for (int f = 0; f < 2; ++f) {
        auto at = takenAt(0x48, f);
        ASSERT_EQ(at.size(), 200u) << "frame " << f;
        for (int k = 64; k <= 263; ++k) EXPECT_EQ(at[k - 64], lineEventPosition(334, f, k)) << "frame " << f << " line " << k;
    }
    hw.bottomBorderOpen = 1;  // counting goes on to the frame's end
    runFrames(1);
    EXPECT_EQ(takenAt(0x48, 2).size(), 250u);
}

TEST_F(Scheduler, ExpiriesUnderMaskSeven) {
    startTimerA();
    writeMfp(MFP_TCDR, 2);
    writeMfp(MFP_TDDR, 3);
    writeMfp(MFP_TCDCR, 0x11, 0);  // C every 26, D every 39; IMRB clear
    setMask(7);
    runUntil(130);
    EXPECT_GT(serviceEvents(), 0);
    EXPECT_TRUE(hw.mfp[MFP_IPRA] & 0x20);  // timer A marks pending
    EXPECT_EQ(hw.mfp[MFP_IPRB], 0);        // C and D leave no trace
    cpu.odometer += 4;
    serviceEvents();
    EXPECT_FALSE(hw.mfp[MFP_IPRA] & 0x20);  // and the pending request is dropped
    EXPECT_FALSE(cpu.interrupt[0] & (1 << 6));
    setMask(3);
    runUntil(170);
    EXPECT_EQ(hw.mfp[MFP_IPRB], 0x30);
}

TEST_F(Scheduler, RefusedMfpRequestStaysPendingAndIsRetried) {
    startTimerA();
    writeMfp(MFP_VR, 0x50);
    setMask(6);
    ASSERT_EQ(cpuRequestInterrupt(6, 0x44), 0);  // level 6 already waiting
    runUntil(130);
    EXPECT_GT(serviceEvents(), 0);
    EXPECT_TRUE(hw.mfp[MFP_IPRA] & 0x20);
    EXPECT_EQ(cpu.interrupt[6], 0x44);
    cpu.interrupt[0] &= uint8_t(~(1 << 6));  // the processor took the first one
    EXPECT_EQ(serviceEvents(), 0);
    EXPECT_EQ(cpu.interrupt[6], 0x5D);
    EXPECT_FALSE(hw.mfp[MFP_IPRA] & 0x20);
    EXPECT_EQ(scheduler.nextEventKind, EVENT_TIMER_A);
}

TEST_F(Scheduler, InServiceChannelsHoldBackLowerPriorities) {
    startTimerA();
    hw.mfp[MFP_IMRB] = 0x20;
    writeMfp(MFP_TCDR, 6);
    writeMfp(MFP_TCDCR, 0x10, 0);  // timer C at 78, 156, ...
    writeMfp(MFP_VR, 0x48);        // software end of interrupt
    hw.mfp[MFP_ISRB] = 0x10;       // timer D in service: below timer C, no hindrance
    scheduler.hblCycle = scheduler.vblCycle = 2 * FRAME_CYCLES;
    runUntil(140);
    EXPECT_EQ(takenAt(0x45).size() + takenAt(0x4D).size(), 2u);
    EXPECT_EQ(hw.mfp[MFP_ISRA], 0x20);
    EXPECT_EQ(hw.mfp[MFP_ISRB], 0x30);
    writeMfp(MFP_ISRB, 0xDF);  // timer C's service ends, timer A's goes on
    runUntil(160);
    EXPECT_EQ(takenAt(0x45).size(), 1u);
    EXPECT_TRUE(hw.mfp[MFP_IPRB] & 0x20);
    writeMfp(MFP_ISRA, 0xDF);
    runUntil(164);
    EXPECT_EQ(takenAt(0x45).size(), 2u);

    writeMfp(MFP_VR, 0x40);  // automatic end: nothing ever goes in service
    runUntil(2000);
    EXPECT_EQ(hw.mfp[MFP_ISRA] | hw.mfp[MFP_ISRB], 0);
    EXPECT_GT(takenAt(0x4D).size(), 10u);
}

TEST_F(Scheduler, KeyboardBytesArriveOnePerPollThroughChannel6) {
    ikbdQueueClear();
    ikbdQueuePut(0xF0);
    ikbdQueuePut(0x12);
    hw.mfp[MFP_IMRB] = 0x40;
    hw.mfp[MFP_GPIP] = 0xFF;
    hw.acia[ACIA_KEYBOARD_STATUS] = 0;
    hw.acia[ACIA_MIDI_STATUS] = 0x02;
    setMask(7);  // nothing is taken: the latch shows each request
    runUntil(ACIA_POLL_CYCLES);
    cpu.interrupt[0] = 0;
    EXPECT_EQ(serviceEvents(), 0);
    EXPECT_EQ(cpu.interrupt[6], 0x46);
    EXPECT_EQ(hw.acia[ACIA_KEYBOARD_DATA], 0xF0);
    EXPECT_EQ(hw.acia[ACIA_KEYBOARD_STATUS], 0x81);
    EXPECT_EQ(hw.acia[ACIA_MIDI_STATUS], 0x82);  // bit 7 of the byte
    EXPECT_EQ(hw.mfp[MFP_GPIP], 0xEF);
    runUntil(2 * ACIA_POLL_CYCLES);  // level 6 still waits: the second byte marks pending
    serviceEvents();
    EXPECT_EQ(hw.acia[ACIA_KEYBOARD_DATA], 0x12);
    EXPECT_EQ(hw.acia[ACIA_MIDI_STATUS], 0x02);
    EXPECT_TRUE(hw.mfp[MFP_IPRB] & 0x40);
}

TEST_F(Scheduler, FloppyCompletionInterruptsAndMotorOffWithdrawsIt) {
    hw.mfp[MFP_IMRB] = 0x80;
    fdc.eventType = FDC_EVENT_COMPLETION;
    fdc.eventTime = FRAME_CYCLES - 6;
    cpu.odometer = FRAME_CYCLES + 4;  // the instruction that crossed it also ended the frame
    ASSERT_EQ(serviceEvents(), -1);
    cpu.odometer = 4;
    scheduler.hblCycle = 2 * FRAME_CYCLES;
    EXPECT_EQ(serviceEvents(), 0);  // still due in the new frame
    EXPECT_EQ(cpu.interrupt[6], 0x47);
    EXPECT_EQ(scheduler.nextEventKind, EVENT_FDC);
    ASSERT_EQ(fdc.eventType, uint32_t(FDC_EVENT_MOTOR_OFF));

    hw.mfp[MFP_IPRB] = 0x80;  // a completion that was never taken
    fdc.eventTime = 8;
    cpu.odometer = 8;
    serviceEvents();
    EXPECT_EQ(fdc.eventType, uint32_t(FDC_EVENT_NONE));
    EXPECT_EQ(hw.mfp[MFP_IPRB], 0);
}

}  // namespace
