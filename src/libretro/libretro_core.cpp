// Quarv as a libretro core: another front end of the same machine. The libretro front end
// paces the frames and owns the devices; each retro_run hands its input to the keyboard
// processor, runs one frame and hands back the picture and the sound.
#include <dlfcn.h>

#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bus/event_log.h"
#include "bus/hardware_state.h"
#include "bus/machine_settings.h"
#include "bus/memory_map.h"
#include "cpu/cpu.h"
#include "floppy/disk_image.h"
#include "frontend/command_line.h"
#include "frontend/folder_drive_start.h"
#include "frontend/frame_output.h"
#include "frontend/program_files.h"
#include "gemdos/folder_drive.h"
#include "libretro/libretro_api.h"
#include "libretro/retro_keys.h"
#include "libretro/retro_picture.h"
#include "machine/machine.h"
#include "machine/machine_reset.h"
#include "machine/rom_images.h"
#include "machine/snapshot.h"
#include "peripherals/input.h"
#include "sound/mixer.h"
#include "video/picture.h"

namespace {

retro_environment_t environment;
retro_video_refresh_t videoRefresh;
retro_audio_sample_batch_t audioBatch;
retro_input_poll_t inputPoll;
retro_input_state_t inputState;
retro_log_printf_t logPrintf;

bool machineUp;
uint8_t keys[256];

// Where the front end stands in the API's order: retro_init, retro_load_game, then the
// frames, save states and disk control until retro_unload_game and retro_deinit. A call
// out of that order is refused (false, or nothing done) with a line in the log, rather
// than reaching a machine that is not there.
enum class CoreState { Off, Initialised, GameLoaded };
CoreState coreState = CoreState::Off;

// The disks of the disk-control interface; drive A holds diskImages[diskIndex] unless
// ejected.
std::vector<std::string> diskImages;
unsigned diskIndex;
bool ejected;

// The TOS: the front end's system folder's tos.img, else the bundled EmuTOS for the
// machine type, else the built-in ROM; a core option may skip the first or both. Without
// a game the built-in demo disk goes in. The built-in files are found where they were
// installed beside the core, or in the build's run folder.
constexpr const char* SYSTEM_TOS_NAME = "tos.img";
constexpr const char* BUILT_IN_ROM = "QuarvDefault.ROM";
constexpr const char* BUILT_IN_DISK = "QuarvDefault.ST";

void log(retro_log_level level, const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (logPrintf)
        logPrintf(level, "[Quarv] %s\n", text);
    else
        std::fprintf(stderr, "[Quarv] %s\n", text);
}

std::filesystem::path coreFolder() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&retro_init), &info) && info.dli_fname)
        return std::filesystem::path(info.dli_fname).parent_path();
    return ".";
}

std::string builtInFile(const char* name) { return findBuiltInFile(coreFolder().string(), name); }

// ---- TOS -----------------------------------------------------------------------------------
enum TosChoice : uint32_t { TOS_SYSTEM_FIRST, TOS_EMUTOS, TOS_BUILT_IN };
uint32_t tosChoice = TOS_SYSTEM_FIRST;

std::string systemTos() {
    const char* system = nullptr;
    if (!environment(RETRO_ENVIRONMENT_GET_SYSTEM_DIRECTORY, &system) || !system) return "";
    std::filesystem::path candidate = std::filesystem::path(system) / SYSTEM_TOS_NAME;
    std::error_code error;
    return std::filesystem::is_regular_file(candidate, error) ? candidate.string() : "";
}

std::string chooseTos() {
    std::string tos;
    if (tosChoice == TOS_SYSTEM_FIRST) tos = systemTos();
    if (tos.empty() && tosChoice != TOS_BUILT_IN) tos = builtInFile(bundledEmuTos(machineSettings.machine == 1));
    if (tos.empty()) tos = builtInFile(BUILT_IN_ROM);
    return tos;
}

bool loadChosenTos() {
    std::string tos = chooseTos();
    if (tos.empty() || !loadTosRom(tos.c_str())) {
        log(RETRO_LOG_ERROR, "No TOS image to run: %s",
            tos.empty() ? "the built-in ROM is missing" : romLoadError.c_str());
        return false;
    }
    log(RETRO_LOG_INFO, "TOS %s", tos.c_str());
    return true;
}

