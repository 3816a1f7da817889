// The 68000 core on a realistic instruction mix from RAM, through the machine's own
// address tables: emulated cycles and instructions per host second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "bus/memory_map.h"
#include "cpu/cpu.h"
#include "machine/board_wiring.h"

namespace {
constexpr uint32_t PROGRAM = 0x20000;  // cpu_bench.s is linked here
constexpr int32_t FRAME = 160256;

bool setUpMachine() {
    if (!allocateHostMemory()) return false;
    buildAddressMaps();
    buildIoTables();
    setScreenWindow(0x3F0000);  // the program never writes to the recorded screen
    cpuSetMaps({FetchMap, ReadByteMap, ReadWordMap, WriteByteMap, WriteWordMap});
    cpuBuildDispatchTable();
    std::ifstream in(QUARV_M68K_DIR "/cpu_bench.bin", std::ios::binary);
    std::vector<uint8_t> program(std::istreambuf_iterator<char>(in), {});
    if (program.empty()) return false;
    stCopyFromFileOrder(hw.ram + PROGRAM, program.data(), uint32_t(program.size()));
    stWriteLong(hw.ram, 0, 0x30000);  // initial SSP
    stWriteLong(hw.ram, 4, PROGRAM);  // initial PC
    return cpuReset() == 0;
}

void CpuInstructionMix(benchmark::State& state) {
    if (!setUpMachine()) {
        state.SkipWithError("cpu_bench.bin or host memory missing");
        return;
    }
    // The mix's cycles per instruction, counted one instruction at a time.
    int64_t stepCycles = 0;
    constexpr int STEPS = 200000;
    for (int i = 0; i < STEPS; ++i) stepCycles += cpuStepInstruction();
    double instructionsPerCycle = double(STEPS) / double(stepCycles);

    int64_t cycles = 0;
    for (auto _ : state) {
        cpu.odometer = 0;
        if (cpuRun(FRAME) != RUN_OK) {
            state.SkipWithError("the program left RAM");
            return;
        }
        cycles += cpu.odometer;
    }
    state.counters["cycles/s"] = benchmark::Counter(double(cycles), benchmark::Counter::kIsRate);
    state.counters["instructions/s"] =
        benchmark::Counter(double(cycles) * instructionsPerCycle, benchmark::Counter::kIsRate);
    state.counters["x real ST"] = benchmark::Counter(double(cycles) / 8021247.0, benchmark::Counter::kIsRate);
}
BENCHMARK(CpuInstructionMix)->Unit(benchmark::kMillisecond);
}  // namespace
