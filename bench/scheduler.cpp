// The scheduler's own cost over a frame, with the processor reduced to advancing its
// cycle position and taking every latched interrupt at once. The frame end (picture and
// sound) is left out: it belongs to the video and sound benchmarks.
#include <benchmark/benchmark.h>

#include <cstring>

#include "bus/event_log.h"
#include "bus/hardware_state.h"
#include "cpu/cpu.h"
#include "machine/scheduler.h"
#include "peripherals/mfp.h"

namespace {

// Idle: only the blanks and the line events. Busy: timers A-D running and timer B
// interrupting on every displayed line, as a raster demo with music would.
void setUpMfp(bool busy) {
    mfpReset();
    hw.mfp[MFP_VR] = 0x40;
    if (!busy) return;
    hw.mfp[MFP_IMRA] = 0x21;
    hw.mfp[MFP_IMRB] = 0x30;
    hw.mfp[MFP_TBDR] = 1;
    hw.mfp[MFP_TBCR] = 0x08;
    startTimerB(0x08, 0);
    hw.mfp[MFP_TADR] = 0;
    hw.mfp[MFP_TACR] = 0x01;
    startTimerA(0x01, 0);
    hw.mfp[MFP_TCDCR] = 0x51;
    startTimerC(0x51, 0);
    startTimerD(0x51, 0);
}

void runFrame(benchmark::State& state, bool busy) {
    int64_t calls = 0;
    for (auto _ : state) {
        scheduler = SchedulerState{};
        setUpMfp(busy);
        hw.displayEnable = 0;
        cpu.odometer = 0;
        cpu.sr = 0x2100;
        std::memset(cpu.interrupt, 0, sizeof cpu.interrupt);
        while (cpu.odometer < FRAME_CYCLES - LINE_CYCLES) {
            int32_t n = serviceEvents();
            ++calls;
            if (n == 0) continue;
            cpu.interrupt[0] = 0;
            cpu.odometer += n > 4 ? n : 4;
        }
    }
    state.counters["calls/frame"] = benchmark::Counter(double(calls) / double(state.iterations()));
}

void BM_ServiceEventsIdleFrame(benchmark::State& state) { runFrame(state, false); }
void BM_ServiceEventsBusyFrame(benchmark::State& state) { runFrame(state, true); }

}  // namespace

BENCHMARK(BM_ServiceEventsIdleFrame);
BENCHMARK(BM_ServiceEventsBusyFrame);
