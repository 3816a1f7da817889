// What rewind and front-end save states cost: a frame of the demo disk for reference,
// the state written uncompressed (the libretro core's serialize), and a state put into
// the rewind ring (written, XORed with the state before it, packed and stored), by RAM
// size (the argument: 0 512 KB, 1 1 MB, 2 2 MB).
#include <benchmark/benchmark.h>

#include <vector>

#include "frontend/command_line.h"
#include "frontend/headless_runner.h"
#include "frontend/rewind_ring.h"
#include "frontend/startup.h"
#include "machine/machine.h"
#include "machine/snapshot.h"

namespace {

const std::string BUILT = std::string(QUARV_M68K_DIR) + "/../run/";

bool startDemo(int ramIndex) {
    ProgramOptions options;
    options.headless = true;
    options.romPath = BUILT + "QuarvDefault.ROM";
    options.diskPath = BUILT + "QuarvDefault.ST";
    options.ramIndex = ramIndex;
    options.clock = 1700000000;
    options.dataDir = ".";
    StartupSettings settings;
    settings.readConfig = false;
    settings.defaultSnapshot = false;
    if (programStartup(options, headlessPlatform, settings) != StartupResult::Ready) return false;
    for (int i = 0; i < 200; ++i) emulateFrame();
    return true;
}

void frame(benchmark::State& state) {
    if (!startDemo(int(state.range(0)))) return state.SkipWithError("the demo does not start");
    for (auto _ : state) emulateFrame();
    programShutdown(false, false);
}

void serializeUncompressed(benchmark::State& state) {
    if (!startDemo(int(state.range(0)))) return state.SkipWithError("the demo does not start");
    std::vector<uint8_t> file;
    file.reserve(snapshotMaxBytes());
    for (auto _ : state) {
        saveSnapshotToBuffer(file, false);
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["bytes"] = double(file.size());
    programShutdown(false, false);
}

// A frame runs between two states (outside the timing), so that each difference holds
// what one frame of the demo changes; ten frames change more, which the packed sizes
// of the ring's test show.
void ringCapture(benchmark::State& state) {
    if (!startDemo(int(state.range(0)))) return state.SkipWithError("the demo does not start");
    rewindStart(1, 600);
    long n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        emulateFrame();
        state.ResumeTiming();
        rewindFrameDone(++n);
    }
    state.counters["bytes_per_state"] = double(rewindBytesInUse()) / rewindStates();
    rewindStop();
    programShutdown(false, false);
}

}  // namespace

BENCHMARK(frame)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(serializeUncompressed)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(ringCapture)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
