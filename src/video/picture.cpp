#include "video/picture.h"

#include <cstring>

#include "video/renderer.h"
#include "video/shifter.h"

static uint16_t picture[FRAME_WIDTH * FRAME_HEIGHT];
static bool wanted = true;
static bool current = true;

// The frame whose picture waits to be drawn, the renderer's state as it began, and as
// following the frame's events left it.
static FrameVideo waiting;
static bool pictureWaits;
static RendererState waitingStart, waitingEnd;

static void release() {
    pictureWaits = false;
    shifterHoldFrameVideo(nullptr);
}

// The waiting frame is drawn from the state it began with. Drawing leaves the state as
// following its events did, unless a reset or a snapshot changed it since: that state is
// kept.
static void drawWaitingPicture() {
    if (!pictureWaits) return;
    RendererState now = rendererState();
    setRendererState(waitingStart);
    RenderFrame(reinterpret_cast<uint8_t*>(picture), waiting, FRAME_PITCH);
    if (now != waitingEnd) setRendererState(now);
    release();
}

const uint16_t* framePicture() {
    drawWaitingPicture();
    return picture;
}

uint16_t* framePictureForDrawing() {
    drawWaitingPicture();
    forgetDrawnLines();
    return picture;
}

void clearFramePicture() {
    release();
    forgetDrawnLines();
    std::memset(picture, 0, sizeof picture);
}

void setFramePictureWanted(bool w) { wanted = w; }
bool framePictureWanted() { return wanted; }
bool framePictureCurrent() { return current; }

bool pictureAtFrameEnd(const FrameVideo& frame, bool drawNow, int firstRow) {
    release();  // a newer frame replaces a picture nobody read
    current = frame.screenCopied;
    if (!frame.screenCopied) {
        followFrameEvents(frame.events);
        return false;
    }
    if (drawNow || frame.counterWritten) {
        RenderFrame(reinterpret_cast<uint8_t*>(picture) + firstRow * FRAME_PITCH, frame, FRAME_PITCH);
        return true;
    }
    waiting = frame;
    waitingStart = rendererState();
    followFrameEvents(frame.events);
    waitingEnd = rendererState();
    pictureWaits = true;
    shifterHoldFrameVideo(&waiting);
    return false;
}
