#pragma once
// The picture the core hands to the front end. Libretro front ends scale pictures
// themselves and apply their own shaders, so by default they get the machine's own
// resolution: one pixel per low-resolution pixel (per medium-resolution pixel when the
// frame shows one), one row per line, cropped to the chosen borders; or, on request, the
// window's doubled picture (each line on two rows, each low-resolution pixel two wide).
#include <cstddef>
#include <cstdint>

enum class RetroBorders { Normal, FullOverscan, None };

struct RetroPictureFormat {
    RetroBorders borders = RetroBorders::Normal;
    bool doubled = false;
};

struct RetroPicture {
    const uint16_t* pixels;
    unsigned width, height;
    size_t pitch;  // bytes
    float aspect;  // of the whole picture as a PAL monitor shows it
};

// The largest picture ever handed over: the whole 800 x 600 area, doubled.
constexpr unsigned RETRO_MAX_WIDTH = 800, RETRO_MAX_HEIGHT = 600;

// The last frame's picture (video/picture.h, drawn with one row per line) in that format.
RetroPicture retroPicture(const RetroPictureFormat& format);
// Its size and aspect before any frame ran: low resolution.
RetroPicture retroPictureSize(const RetroPictureFormat& format);
