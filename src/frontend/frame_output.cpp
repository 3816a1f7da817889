#include "frontend/frame_output.h"

#include <cstdio>

#include "bus/machine_settings.h"
#include "bus/snapshot_section.h"
#include "debugger/hardware_log.h"
#include "gemdos/folder_drive.h"
#include "machine/frame_sink.h"
#include "machine/profile_timer.h"
#include "machine/snapshot.h"
#include "media/messages.h"
#include "media/recorder.h"
#include "media/screenshot.h"
#include "sound/mixer.h"

void joinMachineParts() {
    folderDriveJoinMachine();
    registerSnapshotSection(pictureSnapshotSection());
}

static void showNotices(const Notice* notices, int count) {
    for (int i = 0; i < count; ++i) ShowMessage(notices[i].text, notices[i].lifetimeMs, 0);
}

// The sound's trace shows the samples of the frame before, still in OutputBuffer.
static void drawOverPicture(uint16_t* picture, int pitchPixels) {
    if (machineSettings.soundDebug)
        drawSoundOutput(reinterpret_cast<uint8_t*>(picture), pitchPixels * 2, lastSampleCount);
    if (machineSettings.profile) DrawMessages(picture, pitchPixels);
}

static void showProfile() {
    char text[MESSAGE_TEXT_MAX + 1];
    float t = profileTotal.average, g = profileGraphics.average, s = profileSound.average;
    std::snprintf(text, sizeof text, "T:%.02f C:%.02f G:%.02f S:%.02f", t, t - (g + s), g, s);
    setMessageText(1, text);
}

static void frameEnded() {
    hardwareLogStep(machineSettings.soundDebug != 0);
    if (machineSettings.profile) showProfile();
}

static const FrameSink frontEndSink = {showNotices, drawOverPicture, recorderRunning, recorderRecordFrame, frameEnded};

void takeMachineFrames() {
    setFrameSink(&frontEndSink);
    ShowMessage("", -1, 0);
    ShowMessage("", -1, 0);
}

void releaseMachineFrames() {
    setFrameSink(nullptr);
    hardwareLogStep(false);
}
