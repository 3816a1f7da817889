#pragma once
// The parts of the libretro API (version 1) this core uses, declared from the API's
// public documentation: the entry points a front end calls, the callbacks it hands in,
// and the environment commands and structures exchanged through them.
#include <cstddef>
#include <cstdint>

#define RETRO_API_VERSION 1

#define RETRO_API extern "C" __attribute__((visibility("default")))

// Input devices and their ids.
#define RETRO_DEVICE_JOYPAD 1
#define RETRO_DEVICE_MOUSE 2
#define RETRO_DEVICE_ID_JOYPAD_B 0
#define RETRO_DEVICE_ID_JOYPAD_Y 1
#define RETRO_DEVICE_ID_JOYPAD_SELECT 2
#define RETRO_DEVICE_ID_JOYPAD_START 3
#define RETRO_DEVICE_ID_JOYPAD_UP 4
#define RETRO_DEVICE_ID_JOYPAD_DOWN 5
#define RETRO_DEVICE_ID_JOYPAD_LEFT 6
#define RETRO_DEVICE_ID_JOYPAD_RIGHT 7
#define RETRO_DEVICE_ID_JOYPAD_A 8
#define RETRO_DEVICE_ID_JOYPAD_X 9
#define RETRO_DEVICE_ID_JOYPAD_L 10
#define RETRO_DEVICE_ID_JOYPAD_R 11
#define RETRO_DEVICE_ID_MOUSE_X 0
#define RETRO_DEVICE_ID_MOUSE_Y 1
#define RETRO_DEVICE_ID_MOUSE_LEFT 2
#define RETRO_DEVICE_ID_MOUSE_RIGHT 3

#define RETRO_REGION_PAL 1
#define RETRO_MEMORY_SYSTEM_RAM 2

// Environment commands.
#define RETRO_ENVIRONMENT_GET_SYSTEM_DIRECTORY 9
#define RETRO_ENVIRONMENT_SET_PIXEL_FORMAT 10
#define RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS 11
#define RETRO_ENVIRONMENT_SET_KEYBOARD_CALLBACK 12
#define RETRO_ENVIRONMENT_SET_DISK_CONTROL_INTERFACE 13
#define RETRO_ENVIRONMENT_GET_VARIABLE 15
#define RETRO_ENVIRONMENT_SET_VARIABLES 16
#define RETRO_ENVIRONMENT_GET_VARIABLE_UPDATE 17
#define RETRO_ENVIRONMENT_SET_SUPPORT_NO_GAME 18
#define RETRO_ENVIRONMENT_GET_LOG_INTERFACE 27
#define RETRO_ENVIRONMENT_SET_GEOMETRY 37
#define RETRO_ENVIRONMENT_EXPERIMENTAL 0x10000
// int: bit 0 video wanted, bit 1 audio wanted (run-ahead and fast-forward turn them off).
#define RETRO_ENVIRONMENT_GET_AUDIO_VIDEO_ENABLE (47 | RETRO_ENVIRONMENT_EXPERIMENTAL)

enum retro_pixel_format { RETRO_PIXEL_FORMAT_0RGB1555 = 0, RETRO_PIXEL_FORMAT_XRGB8888 = 1, RETRO_PIXEL_FORMAT_RGB565 = 2 };
enum retro_log_level { RETRO_LOG_DEBUG = 0, RETRO_LOG_INFO, RETRO_LOG_WARN, RETRO_LOG_ERROR };

struct retro_system_info {
    const char* library_name;
    const char* library_version;
    const char* valid_extensions;  // separated by '|'
    bool need_fullpath;
    bool block_extract;
};

struct retro_game_geometry {
    unsigned base_width, base_height;
    unsigned max_width, max_height;
    float aspect_ratio;
};

struct retro_system_timing {
    double fps;
    double sample_rate;
};

struct retro_system_av_info {
    retro_game_geometry geometry;
    retro_system_timing timing;
};

struct retro_game_info {
    const char* path;
    const void* data;
    size_t size;
    const char* meta;
};

struct retro_variable {
    const char* key;
    const char* value;  // SET_VARIABLES: "Description; first|second|..."
};

struct retro_input_descriptor {
    unsigned port, device, index, id;
    const char* description;
};

typedef void (*retro_log_printf_t)(enum retro_log_level level, const char* format, ...);
struct retro_log_callback {
    retro_log_printf_t log;
};

typedef void (*retro_keyboard_event_t)(bool down, unsigned keycode, uint32_t character, uint16_t key_modifiers);
struct retro_keyboard_callback {
    retro_keyboard_event_t callback;
};

