// The sound path of one frame: YM2149 synthesis alone, and the whole MixFrame with the
// chip, an STE DMA stereo stream and the drive sounds. One frame is 20 ms of emulated
// time, so real-time factor = 20 ms / time per frame.
#include <benchmark/benchmark.h>

#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "bus/memory_map.h"
#include "bus/sound_logs.h"
#include "frontend/config.h"
#include "machine/board_wiring.h"
#include "sound/dma_sound.h"
#include "sound/drive_sounds.h"
#include "sound/lmc1992.h"
#include "sound/mixer.h"
#include "sound/ym2149.h"

namespace {

// Three tones, noise on channel B and the envelope on channel C, with a few register
// changes spread over the frame as a music player makes them.
void setUpBusyChip(Ym2149& chip) {
    const uint8_t registers[YM_REGISTERS] = {0x1C, 0x01, 0xEF, 0x00, 0x77, 0x02, 0x0C, 0x28, 0x0F, 0x0C, 0x10, 0x40, 0x00, 0x0E};
    ymApplyRegisters(chip, registers);
}

void fillFrameLog(SoundLogEntry* log) {
    constexpr int WRITES = 7;
    for (int i = 0; i < WRITES; ++i) log[i] = {20000, 8, uint32_t(14 - i)};  // every 20000 cycles
    log[WRITES] = {YM_LOG_END, 0, 0};
}

void YmFrame(benchmark::State& state) {
    static Ym2149 chip;
    ymConstruct(chip, YM_MASTER_CLOCK, YM_CLOCK_DIVIDER, YM_REPLAY_RATE);
    setUpBusyChip(chip);
    static SoundLogEntry log[16];
    static int32_t mix[MIX_BUFFER_SAMPLES];
    fillFrameLog(log);
    for (auto _ : state) {
        ymSynthesiseFrame(chip, log, mix, FRAME_SOUND_SAMPLES);
        benchmark::DoNotOptimize(mix[FRAME_SOUND_SAMPLES - 1]);
    }
    state.counters["realtime_x"] = benchmark::Counter(0.02 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(YmFrame);

// The frame end's whole sound work: DMA frame end (1001 stereo samples fetched), the
// mix of chip, drive and DMA sound through the LMC1992 (flat, or with bass, treble and
// volumes set) with the low-pass, and the next frame's reset.
void WholeSoundFrame(benchmark::State& state) {
    allocateHostMemory();
    buildAddressMaps();
    buildIoTables();
    hw.machineFlags = MACHINE_STE;
    for (uint32_t a = 0x10000; a < 0x20000; ++a) hw.ram[a] = uint8_t(a * 13);
    ymWriteLogReset();
    dmaSoundReset();
    dmaSoundFrameStart();
    setUpBusyChip(ymChip);
    machineSettings.ymSound = machineSettings.diskSound = machineSettings.dacSound = machineSettings.lowPass = 1;
    machineSettings.fastDisk = 0;
    const uint32_t dmaSetUp[][2] = {{0xFF8903, 0x01}, {0xFF8905, 0x00}, {0xFF8907, 0x00}, {0xFF890F, 0x01},
                                    {0xFF8911, 0xF0}, {0xFF8913, 0x00}, {0xFF8921, 0x03}, {0xFF8901, 0x03}};
    for (auto [address, value] : dmaSetUp) ioWriteByte(address, value, nullptr, 0);
    startDriveSound(DriveSound::MotorStarting);
    lmc1992PowerOn();
    if (state.range(0)) lmc1992Restore({{1, 9, 3, 36, 18, 14}, {}, -1, 0});
    for (auto _ : state) {
        fillFrameLog(YmWriteLog);
        dmaSoundFrameEnd();
        MixFrame(FRAME_SOUND_SAMPLES);
        ymWriteLogReset();
        dmaSoundFrameStart();
        lmc1992FrameStart();
        benchmark::DoNotOptimize(OutputBuffer[2 * FRAME_SOUND_SAMPLES - 1]);
    }
    state.counters["realtime_x"] = benchmark::Counter(0.02 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(WholeSoundFrame)->Arg(0)->Arg(1);

}  // namespace