// True when the core stands where `call` may be made; otherwise the refusal is logged.
bool calledIn(CoreState wanted, const char* call) {
    if (coreState == wanted) return true;
    static const char* const states[] = {"before retro_init", "without a game loaded", "with a game loaded"};
    log(RETRO_LOG_WARN, "%s called %s: ignored.", call, states[int(coreState)]);
    return false;
}

// ---- Core options -----------------------------------------------------------------------
const retro_variable optionDefinitions[] = {
    {"quarv_machine", "Machine type (restarts the ST); STFM|STE"},
    {"quarv_ram", "RAM size (restarts the ST); 2 MB|1 MB|512 KB"},
    {"quarv_tos", "TOS (restarts the ST); tos.img, else EmuTOS|EmuTOS|built-in ROM"},
    {"quarv_fast_disk", "Fast disk; disabled|enabled"},
    {"quarv_borders", "Borders; normal|full overscan|none"},
    {"quarv_doubled", "800 x 600 doubled picture; disabled|enabled"},
    {nullptr, nullptr},
};

RetroPictureFormat pictureFormat;
unsigned sentWidth, sentHeight;  // the geometry the front end was last given

const char* option(const char* key) {
    retro_variable v = {key, nullptr};
    return environment && environment(RETRO_ENVIRONMENT_GET_VARIABLE, &v) ? v.value : nullptr;
}

// The index of `value` among the option's choices ("a|b|c"); `fallback` when it is none.
uint32_t choiceOf(const char* key, uint32_t fallback) {
    const char* value = option(key);
    if (!value) return fallback;
    for (const retro_variable& d : optionDefinitions) {
        if (!d.key || std::strcmp(d.key, key) != 0) continue;
        const char* choice = std::strstr(d.value, "; ") + 2;
        for (uint32_t i = 0;; ++i) {
            size_t length = std::strcspn(choice, "|");
            if (std::strlen(value) == length && std::strncmp(choice, value, length) == 0) return i;
            if (!choice[length]) break;
            choice += length + 1;
        }
    }
    return fallback;
}

constexpr uint32_t RAM_INDEX_OF_CHOICE[3] = {2, 1, 0};  // 2 MB, 1 MB, 512 KB

// Machine type, RAM size and TOS take effect with a cold reset (the TOS is chosen again
// for a new machine type: EmuTOS has one image for each); fast disk and the picture's
// format at once.
void applyOptions(bool resetOnChange) {
    uint32_t machine = choiceOf("quarv_machine", machineSettings.machine);
    uint32_t ram = RAM_INDEX_OF_CHOICE[choiceOf("quarv_ram", 0)];
    uint32_t tos = choiceOf("quarv_tos", tosChoice);
    machineSettings.fastDisk = choiceOf("quarv_fast_disk", 0);
    pictureFormat.borders = RetroBorders(choiceOf("quarv_borders", 0));
    pictureFormat.doubled = choiceOf("quarv_doubled", 0) == 1;
    bool changed = machine != machineSettings.machine || ram != machineSettings.ramSize || tos != tosChoice;
    bool newTos = machine != machineSettings.machine || tos != tosChoice;
    machineSettings.machine = machine;
    machineSettings.ramSize = ram;
    tosChoice = tos;
    if (changed && machineUp) {
        applyMachineType();
        setRamSize(int(ram));
        if (newTos) loadChosenTos();
        if (resetOnChange) machineReset(true);
    }
}

// A picture of another size than the last: the front end learns the new geometry first.
void sendPicture() {
    RetroPicture p = retroPicture(pictureFormat);
    if (p.width != sentWidth || p.height != sentHeight) {
        retro_game_geometry geometry = {p.width, p.height, RETRO_MAX_WIDTH, RETRO_MAX_HEIGHT, p.aspect};
        environment(RETRO_ENVIRONMENT_SET_GEOMETRY, &geometry);
        sentWidth = p.width;
        sentHeight = p.height;
    }
    videoRefresh(p.pixels, p.width, p.height, p.pitch);
}

// ---- Disk control -------------------------------------------------------------------------
bool insertImage(const std::string& path) {
    if (InsertDisk(path.c_str())) return true;
    log(RETRO_LOG_ERROR, "Cannot use the disk image %s: %s", path.c_str(),
        *driveA.errorMessage ? driveA.errorMessage : "unreadable");
    return false;
}

