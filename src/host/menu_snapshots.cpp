// The snapshots, sound and screenshot page: the ten memory snapshot slots with the
// picture of the chosen one, the music recorder, input recordings, and the capture taken
// when the menu was entered, with its saving.
#include <imgui.h>

#include <cstdio>
#include <cstring>

#include "base/data_folder.h"
#include "base/safe_file.h"
#include "frontend/config.h"
#include "frontend/input_recording.h"
#include "frontend/run_loop.h"
#include "frontend/snapshot_slots.h"
#include "host/menu.h"
#include "host/menu_dialogs.h"
#include "host/menu_pages.h"
#include "host/menu_widgets.h"
#include "host/preview_textures.h"
#include "machine/snapshot.h"
#include "media/recorder.h"
#include "media/screenshot.h"

namespace {
int lastFrame = -2;
bool slotHasPicture;  // the chosen slot's file could be read: it can be loaded and erased
bool recordYm;
bool waitYmWrite = true;
bool saveGif;
std::string recorderStatus;

const char* const RESULT_CAPTION = QUARV_VERSION_STRING;
constexpr float PREVIEW_WIDTH = 320, PREVIEW_HEIGHT = 240;  // 400 x 300 shown at 4/5
}  // namespace

static void showSlotPicture(int slot) {
    slotHasPicture = slot >= 0 && loadSlotPicture(slot);
    if (!slotHasPicture) std::memset(previewPicture, 0, sizeof previewPicture);
}

static void chooseSlot(int slot) {
    config.currentSlot = slot;
    showSlotPicture(slot);
}

static void drawSlotButtons(int slot) {
    if (menuButton("Load && Run Slot !", slotHasPicture)) {
        // Another machine: a recording ends with what it holds, a replay stops.
        if (recordingActive() || replayActive()) {
            if (!recordingStop()) menuMessage(RESULT_CAPTION, sessionMessage());
            replayStop();
        }
        if (loadSlot(slot)) {
            if (!snapshotLoadWarning().empty()) menuMessage(RESULT_CAPTION, snapshotLoadWarning());
            openMenuPage(-1);
            setRunState(RUN_STATE_RUNNING);
        } else {
            menuMessage(RESULT_CAPTION, slotLoadError(slot) + "\n" + snapshotLoadError());
        }
    }
    ImGui::SameLine();
    if (menuButton("Overwrite Slot", slot >= 0)) {
        bool saved = saveSlot(slot);
        menuMessage(RESULT_CAPTION, slotSaveMessage(slot, saved) + (saved ? "" : "\n" + replacingError()));
        showSlotPicture(slot);
    }
    ImGui::SameLine();
    if (menuButton("Erase Slot", slotHasPicture)) {
        if (eraseSlot(slot))
            showSlotPicture(-1);
        else
            menuMessage(RESULT_CAPTION, slotEraseError(slot));
    }
}

// A picture centred in its group, framed; both pictures of the page at one height.
static float previewTop;

static void drawPreview(PreviewTexture which, const uint16_t* picture) {
    ImGui::SetCursorPos(ImVec2((ImGui::GetWindowWidth() - PREVIEW_WIDTH) / 2, previewTop));
    const ImVec4 frame = ImGui::GetStyleColorVec4(ImGuiCol_Border);
    ImGui::Image(previewTexture(which, picture), ImVec2(PREVIEW_WIDTH, PREVIEW_HEIGHT), ImVec2(0, 0), ImVec2(1, 1),
                 ImVec4(1, 1, 1, 1), frame);
}

// Two rows of five slots, in columns across the group.
static void drawSlots(float width, float height) {
    beginGroup("Memory Snapshots", width, height);
    const float left = ImGui::GetStyle().WindowPadding.x, column = (width - 2 * left) / 5;
    int slot = config.currentSlot;
    for (int n = 0; n < SNAPSHOT_SLOTS; ++n) {
        if (n % 5 != 0) ImGui::SameLine(left + float(n % 5) * column);
        std::string label = "Slot " + std::to_string(n + 1);
        if (menuRadio(label.c_str(), n == slot)) chooseSlot(n);
    }
    slot = config.currentSlot;
    previewTop = ImGui::GetCursorPosY();
    drawPreview(PREVIEW_SLOT, previewPicture);
    drawSlotButtons(slot);
    endGroup();
}

