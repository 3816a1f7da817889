#pragma once
// The machine's picture: the 800 x 600 R5G6B5 frame the frame end renders into (300
// emulated lines of 400 low-resolution pixels, each two host pixels wide and, unless
// machineSettings.singleRowLines, two host rows high). Front ends show it after each
// frame; it stays as it is until the next frame ends.
#include <cstdint>

constexpr int FRAME_WIDTH = 800;
constexpr int FRAME_HEIGHT = 600;
constexpr int FRAME_PITCH = FRAME_WIDTH * 2;  // bytes per row

const uint16_t* framePicture();
uint16_t* framePictureForRendering();
void clearFramePicture();
