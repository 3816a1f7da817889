// A libretro front end of our own: it loads quarv_libretro.so with dlopen and drives it
// through the libretro API only, as RetroArch and other front ends do.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "libretro/libretro_api.h"
#include "support/golden_output.h"
#include "support/test_machine.h"
#include "video/picture.h"

namespace {

// The entry points a front end resolves.
#define CORE_ENTRIES(X)                                                                                          \
    X(retro_set_environment) X(retro_set_video_refresh) X(retro_set_audio_sample) X(retro_set_audio_sample_batch) \
    X(retro_set_input_poll) X(retro_set_input_state) X(retro_init) X(retro_deinit) X(retro_api_version)          \
    X(retro_get_system_info) X(retro_get_system_av_info) X(retro_reset) X(retro_run) X(retro_serialize_size)     \
    X(retro_serialize) X(retro_unserialize) X(retro_load_game) X(retro_unload_game) X(retro_get_region)          \
    X(retro_get_memory_data) X(retro_get_memory_size)

struct Core {
    void* library = nullptr;
#define DECLARE(name) decltype(&::name) name = nullptr;
    CORE_ENTRIES(DECLARE)
#undef DECLARE
};

struct FrontEnd {
    std::string systemFolder;
    std::map<std::string, std::string> options;
    bool optionsChanged = false;
    retro_pixel_format format = RETRO_PIXEL_FORMAT_0RGB1555;
    retro_disk_control_callback disks{};
    retro_keyboard_event_t keyboard = nullptr;
    std::vector<std::string> declaredOptions, log;
    std::vector<uint16_t> picture;
    retro_game_geometry geometry{};  // the last SET_GEOMETRY
    int geometryChanges = 0;
    unsigned width = 0, height = 0;
    size_t pitch = 0;
    std::vector<int16_t> left, right;  // the samples of each channel
    size_t lastBatch = 0;
    int audioVideo = -1;  // the answer to GET_AUDIO_VIDEO_ENABLE; -1: the front end does not know it
    int pictures = 0;     // pictures received
};
FrontEnd fe;

void logLine(retro_log_level, const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    fe.log.push_back(text);
}

bool environment(unsigned cmd, void* data) {
    switch (cmd) {
    case RETRO_ENVIRONMENT_SET_PIXEL_FORMAT:
        fe.format = *static_cast<retro_pixel_format*>(data);
        return true;
    case RETRO_ENVIRONMENT_GET_SYSTEM_DIRECTORY:
        *static_cast<const char**>(data) = fe.systemFolder.c_str();
        return true;
    case RETRO_ENVIRONMENT_SET_VARIABLES:
        for (auto* v = static_cast<const retro_variable*>(data); v->key; ++v) fe.declaredOptions.push_back(v->key);
        return true;
    case RETRO_ENVIRONMENT_GET_VARIABLE: {
        auto* v = static_cast<retro_variable*>(data);
        auto it = fe.options.find(v->key);
        v->value = it == fe.options.end() ? nullptr : it->second.c_str();
        return v->value != nullptr;
    }
    case RETRO_ENVIRONMENT_GET_VARIABLE_UPDATE:
        *static_cast<bool*>(data) = fe.optionsChanged;
        fe.optionsChanged = false;
        return true;
    case RETRO_ENVIRONMENT_SET_DISK_CONTROL_INTERFACE:
        fe.disks = *static_cast<retro_disk_control_callback*>(data);
        return true;
    case RETRO_ENVIRONMENT_SET_KEYBOARD_CALLBACK:
        fe.keyboard = static_cast<retro_keyboard_callback*>(data)->callback;
        return true;
    case RETRO_ENVIRONMENT_GET_LOG_INTERFACE:
        static_cast<retro_log_callback*>(data)->log = logLine;
        return true;
    case RETRO_ENVIRONMENT_SET_GEOMETRY:
        fe.geometry = *static_cast<retro_game_geometry*>(data);
        ++fe.geometryChanges;
        return true;
    case RETRO_ENVIRONMENT_GET_AUDIO_VIDEO_ENABLE:
        if (fe.audioVideo < 0) return false;
        *static_cast<int*>(data) = fe.audioVideo;
        return true;
    case RETRO_ENVIRONMENT_SET_SUPPORT_NO_GAME:
    case RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS:
        return true;
    default:
        return false;
    }
}

// The picture without padding, width x height.
void video(const void* data, unsigned width, unsigned height, size_t pitch) {
    fe.width = width, fe.height = height, fe.pitch = pitch;
    ++fe.pictures;
    fe.picture.clear();
    for (unsigned y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<const uint16_t*>(static_cast<const uint8_t*>(data) + y * pitch);
        fe.picture.insert(fe.picture.end(), row, row + width);
    }
}
size_t audioBatch(const int16_t* data, size_t frames) {
    for (size_t i = 0; i < frames; ++i) {
        fe.left.push_back(data[2 * i]);
        fe.right.push_back(data[2 * i + 1]);
    }
    fe.lastBatch = frames;
    return frames;
}

std::string builtFile(const char* name) { return std::string(QUARV_BINARY_DIR) + "/" + name; }

class LibretroCore : public testing::Test {
protected:
    Core core;

