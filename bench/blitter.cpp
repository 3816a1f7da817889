// The blitter's inner loop on a whole low-resolution screen (200 lines of 80 words).
#include <benchmark/benchmark.h>

#include "machine/hardware_state.h"
#include "machine/memory_map.h"
#include "peripherals/blitter.h"

static void setWord(int offset, uint32_t v) {
    hw.blitter[offset] = uint8_t(v >> 8);
    hw.blitter[offset + 1] = uint8_t(v);
}

static void screenBlit(benchmark::State& state, int op, int16_t sourceStep) {
    allocateHostMemory();
    setWord(BLIT_SOURCE_ADDRESS, 0x0001), setWord(BLIT_SOURCE_ADDRESS + 2, 0x0000);
    setWord(BLIT_DEST_ADDRESS, 0x0007), setWord(BLIT_DEST_ADDRESS + 2, 0x8000);
    setWord(BLIT_SOURCE_X_INCREMENT, uint16_t(sourceStep));
    setWord(BLIT_SOURCE_Y_INCREMENT, uint16_t(sourceStep));
    setWord(BLIT_DEST_X_INCREMENT, 2), setWord(BLIT_DEST_Y_INCREMENT, 2);
    setWord(BLIT_X_COUNT, 80), setWord(BLIT_Y_COUNT, 200);
    hw.blitter[BLIT_OP] = uint8_t(op);
    for (auto _ : state) {
        runBlit();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 16000);  // words
}

static void BM_BlitCopy(benchmark::State& state) { screenBlit(state, 3, 2); }
static void BM_BlitXor(benchmark::State& state) { screenBlit(state, 6, 2); }
static void BM_BlitFill(benchmark::State& state) { screenBlit(state, 15, 0); }
BENCHMARK(BM_BlitCopy);
BENCHMARK(BM_BlitXor);
BENCHMARK(BM_BlitFill);