// Closing the drive inserts the chosen image; one that cannot be used (or the "no disk"
// index) leaves the drive open and empty, and says so.
bool setEjectState(bool eject) {
    if (!calledIn(CoreState::GameLoaded, "set_eject_state")) return false;
    if (eject) {
        EjectDisk();
        ejected = true;
        return true;
    }
    if (diskIndex >= diskImages.size() || diskImages[diskIndex].empty()) {
        log(RETRO_LOG_WARN, "No disk image at index %u to insert.", diskIndex);
        return false;
    }
    if (!insertImage(diskImages[diskIndex])) return false;
    ejected = false;
    return true;
}
bool getEjectState() { return ejected; }
unsigned getImageIndex() { return diskIndex; }
// The image changes only while the drive is open; the index one past the list means no
// disk, any further one is refused.
bool setImageIndex(unsigned index) {
    if (!calledIn(CoreState::GameLoaded, "set_image_index") || !ejected) return false;
    if (index > diskImages.size()) {
        log(RETRO_LOG_WARN, "set_image_index %u: there are %u images.", index, unsigned(diskImages.size()));
        return false;
    }
    diskIndex = index;
    return true;
}
unsigned getNumImages() { return unsigned(diskImages.size()); }
bool replaceImageIndex(unsigned index, const retro_game_info* info) {
    if (!calledIn(CoreState::GameLoaded, "replace_image_index")) return false;
    if (index >= diskImages.size()) return false;
    if (info && info->path) {
        diskImages[index] = info->path;
    } else {
        diskImages.erase(diskImages.begin() + index);
        if (diskIndex > index || diskIndex >= diskImages.size()) diskIndex = diskIndex ? diskIndex - 1 : 0;
    }
    return true;
}
bool addImageIndex() {
    if (!calledIn(CoreState::GameLoaded, "add_image_index")) return false;
    diskImages.emplace_back();
    return true;
}

retro_disk_control_callback diskControl = {setEjectState, getEjectState,  getImageIndex,  setImageIndex,
                                           getNumImages,  replaceImageIndex, addImageIndex};

// ---- Input --------------------------------------------------------------------------------
void keyboardEvent(bool down, unsigned keycode, uint32_t, uint16_t) {
    if (int code = keyCodeFromRetroKey(keycode)) keys[code] = down ? KEY_STATE_DOWN : 0;
}

// The second RetroPad is the STE's joypad A, its buttons by position as on the window's
// controllers: B, A, Y fire A, B, C; X and Select Option; Start Pause; L and R * and #.
constexpr struct {
    unsigned id;
    uint32_t joypad;
    const char* description;
} joypadAButtons[] = {
    {RETRO_DEVICE_ID_JOYPAD_UP, JOYPAD_UP, "STE joypad A up"},
    {RETRO_DEVICE_ID_JOYPAD_DOWN, JOYPAD_DOWN, "STE joypad A down"},
    {RETRO_DEVICE_ID_JOYPAD_LEFT, JOYPAD_LEFT, "STE joypad A left"},
    {RETRO_DEVICE_ID_JOYPAD_RIGHT, JOYPAD_RIGHT, "STE joypad A right"},
    {RETRO_DEVICE_ID_JOYPAD_B, JOYPAD_A, "STE joypad A fire A"},
    {RETRO_DEVICE_ID_JOYPAD_A, JOYPAD_B, "STE joypad A fire B"},
    {RETRO_DEVICE_ID_JOYPAD_Y, JOYPAD_C, "STE joypad A fire C"},
    {RETRO_DEVICE_ID_JOYPAD_X, JOYPAD_OPTION, "STE joypad A Option"},
    {RETRO_DEVICE_ID_JOYPAD_SELECT, JOYPAD_OPTION, "STE joypad A Option"},
    {RETRO_DEVICE_ID_JOYPAD_START, JOYPAD_PAUSE, "STE joypad A Pause"},
    {RETRO_DEVICE_ID_JOYPAD_L, JOYPAD_STAR, "STE joypad A *"},
    {RETRO_DEVICE_ID_JOYPAD_R, JOYPAD_HASH, "STE joypad A #"},
};

