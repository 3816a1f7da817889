#include "host/picture_placement.h"

#include <algorithm>
#include <cmath>

#include "video/picture.h"

// The ST's lines and low-resolution pixels: one integer step of the picture.
constexpr int STEP_WIDTH = FRAME_WIDTH / 2, STEP_HEIGHT = FRAME_HEIGHT / 2;

PictureRect placePicture(int outputWidth, int outputHeight, bool integerSteps) {
    int width, height;
    int steps = std::min(outputWidth / STEP_WIDTH, outputHeight / STEP_HEIGHT);
    if (integerSteps && steps >= 1) {
        width = steps * STEP_WIDTH;
        height = steps * STEP_HEIGHT;
    } else {  // below one step, integer scaling has nothing to offer: fit
        double scale = std::min(double(outputWidth) / FRAME_WIDTH, double(outputHeight) / FRAME_HEIGHT);
        width = int(std::lround(FRAME_WIDTH * scale));
        height = int(std::lround(FRAME_HEIGHT * scale));
    }
    return {(outputWidth - width) / 2, (outputHeight - height) / 2, width, height};
}
