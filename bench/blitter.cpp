// The blitter's inner loop on a whole low-resolution screen (200 lines of 80 words),
// started through its registers and run to its end in HOG mode.
#include <benchmark/benchmark.h>

#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "bus/memory_map.h"
#include "cpu/cpu.h"
#include "machine/board_wiring.h"
#include "peripherals/blitter.h"

static void setRegister(int offset, uint16_t v) { ioWriteWord(0xFF8A00 + offset, v, nullptr, 0); }

static void screenBlit(benchmark::State& state, int op, int16_t sourceStep, uint16_t skew) {
    allocateHostMemory();
    buildAddressMaps();
    buildIoTables();
    hw.machineFlags = MACHINE_STE;
    setRegister(BLIT_SOURCE_X_INCREMENT, uint16_t(sourceStep));
    setRegister(BLIT_SOURCE_Y_INCREMENT, uint16_t(sourceStep));
    setRegister(BLIT_DEST_X_INCREMENT, 2);
    setRegister(BLIT_DEST_Y_INCREMENT, 2);
    for (int mask = BLIT_END_MASK_1; mask <= BLIT_END_MASK_3; mask += 2) setRegister(mask, 0xFFFF);
    setRegister(BLIT_X_COUNT, 80);
    setRegister(BLIT_HOP, uint16_t(0x0200 | op));
    for (auto _ : state) {
        setRegister(BLIT_SOURCE_ADDRESS, 0x0001), setRegister(BLIT_SOURCE_ADDRESS + 2, 0x0000);
        setRegister(BLIT_DEST_ADDRESS, 0x0007), setRegister(BLIT_DEST_ADDRESS + 2, 0x8000);
        setRegister(BLIT_Y_COUNT, 200);
        setRegister(BLIT_CONTROL, uint16_t((BLIT_BUSY | BLIT_HOG) << 8 | skew));
        while (blitterOwnsBus()) cpu.odometer += blitterRun(cpu.odometer, 1 << 30);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 16000);  // words
}

static void BM_BlitCopy(benchmark::State& state) { screenBlit(state, 3, 2, 0); }
static void BM_BlitXorSkewed(benchmark::State& state) { screenBlit(state, 6, 2, BLIT_FXSR | 5); }
static void BM_BlitFill(benchmark::State& state) { screenBlit(state, 15, 0, 0); }
BENCHMARK(BM_BlitCopy);
BENCHMARK(BM_BlitXorSkewed);
BENCHMARK(BM_BlitFill);
