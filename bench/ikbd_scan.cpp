// The keyboard processor's scan, which runs 16 times in every emulated frame.
#include <benchmark/benchmark.h>

#include "peripherals/ikbd.h"
#include "peripherals/input.h"

// A frame's 16 scans with nothing pressed or moved: the usual case.
static void BM_IkbdScanFrameIdle(benchmark::State& state) {
    for (auto _ : state)
        for (int scan = 0; scan < 16; ++scan) IkbdScan();
    state.SetItemsProcessed(state.iterations() * 16);
}
BENCHMARK(BM_IkbdScanFrameIdle);