// The front end's first pad is the ST's joystick 1 (B or A fires); its mouse is the ST's.
void handInput() {
    inputPoll();
    inputSetKeys(keys);
    inputMoveMouse(inputState(0, RETRO_DEVICE_MOUSE, 0, RETRO_DEVICE_ID_MOUSE_X),
                   inputState(0, RETRO_DEVICE_MOUSE, 0, RETRO_DEVICE_ID_MOUSE_Y));
    inputSetMouseButtons(inputState(0, RETRO_DEVICE_MOUSE, 0, RETRO_DEVICE_ID_MOUSE_LEFT),
                         inputState(0, RETRO_DEVICE_MOUSE, 0, RETRO_DEVICE_ID_MOUSE_RIGHT));
    auto pad = [](unsigned port, unsigned id) { return inputState(port, RETRO_DEVICE_JOYPAD, 0, id) != 0; };
    uint8_t joystick = 0;
    if (pad(0, RETRO_DEVICE_ID_JOYPAD_UP)) joystick |= JOY_UP;
    if (pad(0, RETRO_DEVICE_ID_JOYPAD_DOWN)) joystick |= JOY_DOWN;
    if (pad(0, RETRO_DEVICE_ID_JOYPAD_LEFT)) joystick |= JOY_LEFT;
    if (pad(0, RETRO_DEVICE_ID_JOYPAD_RIGHT)) joystick |= JOY_RIGHT;
    if (pad(0, RETRO_DEVICE_ID_JOYPAD_B) || pad(0, RETRO_DEVICE_ID_JOYPAD_A)) joystick |= JOY_FIRE;
    inputSetJoystick(joystick);
    uint32_t joypad = 0;
    if (isSte())
        for (const auto& b : joypadAButtons)
            if (pad(1, b.id)) joypad |= b.joypad;
    inputSetJoypad(0, joypad);
}

// The first pad's descriptors, then the second's, and the empty one that ends them.
constexpr auto inputDescriptors = [] {
    std::array<retro_input_descriptor, 6 + std::size(joypadAButtons) + 1> d{{
        {0, RETRO_DEVICE_JOYPAD, 0, RETRO_DEVICE_ID_JOYPAD_UP, "Joystick up"},
        {0, RETRO_DEVICE_JOYPAD, 0, RETRO_DEVICE_ID_JOYPAD_DOWN, "Joystick down"},
        {0, RETRO_DEVICE_JOYPAD, 0, RETRO_DEVICE_ID_JOYPAD_LEFT, "Joystick left"},
        {0, RETRO_DEVICE_JOYPAD, 0, RETRO_DEVICE_ID_JOYPAD_RIGHT, "Joystick right"},
        {0, RETRO_DEVICE_JOYPAD, 0, RETRO_DEVICE_ID_JOYPAD_B, "Fire"},
        {0, RETRO_DEVICE_JOYPAD, 0, RETRO_DEVICE_ID_JOYPAD_A, "Fire"},
    }};
    for (size_t i = 0; i < std::size(joypadAButtons); ++i)
        d[6 + i] = {1, RETRO_DEVICE_JOYPAD, 0, joypadAButtons[i].id, joypadAButtons[i].description};
    return d;
}();

}  // namespace

// ---- Entry points -------------------------------------------------------------------------
RETRO_API unsigned retro_api_version() { return RETRO_API_VERSION; }

RETRO_API void retro_set_environment(retro_environment_t cb) {
    environment = cb;
    if (!cb) return;
    bool yes = true;
    cb(RETRO_ENVIRONMENT_SET_SUPPORT_NO_GAME, &yes);
    cb(RETRO_ENVIRONMENT_SET_VARIABLES, const_cast<retro_variable*>(optionDefinitions));
    cb(RETRO_ENVIRONMENT_SET_DISK_CONTROL_INTERFACE, &diskControl);
    retro_log_callback logging = {nullptr};
    logPrintf = cb(RETRO_ENVIRONMENT_GET_LOG_INTERFACE, &logging) ? logging.log : nullptr;
}

RETRO_API void retro_set_video_refresh(retro_video_refresh_t cb) { videoRefresh = cb; }
RETRO_API void retro_set_audio_sample(retro_audio_sample_t) {}
RETRO_API void retro_set_audio_sample_batch(retro_audio_sample_batch_t cb) { audioBatch = cb; }
RETRO_API void retro_set_input_poll(retro_input_poll_t cb) { inputPoll = cb; }
RETRO_API void retro_set_input_state(retro_input_state_t cb) { inputState = cb; }

