// A whole run's pictures are the same however they are drawn: every line of every frame;
// lines whose inputs did not change kept from the frame before; or only the frames whose
// picture is read, with others wanted and never read, or not wanted at all. Each way runs
// in a process of its own, forked from the same start, and hands back the fingerprint of
// each picture it read.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bus/machine_settings.h"
#include "frontend/run_loop.h"
#include "frontend/scripted_input.h"
#include "peripherals/ikbd.h"
#include "support/golden_output.h"
#include "support/test_machine.h"
#include "video/picture.h"
#include "video/renderer.h"

namespace {

enum class Drawing { EveryLine, KeptLines, SomeFrames };

// In the SomeFrames way: the frames read (not the first, which sets the programs' palettes
// up), and the frames wanted besides them.
bool readAt(int frame) { return frame % 11 == 10 || frame % 17 == 9; }
bool wantedAt(int frame) { return readAt(frame) || frame % 3 == 1; }

struct DrawingRun {
    const char* name;
    TestMachineSetup setup;
    int frames;
    std::string keys;       // a key script (the mouse on the desktop)
    uint32_t softwareMode;  // line output: 0 Normal, 1 Half, 2 Interlace, 3 Blend
};

std::vector<uint64_t> picturesOf(const DrawingRun& run, Drawing drawing) {
    std::vector<uint64_t> prints;
    WorkingDirectory in(makeTempDir(std::string("drawing_") + run.name));
    startTestMachine(run.setup);
    std::string error;
    if (runState != RUN_STATE_RUNNING || (!run.keys.empty() && !scriptParseKeys(run.keys, error))) return prints;
    machineSettings.softwareMode = run.softwareMode;
    keepUnchangedLines = drawing != Drawing::EveryLine;
    for (int i = 0; i < run.frames; ++i) {
        bool some = drawing == Drawing::SomeFrames;
        setFramePictureWanted(!some || wantedAt(i));
        runTestFrames(1);
        prints.push_back(!some || readAt(i) ? fingerprint(framePicture(), FRAME_WIDTH * FRAME_HEIGHT * 2) : 0);
    }
    stopTestMachine();
    return prints;
}

// A child process running `work`; its results come back through a pipe.
struct Child {
    pid_t pid;
    int pipe;
};
Child start(const std::function<std::vector<uint64_t>()>& work) {
    int fds[2];
    if (::pipe(fds) != 0) return {-1, -1};
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::vector<uint64_t> v = work();
        size_t bytes = v.size() * sizeof v[0];
        const char* p = reinterpret_cast<const char*>(v.data());
        while (bytes > 0) {
            ssize_t n = ::write(fds[1], p, bytes);
            if (n <= 0) break;
            p += n, bytes -= size_t(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    return {pid, fds[0]};
}
std::vector<uint64_t> results(Child c) {
    std::vector<uint64_t> v;
    uint64_t value;
    size_t have = 0;
    char* p = reinterpret_cast<char*>(&value);
    for (ssize_t n; c.pipe >= 0 && (n = ::read(c.pipe, p + have, sizeof value - have)) > 0;)
        if ((have += size_t(n)) == sizeof value) v.push_back(value), have = 0;
    if (c.pipe >= 0) ::close(c.pipe);
    if (c.pid > 0) ::waitpid(c.pid, nullptr, 0);
    return v;
}

void expectSamePictures(const DrawingRun& run) {
    Child every = start([&] { return picturesOf(run, Drawing::EveryLine); });
    Child kept = start([&] { return picturesOf(run, Drawing::KeptLines); });
    Child some = start([&] { return picturesOf(run, Drawing::SomeFrames); });
    std::vector<uint64_t> reference = results(every), keptPrints = results(kept), somePrints = results(some);
    ASSERT_EQ(reference.size(), size_t(run.frames)) << "the run did not start";
    ASSERT_EQ(keptPrints.size(), reference.size());
    ASSERT_EQ(somePrints.size(), reference.size());
    for (int i = 0; i < run.frames; ++i) {
        ASSERT_EQ(keptPrints[i], reference[i]) << "kept lines, frame " << i;
        if (readAt(i)) ASSERT_EQ(somePrints[i], reference[i]) << "some frames drawn, frame " << i;
    }
}

std::string builtFile(const char* name) { return std::string(QUARV_BINARY_DIR) + "/run/" + name; }
const std::string SHARED = QUARV_SHARED_DIR;
const std::string EMUTOS_192 = SHARED + "/emutos/etos192uk.img", EMUTOS_256 = SHARED + "/emutos/etos256uk.img";
const std::string EXTRA5 = SHARED + "/st-software/extra5/EXTRA5.st";

// The demo disk's bars change on every line of every frame, around a static part; a key
// changes the colours.
TEST(PictureDrawing, DemoDisk) {
    const TestMachineSetup stfm{builtFile("QuarvDefault.ROM"), builtFile("QuarvDefault.ST"), false};
    TestMachineSetup ste = stfm;
    ste.ste = true;
    for (const DrawingRun& run : {DrawingRun{"demo_stfm", stfm, 300, "120:SPACE 220:SPACE", 1}, DrawingRun{"demo_ste_blend", ste, 300, "150:SPACE", 3},
                           DrawingRun{"demo_interlace", stfm, 120, "60:SPACE", 2}, DrawingRun{"demo_normal", ste, 200, "", 0}}) {
        SCOPED_TRACE(run.name);
        expectSamePictures(run);
    }
}

// The test programs: STE scrolling and counter writes, borders, resolutions, rasters.
TEST(PictureDrawing, TestPrograms) {
    for (const char* program : {"video_ste_scroll", "video_ste_counter", "video_line_borders", "video_vertical_borders",
                                "video_medium_res", "video_raster_bars", "video_mid_line_palette", "sound_dma_stereo"}) {
        SCOPED_TRACE(program);
        expectSamePictures({program, {m68kProgramPath(program), "", true}, 40, "", 1});
    }
}

// EmuTOS draws its desktop and the mouse pointer moves over it; the STE's blitter draws.
TEST(PictureDrawing, EmuTosDesktopWithTheMouse) {
    std::string keys = "1300:move(-60,-40) 1310:move(30,70) 1330:LMB 1340:move(100,-20) 1360:move(-5,5)";
    for (const auto& [name, rom, ste] : {std::tuple{"emutos_stfm", EMUTOS_192, false}, {"emutos_ste", EMUTOS_256, true}}) {
        SCOPED_TRACE(name);
        SKIP_WITHOUT_SHARED_DATA(std::filesystem::exists(rom), "EmuTOS at " + rom);
        expectSamePictures({name, {rom, "", ste}, 1400, keys, 1});
    }
}

// A demo menu on the STE: DMA sound, its own rasters and scroller.
TEST(PictureDrawing, Extra5OnTheSte) {
    SKIP_WITHOUT_SHARED_DATA(std::filesystem::exists(EMUTOS_256), "EmuTOS at " + EMUTOS_256);
    SKIP_WITHOUT_SHARED_DATA(std::filesystem::exists(EXTRA5), "EXTRA5 at " + EXTRA5);
    expectSamePictures({"extra5", {EMUTOS_256, EXTRA5, true}, 1800, "", 1});
}

}  // namespace