struct retro_disk_control_callback {
    bool (*set_eject_state)(bool ejected);
    bool (*get_eject_state)();
    unsigned (*get_image_index)();
    bool (*set_image_index)(unsigned index);
    unsigned (*get_num_images)();
    bool (*replace_image_index)(unsigned index, const retro_game_info* info);
    bool (*add_image_index)();
};

typedef bool (*retro_environment_t)(unsigned cmd, void* data);
typedef void (*retro_video_refresh_t)(const void* data, unsigned width, unsigned height, size_t pitch);
typedef void (*retro_audio_sample_t)(int16_t left, int16_t right);
typedef size_t (*retro_audio_sample_batch_t)(const int16_t* data, size_t frames);
typedef void (*retro_input_poll_t)();
typedef int16_t (*retro_input_state_t)(unsigned port, unsigned device, unsigned index, unsigned id);

// Keyboard key codes of the keyboard callback.
enum retro_key {
    RETROK_BACKSPACE = 8, RETROK_TAB = 9, RETROK_RETURN = 13, RETROK_PAUSE = 19, RETROK_ESCAPE = 27,
    RETROK_SPACE = 32, RETROK_QUOTE = 39, RETROK_COMMA = 44, RETROK_MINUS = 45, RETROK_PERIOD = 46,
    RETROK_SLASH = 47, RETROK_0 = 48, RETROK_9 = 57, RETROK_SEMICOLON = 59, RETROK_EQUALS = 61,
    RETROK_LEFTBRACKET = 91, RETROK_BACKSLASH = 92, RETROK_RIGHTBRACKET = 93, RETROK_BACKQUOTE = 96,
    RETROK_a = 97, RETROK_z = 122, RETROK_DELETE = 127,
    RETROK_KP0 = 256, RETROK_KP9 = 265, RETROK_KP_PERIOD = 266, RETROK_KP_DIVIDE = 267,
    RETROK_KP_MULTIPLY = 268, RETROK_KP_MINUS = 269, RETROK_KP_PLUS = 270, RETROK_KP_ENTER = 271,
    RETROK_UP = 273, RETROK_DOWN = 274, RETROK_RIGHT = 275, RETROK_LEFT = 276, RETROK_INSERT = 277,
    RETROK_HOME = 278, RETROK_END = 279, RETROK_PAGEUP = 280, RETROK_PAGEDOWN = 281,
    RETROK_F1 = 282, RETROK_F10 = 291, RETROK_F11 = 292, RETROK_F12 = 293,
    RETROK_NUMLOCK = 300, RETROK_CAPSLOCK = 301, RETROK_SCROLLOCK = 302, RETROK_RSHIFT = 303,
    RETROK_LSHIFT = 304, RETROK_RCTRL = 305, RETROK_LCTRL = 306, RETROK_RALT = 307, RETROK_LALT = 308,
    RETROK_HELP = 315, RETROK_PRINT = 316, RETROK_UNDO = 322, RETROK_OEM_102 = 323, RETROK_LAST = 324,
};

// The entry points of a core.
RETRO_API void retro_set_environment(retro_environment_t);
RETRO_API void retro_set_video_refresh(retro_video_refresh_t);
RETRO_API void retro_set_audio_sample(retro_audio_sample_t);
RETRO_API void retro_set_audio_sample_batch(retro_audio_sample_batch_t);
RETRO_API void retro_set_input_poll(retro_input_poll_t);
RETRO_API void retro_set_input_state(retro_input_state_t);
RETRO_API void retro_init();
RETRO_API void retro_deinit();
RETRO_API unsigned retro_api_version();
RETRO_API void retro_get_system_info(retro_system_info* info);
RETRO_API void retro_get_system_av_info(retro_system_av_info* info);
RETRO_API void retro_set_controller_port_device(unsigned port, unsigned device);
RETRO_API void retro_reset();
RETRO_API void retro_run();
RETRO_API size_t retro_serialize_size();
RETRO_API bool retro_serialize(void* data, size_t size);
RETRO_API bool retro_unserialize(const void* data, size_t size);
RETRO_API void retro_cheat_reset();
RETRO_API void retro_cheat_set(unsigned index, bool enabled, const char* code);
RETRO_API bool retro_load_game(const retro_game_info* game);
RETRO_API bool retro_load_game_special(unsigned game_type, const retro_game_info* info, size_t num_info);
RETRO_API void retro_unload_game();
RETRO_API unsigned retro_get_region();
RETRO_API void* retro_get_memory_data(unsigned id);
RETRO_API size_t retro_get_memory_size(unsigned id);