RETRO_API void retro_get_system_info(retro_system_info* info) {
    *info = {"Quarv", QUARV_VERSION, "st|msa|dim|fdi|zip|prg|tos|ttp|app", true, true};
}

// The ST's picture in the chosen format, low resolution until a frame shows otherwise;
// frames at the PAL ST's rate, 881 samples a frame.
RETRO_API void retro_get_system_av_info(retro_system_av_info* info) {
    RetroPicture p = retroPictureSize(pictureFormat);
    info->geometry = {p.width, p.height, RETRO_MAX_WIDTH, RETRO_MAX_HEIGHT, p.aspect};
    info->timing = {ST_CPU_CLOCK / FRAME_CYCLES, 44100.0};
    sentWidth = p.width;
    sentHeight = p.height;
}

// Each line is drawn on one picture row: the core's pictures take one row a line, or
// repeat it (the doubled picture), so that no row is left dark.
RETRO_API void retro_init() {
    if (!calledIn(CoreState::Off, "retro_init")) return;
    machineSettings = MachineSettings{};
    machineSettings.singleRowLines = true;
    tosChoice = TOS_SYSTEM_FIRST;
    pictureFormat = RetroPictureFormat{};
    std::memset(keys, 0, sizeof keys);
    coreState = CoreState::Initialised;
}

RETRO_API void retro_deinit() {
    if (coreState == CoreState::Off) {
        calledIn(CoreState::Initialised, "retro_deinit");
        return;
    }
    if (machineUp) machineShutdown();
    machineUp = false;
    diskImages.clear();
    coreState = CoreState::Off;
}

RETRO_API void retro_set_controller_port_device(unsigned, unsigned) {}

RETRO_API bool retro_load_game(const retro_game_info* game) {
    if (!calledIn(CoreState::Initialised, "retro_load_game")) return false;
    if (!environment) {
        log(RETRO_LOG_ERROR, "retro_load_game called before retro_set_environment.");
        return false;
    }
    retro_pixel_format format = RETRO_PIXEL_FORMAT_RGB565;
    if (!environment(RETRO_ENVIRONMENT_SET_PIXEL_FORMAT, &format)) {
        log(RETRO_LOG_ERROR, "The front end cannot take RGB565 pictures.");
        return false;
    }
    retro_keyboard_callback keyboard = {keyboardEvent};
    environment(RETRO_ENVIRONMENT_SET_KEYBOARD_CALLBACK, &keyboard);
    environment(RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS, const_cast<retro_input_descriptor*>(inputDescriptors.data()));
    applyOptions(false);
    if (!machineUp) {
        joinMachineParts();
        if (!machineInit()) {
            log(RETRO_LOG_ERROR, "Insufficient RAM to run Quarv!");
            return false;
        }
    }
    machineUp = true;

    // An ST program runs from its folder as drive C:, started by the desktop, with drive
    // A empty; anything else is a disk for drive A.
    std::string content = game && game->path ? game->path : "";
    bool program = isProgramName(content);
    detachFolderDrive();
    std::string error;
    if (program && !attachProgramFolder(content, "", FOLDER_DRIVE_DEFAULT_LETTER, false, error)) {
        log(RETRO_LOG_ERROR, "%s", error.c_str());
        return false;
    }
    std::string disk = program ? "" : content.empty() ? builtInFile(BUILT_IN_DISK) : content;
    diskImages.assign(program ? 0 : 1, disk);
    diskIndex = 0;
    ejected = program;
    if (!program && (disk.empty() || !insertImage(disk))) {
        if (disk.empty()) log(RETRO_LOG_ERROR, "The built-in disk %s is missing.", BUILT_IN_DISK);
        return false;
    }

    if (!loadChosenTos()) return false;
    if (program && !tosHasGemdos()) {
        log(RETRO_LOG_ERROR, "Running ST programs needs a TOS image such as EmuTOS: put it in the front end's "
                             "system folder as %s, or choose EmuTOS in the core options.", SYSTEM_TOS_NAME);
        return false;
    }
    log(RETRO_LOG_INFO, "%s %s", program ? "Program" : "Disk", program ? content.c_str() : disk.c_str());
    clearCartridge();
    machineReset(true);
    coreState = CoreState::GameLoaded;
    return true;
}

RETRO_API bool retro_load_game_special(unsigned, const retro_game_info*, size_t) { return false; }