    void SetUp() override {
        core.library = dlopen(builtFile("quarv_libretro.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(core.library, nullptr) << dlerror();
#define RESOLVE(name)                                                              \
    core.name = reinterpret_cast<decltype(core.name)>(dlsym(core.library, #name)); \
    ASSERT_NE(core.name, nullptr) << #name;
        CORE_ENTRIES(RESOLVE)
#undef RESOLVE
        fe = FrontEnd{};
        fe.systemFolder = makeTempDir("libretro_system");
        core.retro_set_environment(environment);
        core.retro_set_video_refresh(video);
        core.retro_set_audio_sample_batch(audioBatch);
        core.retro_set_input_poll([] {});
        core.retro_set_input_state([](unsigned, unsigned, unsigned, unsigned) -> int16_t { return 0; });
        core.retro_init();
    }
    void TearDown() override {
        if (!core.library) return;
        core.retro_unload_game();
        core.retro_deinit();
        dlclose(core.library);
    }

    bool load(const char* path) {
        retro_game_info game = {path, nullptr, 0, nullptr};
        return core.retro_load_game(path ? &game : nullptr);
    }
    uint64_t runFrames(int n) {
        for (int i = 0; i < n; ++i) core.retro_run();
        return fingerprint(fe.picture.data(), fe.picture.size() * 2);
    }
    // A second start in the same process, as a front end that loads another game does.
    void restart() {
        core.retro_unload_game();
        core.retro_deinit();
        core.retro_init();
    }
};

// A PAL monitor's pixels: 8 MHz low-resolution pixels against 7.375 MHz square ones.
float palAspect(unsigned lowResolutionWidth, unsigned lines) { return lowResolutionWidth * 7.375f / 8 / lines; }

// The doubled picture of the whole area is the window's 800 x 600 picture with each line
// on both of its rows: with the second rows blanked it is the headless machine's frame.
TEST_F(LibretroCore, DescribesItselfAndShowsTheFramesOfTheHeadlessMachine) {
    retro_system_info info{};
    core.retro_get_system_info(&info);
    EXPECT_STREQ(info.valid_extensions, "st|msa|dim|fdi|zip|prg|tos|ttp|app");
    EXPECT_TRUE(info.need_fullpath);
    EXPECT_EQ(fe.declaredOptions, (std::vector<std::string>{"quarv_machine", "quarv_ram", "quarv_tos", "quarv_fast_disk",
                                                            "quarv_borders", "quarv_doubled"}));

    // Without a game: the built-in ROM boots the demo disk, as `quarv --headless` does.
    fe.options = {{"quarv_tos", "built-in ROM"}, {"quarv_borders", "full overscan"}, {"quarv_doubled", "enabled"}};
    ASSERT_TRUE(load(nullptr)) << (fe.log.empty() ? "" : fe.log.back());
    retro_system_av_info av{};
    core.retro_get_system_av_info(&av);
    EXPECT_EQ(av.geometry.base_width, 800u);
    EXPECT_EQ(av.geometry.base_height, 600u);
    EXPECT_FLOAT_EQ(av.geometry.aspect_ratio, palAspect(400, 300));
    EXPECT_NEAR(av.timing.fps, 8021247.0 / 160256, 1e-9);
    EXPECT_EQ(av.timing.sample_rate, 44100.0);
    EXPECT_EQ(fe.format, RETRO_PIXEL_FORMAT_RGB565);
    EXPECT_NE(fe.keyboard, nullptr);
    EXPECT_EQ(core.retro_get_memory_size(RETRO_MEMORY_SYSTEM_RAM), 0x200000u);
    EXPECT_NE(core.retro_get_memory_data(RETRO_MEMORY_SYSTEM_RAM), nullptr);
    for (int i = 0; i < 6; ++i) {
        runFrames(50);
        ASSERT_EQ(fe.picture.size(), size_t(FRAME_WIDTH) * FRAME_HEIGHT);
        int darkRows = 0;
        for (int y = 1; y < FRAME_HEIGHT; y += 2) {
            uint16_t* row = &fe.picture[size_t(y) * FRAME_WIDTH];
            darkRows += !std::equal(row, row + FRAME_WIDTH, row - FRAME_WIDTH);
            std::fill(row, row + FRAME_WIDTH, 0);
        }
        EXPECT_EQ(darkRows, 0) << "after frame " << 50 * (i + 1);
        EXPECT_EQ(fingerprint(fe.picture.data(), fe.picture.size() * 2), DEMO_DISK_STFM.pictures[i])
            << "after frame " << 50 * (i + 1);
        EXPECT_EQ(fe.lastBatch, 881u);
    }
    EXPECT_EQ(fe.pitch, 1600u);
    EXPECT_EQ(fe.geometryChanges, 0);
    ASSERT_EQ(fe.left.size(), 300u * 881);
    EXPECT_EQ(fingerprint(fe.left.data(), fe.left.size() * 2), DEMO_DISK_STFM.samples);
    EXPECT_TRUE(fe.left == fe.right) << "the STFM's sound is the same on both sides";
}

// A stereo DMA sample on the STE keeps its sides: the program's pairs hold 48 on the left
// and -64 on the right, which it turns down 20 dB through the microwire.
TEST_F(LibretroCore, TheSteSendsStereoDmaSoundOnItsTwoSides) {
    std::filesystem::copy_file(m68kProgramPath("sound_dma_stereo"), fe.systemFolder + "/tos.img");
    fe.options = {{"quarv_machine", "STE"}};
    ASSERT_TRUE(load(nullptr)) << (fe.log.empty() ? "" : fe.log.back());
    runFrames(5);
    fe.left.clear();
    fe.right.clear();
    runFrames(5);
    EXPECT_EQ(fe.left, std::vector<int16_t>(5 * 881, 48 * 128));
    EXPECT_EQ(fe.right, std::vector<int16_t>(5 * 881, -819));
}

// Beside the headless machine running the same ROM: at the machine's own resolution the
// core's picture is the 800 x 600 picture with every other row and, in low resolution,
// every other column, cropped to the borders chosen; the geometry says so.
TEST_F(LibretroCore, NativePicturesAreTheWindowPictureDownsampledAndCropped) {
    std::string folder = makeTempDir("libretro_native");
    const struct {
        const char* program;
        const char* borders;
        const char* doubled;
        unsigned width, height;
        int x, y;  // the crop's first slot and line in the 400 x 300 area
        unsigned lowWidth, lines;
    } cases[] = {
        {"", "normal", "disabled", 384, 288, 12, 0, 384, 288},
        {"", "full overscan", "disabled", 400, 300, 0, 0, 400, 300},
        {"", "none", "disabled", 320, 200, 44, 42, 320, 200},
        {"", "none", "enabled", 640, 400, 44, 42, 320, 200},
        {"video_medium_res", "normal", "disabled", 768, 288, 12, 0, 384, 288},
        {"video_medium_res", "normal", "enabled", 768, 576, 12, 0, 384, 288},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.program) + " " + c.borders + (c.doubled[0] == 'e' ? " doubled" : ""));
        restart();
        std::string rom = *c.program ? m68kProgramPath(c.program) : builtFile("run/QuarvDefault.ROM");
        std::filesystem::remove(fe.systemFolder + "/tos.img");
        std::filesystem::copy_file(rom, fe.systemFolder + "/tos.img");
        fe.options = {{"quarv_borders", c.borders}, {"quarv_doubled", c.doubled}};
        bool doubled = c.doubled[0] == 'e';
        fe.geometryChanges = 0;
        ASSERT_TRUE(load(builtFile("run/QuarvDefault.ST").c_str()));
        retro_system_av_info av{};
        core.retro_get_system_av_info(&av);
        EXPECT_FLOAT_EQ(av.geometry.aspect_ratio, palAspect(c.lowWidth, c.lines));
        EXPECT_EQ(av.geometry.max_width, 800u);
        EXPECT_EQ(av.geometry.max_height, 600u);

        {
            WorkingDirectory in(folder);
            startTestMachine({rom, builtFile("run/QuarvDefault.ST"), false, 2, false});
        }
        for (int frames : {30, 70}) {
            runFrames(frames);
            runTestFrames(frames);
            ASSERT_EQ(fe.width, c.width);
            ASSERT_EQ(fe.height, c.height);
            const uint16_t* window = framePicture();
            int step = c.width == c.lowWidth ? 2 : 1;
            int differences = 0;
            for (unsigned y = 0; y < c.height; ++y)
                for (unsigned x = 0; x < c.width; ++x) {
                    int line = c.y + int(doubled ? y / 2 : y);
                    uint16_t want = window[size_t(2 * line) * FRAME_WIDTH + 2 * c.x + x * step];
                    differences += fe.picture[y * c.width + x] != want;
                }
            EXPECT_EQ(differences, 0) << "after " << frames << " more frames";
        }
        stopTestMachine();
        // Low resolution until a frame shows medium: then the front end learns the new
        // size once (the doubled picture is as wide in both).
        unsigned scale = doubled ? 2 : 1;
        EXPECT_EQ(av.geometry.base_width, c.lowWidth * scale);
        EXPECT_EQ(av.geometry.base_height, c.lines * scale);
        bool resized = c.width != c.lowWidth * scale;
        EXPECT_EQ(fe.geometryChanges, resized ? 1 : 0);
        if (resized) {
            EXPECT_EQ(fe.geometry.base_width, c.width);
            EXPECT_EQ(fe.geometry.base_height, c.height);
            EXPECT_FLOAT_EQ(fe.geometry.aspect_ratio, palAspect(c.lowWidth, c.lines));
        }
    }
}

// tos.img from the system folder, else EmuTOS for the machine type, else the built-in
// ROM: the option skips the first or both.
TEST_F(LibretroCore, TheTosOptionChoosesAmongTosImgEmuTosAndTheBuiltInRom) {
    const struct {
        const char* choice;
        bool tosImg;
        const char* machine;
        const char* loaded;
    } cases[] = {
        {"tos.img, else EmuTOS", true, "STFM", "tos.img"},
        {"tos.img, else EmuTOS", false, "STFM", "etos192uk.img"},
        {"tos.img, else EmuTOS", false, "STE", "etos256uk.img"},
        {"EmuTOS", true, "STFM", "etos192uk.img"},
        {"built-in ROM", true, "STE", "QuarvDefault.ROM"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.choice) + (c.tosImg ? " with tos.img " : " ") + c.machine);
        restart();
        std::filesystem::remove(fe.systemFolder + "/tos.img");
        if (c.tosImg) std::filesystem::copy_file(m68kProgramPath("host_screen"), fe.systemFolder + "/tos.img");
        fe.options = {{"quarv_tos", c.choice}, {"quarv_machine", c.machine}};
        fe.log.clear();
        ASSERT_TRUE(load(nullptr));
        bool found = false;
        for (const std::string& line : fe.log)
            found = found || (line.find("] TOS ") != std::string::npos && line.find(c.loaded) != std::string::npos);
        EXPECT_TRUE(found) << (fe.log.empty() ? "" : fe.log.front());
    }
    // A new machine type chooses EmuTOS's image for it.
    fe.options["quarv_machine"] = "STFM";
    fe.options["quarv_tos"] = "EmuTOS";
    fe.optionsChanged = true;
    fe.log.clear();
    runFrames(1);
    ASSERT_FALSE(fe.log.empty());
    EXPECT_NE(fe.log.back().find("etos192uk.img"), std::string::npos) << fe.log.back();
}

// The fields RetroArch reads from the info file before it loads the core agree with what
// the core says of itself.
TEST_F(LibretroCore, TheInfoFileDescribesTheCore) {
    std::map<std::string, std::string> fields;
    std::ifstream file(builtFile("quarv_libretro.info"));
    ASSERT_TRUE(file) << "no info file";
    for (std::string line; std::getline(file, line);) {
        size_t equals = line.find(" = ");
        if (line.empty() || line[0] == '#' || equals == std::string::npos) continue;
        std::string value = line.substr(equals + 3);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        fields[line.substr(0, equals)] = value;
    }
    retro_system_info info{};
    core.retro_get_system_info(&info);
    EXPECT_EQ(fields["corename"], info.library_name);
    EXPECT_EQ(fields["display_version"], info.library_version);
    EXPECT_EQ(fields["supported_extensions"], info.valid_extensions);
    EXPECT_EQ(fields["needs_fullpath"], info.need_fullpath ? "true" : "false");
    EXPECT_EQ(fields["systemname"], "Atari ST/STE");
    EXPECT_EQ(fields["display_name"], "Atari - ST/STE (Quarv)");
    EXPECT_EQ(fields["license"], "GPLv2+");
    EXPECT_EQ(fields["supports_no_game"], "true");
    EXPECT_EQ(fields["firmware_count"], "1");
    EXPECT_EQ(fields["firmware0_path"], "tos.img");
    EXPECT_EQ(fields["firmware0_opt"], "true");
    EXPECT_FALSE(fields["authors"].empty());
}

// Serialized at frame 100: the 50 frames after unserializing repeat the 50 frames after
// serializing, picture for picture and sample for sample. The size asked for stays the
// same over the run (front ends' rewind buffers are sized once), and the bytes after the
// state are zeros, so that they never differ between two states.
TEST_F(LibretroCore, SaveStatesResumeExactly) {
    ASSERT_TRUE(load(builtFile("run/QuarvDefault.ST").c_str()));
    const size_t size = core.retro_serialize_size();
    runFrames(100);
    std::vector<uint8_t> state(size, 0xAA);
    ASSERT_TRUE(core.retro_serialize(state.data(), state.size()));
    uint32_t length = state[0] | state[1] << 8 | state[2] << 16 | uint32_t(state[3]) << 24;
    EXPECT_TRUE(std::all_of(state.begin() + 4 + long(length), state.end(), [](uint8_t b) { return b == 0; }));
    fe.left.clear();
    std::vector<uint64_t> first;
    for (int i = 0; i < 50; ++i) {
        first.push_back(runFrames(1));
        EXPECT_EQ(core.retro_serialize_size(), size);
    }
    std::vector<int16_t> firstSamples = fe.left;

    ASSERT_TRUE(core.retro_unserialize(state.data(), state.size()));
    fe.left.clear();
    std::vector<uint64_t> again;
    for (int i = 0; i < 50; ++i) again.push_back(runFrames(1));
    EXPECT_EQ(first, again);
    EXPECT_TRUE(firstSamples == fe.left) << "the resumed sound differs";
    EXPECT_FALSE(core.retro_unserialize(state.data(), 3));
}

// Run-ahead as front ends do it: each shown frame is run with video on after a hidden frame,
// and the state goes back to that hidden frame. With video off in the hidden frames they
// give no picture, and the frames shown are the same as with video on throughout.
TEST_F(LibretroCore, FramesWithVideoOffGiveNoPictureAndLeaveTheNextOnesExact) {
    constexpr int TICKS = 60;
    fe.options = {{"quarv_tos", "built-in ROM"}};
    ASSERT_TRUE(load(builtFile("run/QuarvDefault.ST").c_str()));
    runFrames(40);
    std::vector<uint8_t> start(core.retro_serialize_size()), state(start.size());
    ASSERT_TRUE(core.retro_serialize(start.data(), start.size()));
    auto runAhead = [&](int hiddenAudioVideo) {
        std::vector<uint64_t> shown;
        EXPECT_TRUE(core.retro_unserialize(start.data(), start.size()));
        fe.pictures = 0;
        for (int k = 0; k < TICKS; ++k) {
            fe.audioVideo = hiddenAudioVideo;
            core.retro_run();
            EXPECT_TRUE(core.retro_serialize(state.data(), state.size()));
            fe.audioVideo = 3;
            shown.push_back(runFrames(1));
            EXPECT_TRUE(core.retro_unserialize(state.data(), state.size()));
        }
        return shown;
    };
    std::vector<uint64_t> videoOn = runAhead(3);
    EXPECT_EQ(fe.pictures, 2 * TICKS);
    std::vector<uint64_t> hiddenOff = runAhead(2);  // audio only
    EXPECT_EQ(fe.pictures, TICKS);
    EXPECT_EQ(hiddenOff, videoOn);
    EXPECT_NE(videoOn.front(), videoOn.back()) << "the demo moves";
}

// Swapping disks through the disk-control interface, and the reset: with the drive empty
// the ROM waits for a disk; the demo disk put back boots again.
TEST_F(LibretroCore, DiskControlSwapsDisksAndResetRestarts) {
    std::string folder = makeTempDir("libretro_disks");
    std::string blank = folder + "/blank.st";
    std::ofstream(blank, std::ios::binary).write(std::string(737280, '\0').data(), 737280);
    ASSERT_TRUE(load(builtFile("run/QuarvDefault.ST").c_str()));
    uint64_t demo = runFrames(300);

    EXPECT_EQ(fe.disks.get_num_images(), 1u);
    EXPECT_FALSE(fe.disks.set_image_index(1)) << "only with the drive open";
    ASSERT_TRUE(fe.disks.set_eject_state(true));
    EXPECT_TRUE(fe.disks.get_eject_state());
    ASSERT_TRUE(fe.disks.add_image_index());
    retro_game_info other = {blank.c_str(), nullptr, 0, nullptr};
    ASSERT_TRUE(fe.disks.replace_image_index(1, &other));
    ASSERT_TRUE(fe.disks.set_image_index(1));
    ASSERT_TRUE(fe.disks.set_eject_state(false));
    EXPECT_EQ(fe.disks.get_image_index(), 1u);
    EXPECT_EQ(fe.disks.get_num_images(), 2u);
    core.retro_reset();
    uint64_t waiting = runFrames(300);
    EXPECT_NE(waiting, demo) << "the blank disk does not boot";

    // Closing the drive on an image that cannot be used, or on none, fails and leaves it
    // open; an index beyond the "no disk" one past the list is refused.
    ASSERT_TRUE(fe.disks.set_eject_state(true));
    std::filesystem::remove(blank);
    EXPECT_FALSE(fe.disks.set_eject_state(false));
    EXPECT_TRUE(fe.disks.get_eject_state());
    EXPECT_FALSE(fe.disks.set_image_index(1000000));
    EXPECT_TRUE(fe.disks.set_image_index(2)) << "no disk";
    EXPECT_FALSE(fe.disks.set_eject_state(false));
    EXPECT_TRUE(fe.disks.get_eject_state());

    fe.disks.set_image_index(0);
    ASSERT_TRUE(fe.disks.set_eject_state(false));
    core.retro_reset();
    EXPECT_NE(runFrames(300), waiting) << "the demo boots again";
}

TEST_F(LibretroCore, ABadDiskFailsTheLoadWithItsReason) {
    std::string folder = makeTempDir("libretro_bad");
    std::string truncated = folder + "/short.msa", fifo = folder + "/fifo.st";
    std::ofstream(truncated, std::ios::binary) << "\x0E\x0F\x00\x09";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(load((folder + "/none.st").c_str()));
    ASSERT_FALSE(fe.log.empty());
    EXPECT_NE(fe.log.back().find("none.st"), std::string::npos) << fe.log.back();
    EXPECT_FALSE(load(truncated.c_str()));
    EXPECT_NE(fe.log.back().find("short.msa"), std::string::npos) << fe.log.back();
    EXPECT_FALSE(load(fifo.c_str())) << "refused at once, not waited on";
    EXPECT_NE(fe.log.back().find("fifo.st is not a regular file."), std::string::npos) << fe.log.back();
}

// A front end that calls the core out of the API's order (a frame or a save state
// before a game is loaded or after the core was shut down, a second load) gets false or
// nothing done, and a line in its log; never a crash.
TEST_F(LibretroCore, CallsOutOfOrderAreRefusedWithALogLine) {
    std::vector<uint8_t> state(8 << 20);
    auto expectEverythingRefused = [&](const char* when) {
        SCOPED_TRACE(when);
        size_t lines = fe.log.size();
        core.retro_run();
        core.retro_reset();
        EXPECT_EQ(fe.width, 0u) << "no frame was run";
        EXPECT_EQ(core.retro_serialize_size(), 0u);
        EXPECT_FALSE(core.retro_serialize(state.data(), state.size()));
        EXPECT_FALSE(core.retro_unserialize(state.data(), state.size()));
        EXPECT_EQ(core.retro_get_memory_data(RETRO_MEMORY_SYSTEM_RAM), nullptr);
        EXPECT_FALSE(fe.disks.set_eject_state(true));
        EXPECT_FALSE(fe.disks.add_image_index());
        EXPECT_GE(fe.log.size(), lines + 6);
    };
    expectEverythingRefused("initialised, no game");
    core.retro_deinit();
    expectEverythingRefused("after retro_deinit");
    EXPECT_FALSE(load(nullptr)) << "a load before retro_init";
    core.retro_deinit();

    core.retro_init();
    ASSERT_TRUE(load(nullptr));
    EXPECT_FALSE(load(nullptr)) << "a second load";
    ASSERT_TRUE(core.retro_serialize(state.data(), state.size()));
    core.retro_unload_game();
    fe.width = 0;
    expectEverythingRefused("after retro_unload_game");
    EXPECT_NE(fe.log.back().find("without a game loaded"), std::string::npos) << fe.log.back();
}

// On the STE the second RetroPad is joypad A: a program reads its four rows.
TEST_F(LibretroCore, TheSecondPadIsTheSteJoypadA) {
    std::filesystem::copy_file(m68kProgramPath("joypad_read"), fe.systemFolder + "/tos.img");
    fe.options = {{"quarv_machine", "STE"}};
    core.retro_set_input_state([](unsigned port, unsigned device, unsigned, unsigned id) -> int16_t {
        const unsigned pressed[] = {RETRO_DEVICE_ID_JOYPAD_UP, RETRO_DEVICE_ID_JOYPAD_B, RETRO_DEVICE_ID_JOYPAD_A,
                                    RETRO_DEVICE_ID_JOYPAD_START, RETRO_DEVICE_ID_JOYPAD_L};
        return port == 1 && device == RETRO_DEVICE_JOYPAD && std::count(std::begin(pressed), std::end(pressed), id);
    });
    ASSERT_TRUE(load(nullptr));
    runFrames(2);
    const uint8_t* ram = static_cast<const uint8_t*>(core.retro_get_memory_data(RETRO_MEMORY_SYSTEM_RAM));
    std::vector<uint16_t> rows;
    for (uint32_t a = 0x10000; a < 0x10010; a += 2) rows.push_back(uint16_t(ram[a ^ 1] << 8 | ram[(a + 1) ^ 1]));
    // Row 0: up; Pause and fire A. Row 1: *; fire B. Rows 2 and 3: nothing.
    EXPECT_EQ(rows, (std::vector<uint16_t>{0xFEFF, 0xFFFC, 0xFEFF, 0xFFFD, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}));
}

// An ST program as the game: the TOS of the system folder boots with the program's
// folder as drive C: and starts it (it writes C:\CHILD.OUT); the built-in ROM cannot.
TEST_F(LibretroCore, AProgramRunsFromItsFolderUnderTheSystemsTos) {
    std::string folder = makeTempDir("libretro_program");
    std::string program = folder + "/CHILD.PRG";
    std::filesystem::copy_file(m68kProgramPath("gemdos_child"), program);
    fe.options = {{"quarv_tos", "built-in ROM"}};
    EXPECT_FALSE(load(program.c_str()));
    ASSERT_FALSE(fe.log.empty());
    EXPECT_NE(fe.log.back().find("needs a TOS image such as EmuTOS"), std::string::npos) << fe.log.back();

    const std::string emutos = std::string(QUARV_SHARED_DIR) + "/emutos/etos192uk.img";
    SKIP_WITHOUT_SHARED_DATA(std::filesystem::exists(emutos), "EmuTOS at " + emutos);
    std::filesystem::copy_file(emutos, fe.systemFolder + "/tos.img");
    fe.options = {{"quarv_tos", "tos.img, else EmuTOS"}};
    ASSERT_TRUE(load(program.c_str())) << fe.log.back();
    EXPECT_EQ(fe.disks.get_num_images(), 0u) << "drive A empty";
    runFrames(800);
    EXPECT_TRUE(std::filesystem::exists(folder + "/CHILD.OUT"));
}

TEST_F(LibretroCore, CoreOptionsChooseTheMachine) {
    fe.options = {{"quarv_machine", "STE"}, {"quarv_ram", "512 KB"}, {"quarv_fast_disk", "enabled"}};
    ASSERT_TRUE(load(nullptr));
    EXPECT_EQ(core.retro_get_memory_size(RETRO_MEMORY_SYSTEM_RAM), 0x80000u);
    fe.options["quarv_ram"] = "1 MB";
    fe.optionsChanged = true;
    runFrames(1);
    EXPECT_EQ(core.retro_get_memory_size(RETRO_MEMORY_SYSTEM_RAM), 0x100000u);
}

}  // namespace
