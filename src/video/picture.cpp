#include "video/picture.h"

#include <cstring>

static uint16_t picture[FRAME_WIDTH * FRAME_HEIGHT];

const uint16_t* framePicture() { return picture; }
uint16_t* framePictureForRendering() { return picture; }
void clearFramePicture() { std::memset(picture, 0, sizeof picture); }
