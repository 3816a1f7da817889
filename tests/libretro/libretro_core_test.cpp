// A libretro front end of our own: it loads quarv_libretro.so with dlopen and drives it
// through the libretro API only, as RetroArch and other front ends do.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

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
    unsigned width = 0, height = 0;
    size_t pitch = 0;
    std::vector<int16_t> samples;  // left channel
    size_t lastBatch = 0;
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
    case RETRO_ENVIRONMENT_SET_SUPPORT_NO_GAME:
    case RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS:
        return true;
    default:
        return false;
    }
}

void video(const void* data, unsigned width, unsigned height, size_t pitch) {
    fe.width = width, fe.height = height, fe.pitch = pitch;
    auto* p = static_cast<const uint16_t*>(data);
    fe.picture.assign(p, p + pitch / 2 * height);
}
size_t audioBatch(const int16_t* data, size_t frames) {
    for (size_t i = 0; i < frames; ++i) fe.samples.push_back(data[2 * i]);
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
};

TEST_F(LibretroCore, DescribesItselfAndShowsTheFramesOfTheHeadlessMachine) {
    retro_system_info info{};
    core.retro_get_system_info(&info);
    EXPECT_STREQ(info.valid_extensions, "st|msa|dim|fdi|zip");
    EXPECT_TRUE(info.need_fullpath);
    retro_system_av_info av{};
    core.retro_get_system_av_info(&av);
    EXPECT_EQ(av.geometry.base_width, 800u);
    EXPECT_EQ(av.geometry.base_height, 600u);
    EXPECT_NEAR(av.timing.fps, 8021247.0 / 160256, 1e-9);
    EXPECT_EQ(av.timing.sample_rate, 44100.0);
    EXPECT_EQ(fe.declaredOptions, (std::vector<std::string>{"quarv_machine", "quarv_ram", "quarv_fast_disk"}));

    // Without a game: the built-in ROM boots the demo disk, as `quarv --headless` does.
    ASSERT_TRUE(load(nullptr)) << (fe.log.empty() ? "" : fe.log.back());
    EXPECT_EQ(fe.format, RETRO_PIXEL_FORMAT_RGB565);
    EXPECT_NE(fe.keyboard, nullptr);
    EXPECT_EQ(core.retro_get_memory_size(RETRO_MEMORY_SYSTEM_RAM), 0x200000u);
    EXPECT_NE(core.retro_get_memory_data(RETRO_MEMORY_SYSTEM_RAM), nullptr);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(runFrames(50), DEMO_DISK_STFM.pictures[i]) << "after frame " << 50 * (i + 1);
        EXPECT_EQ(fe.lastBatch, 881u);
    }
    EXPECT_EQ(fe.width, 800u);
    EXPECT_EQ(fe.height, 600u);
    EXPECT_EQ(fe.pitch, 1600u);
    ASSERT_EQ(fe.samples.size(), 300u * 881);
    EXPECT_EQ(fingerprint(fe.samples.data(), fe.samples.size() * 2), DEMO_DISK_STFM.samples);
}

// Serialized at frame 100: the 50 frames after unserializing repeat the 50 frames after
// serializing, picture for picture and sample for sample.
TEST_F(LibretroCore, SaveStatesResumeExactly) {
    ASSERT_TRUE(load(builtFile("run/QuarvDefault.ST").c_str()));
    runFrames(100);
    std::vector<uint8_t> state(core.retro_serialize_size());
    ASSERT_TRUE(core.retro_serialize(state.data(), state.size()));
    fe.samples.clear();
    std::vector<uint64_t> first;
    for (int i = 0; i < 50; ++i) first.push_back(runFrames(1));
    std::vector<int16_t> firstSamples = fe.samples;

    ASSERT_TRUE(core.retro_unserialize(state.data(), state.size()));
    fe.samples.clear();
    std::vector<uint64_t> again;
    for (int i = 0; i < 50; ++i) again.push_back(runFrames(1));
    EXPECT_EQ(first, again);
    EXPECT_TRUE(firstSamples == fe.samples) << "the resumed sound differs";
    EXPECT_FALSE(core.retro_unserialize(state.data(), 3));
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
