// RenderFrame of a whole frame: without events, and with a palette change every 16
// cycles on every displayed line, in the "Half (fastest)" and "Normal" line modes; each
// line drawn, or a frame without events unchanged from the last one drawn (every line
// kept).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "bus/hardware_state.h"
#include "bus/video_event_log.h"
#include "frontend/config.h"
#include "video/renderer.h"
#include "video/shifter.h"

namespace {

constexpr int FIRST_DISPLAY_LINE = 63;
constexpr int DISPLAY_LINES = 200;

std::vector<uint32_t> frame(PICTURE_SLOTS * 600);

void prepareFrame(bool paletteChanges) {
    buildColourTables();
    hw.topBorderOpen = hw.bottomBorderOpen = 0;
    rendererResolution = 0;
    std::mt19937 random(1);
    std::generate_n(ScreenCopy, SCREEN_COPY_BYTES, [&] { return uint8_t(random()); });
    videoEventLogReset();
    for (int i = 0; i < 16; ++i) videoEventRecord(0, VIDEO_EVENT_PALETTE + 2 * i, uint32_t(i * 0x111));
    if (paletteChanges)
        for (int line = FIRST_DISPLAY_LINE; line < FIRST_DISPLAY_LINE + DISPLAY_LINES; ++line)
            for (int pos = 0; pos < LINE_CYCLES; pos += 16)
                videoEventRecord(line * LINE_CYCLES + pos, VIDEO_EVENT_PALETTE + 2 * ((pos / 16) & 15),
                                 uint32_t(random() & 0xFFF));
    videoEventLogClose();
}

void renderFrames(benchmark::State& state, bool paletteChanges, bool unchanged = false) {
    machineSettings.softwareMode = uint32_t(state.range(0));
    prepareFrame(paletteChanges);
    for (auto _ : state) {
        if (!unchanged) forgetDrawnLines();
        RenderFrame(reinterpret_cast<uint8_t*>(frame.data()), shifterFrameVideo(), PICTURE_SLOTS * 4);
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetItemsProcessed(state.iterations());  // frames
    state.SetLabel(state.range(0) == 1 ? "Half (fastest)" : "Normal");
}

void BM_RenderFrameWithoutEvents(benchmark::State& state) { renderFrames(state, false); }
void BM_RenderFramePaletteEvery16Cycles(benchmark::State& state) { renderFrames(state, true); }
void BM_RenderFrameUnchanged(benchmark::State& state) { renderFrames(state, false, true); }

}  // namespace

BENCHMARK(BM_RenderFrameWithoutEvents)->Arg(1)->Arg(0);
BENCHMARK(BM_RenderFramePaletteEvery16Cycles)->Arg(1)->Arg(0);
BENCHMARK(BM_RenderFrameUnchanged)->Arg(1)->Arg(0);