static void drawScreenshot(float height) {
    beginGroup("Screen Shot :", 0, height);
    int colours = captureColourCount();
    ImGui::AlignTextToFramePadding();
    ImGui::Text("Screen Shot Preview (%d colour%s", colours, colours == 1 ? ") :" : "s) :");
    drawPreview(PREVIEW_CAPTURE, capturedPicture);
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted("Picture Format :");
    ImGui::SameLine();
    if (menuRadio("TGA", !saveGif)) saveGif = false;
    ImGui::SameLine();
    if (menuRadio("GIF", saveGif)) saveGif = true;
    ImGui::SameLine();
    if (menuButton("Save Screenshot")) {
        std::string name;
        bool saved = SaveScreenshot(saveGif, name);
        char text[300];
        std::snprintf(text, sizeof text, saved ? "%s saved." : "ERROR: Unable to create %s !", name.c_str());
        menuMessage(RESULT_CAPTION, saved ? std::string(text) : text + ("\n" + replacingError()));
    }
    endGroup();
}

static std::string withFileName(const char* format, const std::string& file) {
    char text[300];
    std::snprintf(text, sizeof text, format, file.c_str());
    return text;
}

static void startOrStopRecording() {
    if (!recorderRunning()) {
        recorderStatus = recorderStart(recordYm, waitYmWrite)
                             ? withFileName("Recording music file %s ...", recorderFileName())
                             : recorderLastMessage();
        return;
    }
    std::string file = recorderFileName();
    recorderStop();
    // The recorder's own result says whether anything was saved ("Recording canceled."
    // before a YM recording began, or a write error).
    bool saved = recorderLastMessage() == withFileName("%s is saved.", file);
    recorderStatus = saved ? withFileName("Music file %s saved.", file) : recorderLastMessage();
}

static void drawSound() {
    beginGroup("Sound", 0, groupHeight(1, 1));
    bool recording = recorderRunning();
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted("Sound Format");
    ImGui::SameLine();
    if (menuRadio("WAV", !recordYm, !recording)) recordYm = false;
    ImGui::SameLine();
    if (menuRadio("YM", recordYm, !recording)) recordYm = true;
    ImGui::SameLine();
    menuCheckbox("Wait YM write", waitYmWrite, !recording && recordYm);
    ImGui::SameLine();
    if (menuButton(recording ? "Stop Recording" : "Start Recording")) startOrStopRecording();
    ImGui::TextUnformatted(recorderStatus.c_str());
    endGroup();
}

// A session recorded from where the machine stands now, or replayed from its start; the
// menu closes and the machine runs. Stop writes the recording, or ends the replay and
// gives the user control.
static std::string sessionStatus;

static void replayChosen(const std::string& path) {
    if (!replayStart(path)) {
        menuMessage(RESULT_CAPTION, sessionMessage());
        return;
    }
    sessionStatus = withFileName("Replaying %s ...", path);
    openMenuPage(-1);
    setRunState(RUN_STATE_RUNNING);
}

static void drawInputRecording() {
    beginGroup("Input Recording", 0, groupHeight(1, 1));
    bool busy = recordingActive() || replayActive();
    if (menuButton("Record", !busy)) {
        std::string path = nextFreeDataFile("MemoryShot/Session_%03d.qrec");
        recordingStart(path);
        sessionStatus = withFileName("Recording the input to %s ...", path);
        openMenuPage(-1);
        setRunState(RUN_STATE_RUNNING);
    }
    ImGui::SameLine();
    if (menuButton("Stop", busy)) {
        if (replayActive()) {
            replayStop();
            sessionStatus = "Replay stopped: the machine is yours.";
        } else {
            sessionStatus = recordingStop() ? withFileName("%s saved.", sessionPath()) : sessionMessage();
        }
    }
    ImGui::SameLine();
    if (menuButton("Replay", !busy)) openFileDialog(dataFile("MemoryShot"), replayChosen);
    if (!busy && !sessionMessage().empty() && sessionStatus.find("Replaying") == 0) sessionStatus = sessionMessage();
    ImGui::TextUnformatted(sessionStatus.c_str());
    endGroup();
}

void drawSnapshotsPage() {
    if (pageEntered(lastFrame)) {
        showSlotPicture(config.currentSlot);
        if (recorderRunning()) recorderStatus = "SOUND is actually recording !";
    }
    // The slots' group: two rows of slots, the picture, the buttons.
    const float spacing = ImGui::GetStyle().ItemSpacing.x;
    const float top = groupHeight(3) + PREVIEW_HEIGHT + ImGui::GetStyle().ItemSpacing.y;
    drawSlots((ImGui::GetContentRegionAvail().x - spacing) / 2, top);
    ImGui::SameLine();
    drawScreenshot(top);
    drawSound();
    drawInputRecording();
}
