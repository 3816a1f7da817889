#pragma once
// The machine's picture: the 800 x 600 R5G6B5 frame the renderer draws (300 emulated lines
// of 400 low-resolution pixels, each two host pixels wide and, unless
// machineSettings.singleRowLines, two host rows high). Front ends show it after a frame;
// it stays as it is until the next frame ends.
//
// A frame's picture is drawn only when it is read: the frame end keeps the frame's video
// (video/shifter.h), and framePicture draws it then. A frame whose picture the front end
// does not want takes no screen copy and is never drawn; its palette and resolution
// changes carry on to the next frames all the same.
#include <cstdint>

struct FrameVideo;

constexpr int FRAME_WIDTH = 800;
constexpr int FRAME_HEIGHT = 600;
constexpr int FRAME_PITCH = FRAME_WIDTH * 2;  // bytes per row

// The picture of the last frame that ended (drawn now if it waits).
const uint16_t* framePicture();
// The picture for drawing over it (the on-screen figures, tests): the renderer forgets
// the lines it kept.
uint16_t* framePictureForDrawing();
void clearFramePicture();

// Whether the front end may read the picture of the frames it runs from now on (the
// window does; a headless run without picture files, or a libretro front end that turns
// video off, does not). On by default.
void setFramePictureWanted(bool wanted);
bool framePictureWanted();
// False when the last frame's picture was not wanted: framePicture then shows an
// older one.
bool framePictureCurrent();

// Frame end (the scheduler): the frame's picture is drawn at once when `drawNow` (things
// drawn over it, interlaced fields) or when it depends on RAM as it stands at the frame's
// end; otherwise it is kept to be drawn when read. `firstRow` 1 moves it down one row (the
// interlaced field). True when it was drawn now.
bool pictureAtFrameEnd(const FrameVideo& frame, bool drawNow, int firstRow);