RETRO_API void retro_unload_game() {
    if (!calledIn(CoreState::GameLoaded, "retro_unload_game")) return;
    EjectDisk();
    detachFolderDrive();
    coreState = CoreState::Initialised;
}

RETRO_API void retro_reset() {
    if (calledIn(CoreState::GameLoaded, "retro_reset")) machineReset(false);
}

// A front end that says it does not want the frame's picture (run-ahead's hidden frames,
// fast-forward) gets none: the frame is not drawn.
static bool videoWanted() {
    int enabled = 0;
    return !environment(RETRO_ENVIRONMENT_GET_AUDIO_VIDEO_ENABLE, &enabled) || (enabled & 1);
}

RETRO_API void retro_run() {
    if (!calledIn(CoreState::GameLoaded, "retro_run")) return;
    if (!videoRefresh || !audioBatch || !inputPoll || !inputState) {
        log(RETRO_LOG_ERROR, "retro_run called before the front end gave its video, audio and input callbacks.");
        return;
    }
    bool updated = false;
    if (environment(RETRO_ENVIRONMENT_GET_VARIABLE_UPDATE, &updated) && updated) applyOptions(true);
    handInput();
    setFrameSoundRequest(FRAME_SOUND_SAMPLES);
    bool video = videoWanted();
    setFramePictureWanted(video);
    if (emulateFrame() == FrameResult::Crashed) {
        log(RETRO_LOG_ERROR, "The processor halted at $%06X; machine reset.", cpu.pc & 0xFFFFFF);
        machineReset(true);
    }
    if (video) sendPicture();
    if (lastSampleCount > 0) audioBatch(OutputBuffer, size_t(lastSampleCount));  // already left and right
}

// ---- Save states: the snapshot file, after its length ---------------------------------------
RETRO_API size_t retro_serialize_size() { return coreState == CoreState::GameLoaded ? 4 + snapshotMaxBytes() : 0; }

RETRO_API bool retro_serialize(void* data, size_t size) {
    if (!calledIn(CoreState::GameLoaded, "retro_serialize") || !data) return false;
    // RAM and picture uncompressed: a copy is fast enough for the front end's rewind,
    // which compares neighbouring states itself; the rest of the buffer is zeros, so
    // that it never differs from one state to the next.
    static std::vector<uint8_t> file;
    saveSnapshotToBuffer(file, false);
    if (file.size() + 4 > size) return false;
    auto* out = static_cast<uint8_t*>(data);
    uint32_t length = uint32_t(file.size());
    for (int i = 0; i < 4; ++i) out[i] = uint8_t(length >> (8 * i));
    std::memcpy(out + 4, file.data(), file.size());
    std::memset(out + 4 + file.size(), 0, size - 4 - file.size());
    return true;
}

RETRO_API bool retro_unserialize(const void* data, size_t size) {
    if (!calledIn(CoreState::GameLoaded, "retro_unserialize") || !data) return false;
    auto* in = static_cast<const uint8_t*>(data);
    if (size < 4) return false;
    uint32_t length = in[0] | in[1] << 8 | in[2] << 16 | uint32_t(in[3]) << 24;
    if (length > size - 4) return false;
    if (!loadSnapshotFromBuffer(in + 4, length)) {
        log(RETRO_LOG_ERROR, "The save state cannot be loaded: %s", snapshotLoadError().c_str());
        return false;
    }
    if (!snapshotLoadWarning().empty()) log(RETRO_LOG_WARN, "%s", snapshotLoadWarning().c_str());
    return true;
}

RETRO_API void retro_cheat_reset() {}
RETRO_API void retro_cheat_set(unsigned, bool, const char*) {}

RETRO_API unsigned retro_get_region() { return RETRO_REGION_PAL; }

// ST RAM as the machine holds it: the two bytes of every word exchanged (the byte at ST
// address a is at offset a ^ 1).
RETRO_API void* retro_get_memory_data(unsigned id) {
    return id == RETRO_MEMORY_SYSTEM_RAM && coreState == CoreState::GameLoaded ? hw.ram : nullptr;
}
RETRO_API size_t retro_get_memory_size(unsigned id) {
    return id == RETRO_MEMORY_SYSTEM_RAM && coreState == CoreState::GameLoaded ? ramSizeBytes() : 0;
}
