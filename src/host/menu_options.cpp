// The options page: machine, sound, input and display settings, the start-up options,
// and the ROM list under them. Every control changes its setting at once; the settings
// reach the settings file at exit. Display adapter, refresh rate and full screen are
// read only when the window is made, so a change asks for a restart.
#include <imgui.h>

#include <algorithm>
#include <cstdio>

#include "bus/machine_settings.h"
#include "bus/memory_map.h"
#include "frontend/config.h"
#include "frontend/rewind_key.h"
#include "frontend/rewind_ring.h"
#include "host/display_adapters.h"
#include "host/menu_dialogs.h"
#include "host/menu_pages.h"
#include "host/menu_widgets.h"
#include "host/sdl_display.h"
#include "peripherals/scan_codes.h"

namespace {
int lastFrame = -2;
AdapterRecord adapters[MAX_ADAPTERS];
int adapterCount;

const char* const MESSAGE_CAPTION = "Quarv Message";
const char* const RAM_SIZES[4] = {"512K", "1MB", "2MB", "4MB"};
const char* const LINE_MODES[4] = {"Normal", "Half (fastest)", "Interlace", "Blend"};
constexpr uint32_t MAX_FRAME_SKIP = 9;
}  // namespace

static void askForRestart() { menuMessage(MESSAGE_CAPTION, "You must restart Quarv to validate that change."); }

static void drawMachine(float width) {
    beginGroup("Machine", width, groupHeight(3));
    if (menuRadio("STFM", machineSettings.machine == 0)) {
        machineSettings.machine = 0;
        applyMachineType();
    }
    ImGui::SameLine();
    if (menuRadio("STE", machineSettings.machine == 1)) {
        menuMessage(MESSAGE_CAPTION, "Quarv STE mode is far to be perfect. Use STFM mode with TOS 1.0 if you "
                                     "encounter compatibility problem.");
        machineSettings.machine = 1;
        applyMachineType();
    }
    for (uint32_t i = 0; i < 4; ++i) {
        if (i > 0) ImGui::SameLine();
        if (menuRadio(RAM_SIZES[i], machineSettings.ramSize == i)) {
            machineSettings.ramSize = i;
            setRamSize(int(i));
        }
    }
    if (menuRadio("Real Time", machineSettings.fastDisk == 0)) machineSettings.fastDisk = 0;
    ImGui::SameLine();
    if (menuRadio("Ultra Fast", machineSettings.fastDisk != 0)) machineSettings.fastDisk = 1;
    endGroup();
}

static void drawSound(float width) {
    beginGroup("Sound", width, groupHeight(2));
    menuCheckbox("YM2149", machineSettings.ymSound);
    ImGui::SameLine(width / 2);
    menuCheckbox("STE DAC", machineSettings.dacSound, machineSettings.machine == 1);
    menuCheckbox("Disk Dive", machineSettings.diskSound);
    ImGui::SameLine(width / 2);
    menuCheckbox("Low Pass filter", machineSettings.lowPass);
    endGroup();
}

static void drawInput(float width) {
    beginGroup("Input", width, groupHeight(1));
    menuCheckbox("Use PC Joystick", config.useJoystick);
    ImGui::SameLine();
    if (menuCheckbox("Use arrow keys as joystick", machineSettings.arrowForJoystick)) applyArrowMapping();
    endGroup();
}

static void drawInformation(float width) {
    beginGroup("On-screen information", width, groupHeight(2));
    menuCheckbox("Display profiling infos", machineSettings.profile);
    menuCheckbox("Display sound engine output", machineSettings.soundDebug);
    endGroup();
}

// Rewind: its ring is allocated, resized or freed as soon as a setting changes.
static void drawRewind(float width) {
    beginGroup("Rewind", width, groupHeight(2));
    bool changed = menuCheckbox("Hold to rewind:", config.rewind);
    ImGui::SameLine();
    ImGui::SetNextItemWidth(-1);
    const char* keyName = REWIND_KEYS[0].name;
    for (const RewindKeyChoice& k : REWIND_KEYS)
        if (k.code == config.rewindKey) keyName = k.name;
    if (ImGui::BeginCombo("##rewind key", keyName)) {
        for (const RewindKeyChoice& k : REWIND_KEYS)
            if (ImGui::Selectable(k.name, k.code == config.rewindKey)) config.rewindKey = k.code;
        ImGui::EndCombo();
    }
    noteItem("Rewind key");
    int interval = int(config.rewindInterval), seconds = int(config.rewindSeconds);
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted("A state every");
    ImGui::SameLine();
    ImGui::SetNextItemWidth(40);
    if (ImGui::InputInt("frames,##rewind interval", &interval, 0)) {
        config.rewindInterval = uint32_t(std::clamp(interval, REWIND_MIN_INTERVAL, REWIND_MAX_INTERVAL));
        changed = true;
    }
    noteItem("Rewind interval");
    ImGui::SameLine();
    ImGui::SetNextItemWidth(40);
    if (ImGui::InputInt("seconds back##rewind seconds", &seconds, 0)) {
        config.rewindSeconds = uint32_t(std::clamp(seconds, REWIND_MIN_SECONDS, REWIND_MAX_SECONDS));
        changed = true;
    }
    noteItem("Rewind seconds");
    if (changed) applyRewindSettings();
    endGroup();
}

// A label in front of a field, the fields of a group starting at one position.
static void fieldLabel(const char* text) {
    const float fieldX = ImGui::CalcTextSize("Refresh Rate").x + 2 * ImGui::GetStyle().ItemSpacing.x;
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted(text);
    ImGui::SameLine(fieldX);
}

// Frame skip counts the vertical blanks each picture stays; it only means something
// while presents wait for them.
static void drawFrameSkip() {
    fieldLabel("Frame Skip");
    ImGui::SetNextItemWidth(100);
    if (config.forceVblSync) {
        int skip = int(config.frameSkip);
        if (ImGui::InputInt("##frame skip", &skip))
            config.frameSkip = uint32_t(std::clamp(skip, 0, int(MAX_FRAME_SKIP)));
    } else {
        char empty[1] = {};
        ImGui::BeginDisabled();
        ImGui::InputText("##frame skip", empty, sizeof empty);
        ImGui::EndDisabled();
    }
    noteItem("Frame Skip");
}

static const char* adapterLabel(int i) {
    static char label[160];
    const AdapterRecord& a = adapters[i];
    std::snprintf(label, sizeof label, "%s (%d x %d)", a.name, a.width, a.height);
    return label;
}

// SDL's displays stand for the adapters; the refresh rates are those the chosen display
// lists for its desktop mode, in which the window runs full screen.
static void drawAdapterAndRefresh() {
    uint32_t current = chooseAdapter(adapterCount, config.videoAdapter);
    fieldLabel("Adapter");
    ImGui::SetNextItemWidth(-1);
    if (ImGui::BeginCombo("##adapter", adapterCount > 0 ? adapterLabel(int(current)) : "")) {
        for (int i = 0; i < adapterCount; ++i)
            if (ImGui::Selectable(adapterLabel(i), uint32_t(i) == current) && uint32_t(i) != config.videoAdapter) {
                config.videoAdapter = uint32_t(i);
                config.videoRefresh = chooseRefresh(adapters[i], config.videoRefresh);
                askForRestart();
            }
        ImGui::EndCombo();
    }
    noteItem("Adapter");

    fieldLabel("Refresh Rate");
    ImGui::SetNextItemWidth(-1);
    char shown[16] = "";
    if (adapterCount > 0) std::snprintf(shown, sizeof shown, "%u Hz", config.videoRefresh);
    if (ImGui::BeginCombo("##refresh", shown)) {
        const AdapterRecord& a = adapters[current];
        for (int i = 0; adapterCount > 0 && i < a.refreshCount; ++i) {
            char rate[16];
            std::snprintf(rate, sizeof rate, "%d Hz", a.refreshRates[i]);
            bool chosen = uint32_t(a.refreshRates[i]) == config.videoRefresh;
            if (ImGui::Selectable(rate, chosen) && !chosen) {
                config.videoRefresh = uint32_t(a.refreshRates[i]);
                askForRestart();
            }
        }
        ImGui::EndCombo();
    }
    noteItem("Refresh Rate");
}

// CPU rendering needs the 800 x 600 texture and texture mode the 1024 x 512 one (SDL
// converts either from R5G6B5 to what the display uses). The line output modes are CPU
// rendering's; filtering is texture mode's.
static void drawDisplay(float width) {
    beginGroup("Display", width, groupHeight(7));
    bool texture = config.useTexture;
    if (menuRadio("CPU Rendering", !texture, cpuRenderingReady())) setTextureMode(false);
    ImGui::SameLine();
    if (menuRadio("GPU (Texture)", texture, texturesReady())) setTextureMode(true);
    for (uint32_t mode = 0; mode < 4; ++mode) {
        if (mode > 0) ImGui::SameLine();
        if (menuRadio(LINE_MODES[mode], machineSettings.softwareMode == mode, !texture))
            machineSettings.softwareMode = mode;
    }
    menuCheckbox("Bilinear Filtering", config.useTextureFiltering, texture);
    ImGui::SameLine(width / 2);
    menuCheckbox("Force PC Video sync.", config.forceVblSync);
    drawFrameSkip();
    drawAdapterAndRefresh();
    if (menuCheckbox("Run Quarv in fullscreen", config.fullscreen)) askForRestart();
    ImGui::SameLine();
    menuCheckbox("Integer scaling", config.integerScaling);
    endGroup();
}

static void drawStartup(float width, float height) {
    beginGroup("Start-up and quit", width, height);
    menuCheckbox("Ask fullscreen-mode at startup", config.askFullscreen);
    menuCheckbox("Run default memory snapshot at startup", config.defaultMemRun);
    menuCheckbox("Confirm Quit", config.confirmQuit);
    endGroup();
}

void drawOptionsPage() {
    if (pageEntered(lastFrame)) adapterCount = enumerateAdapters(adapters);
    const float spacing = ImGui::GetStyle().ItemSpacing.x;
    const float column = (ImGui::GetContentRegionAvail().x - spacing) / 2;
    const float gap = ImGui::GetStyle().ItemSpacing.y;
    const float columnHeight =
        std::max(groupHeight(3) + groupHeight(2) + groupHeight(1) + groupHeight(2) + 3 * gap,
                 groupHeight(7) + groupHeight(2) + groupHeight(3) + 2 * gap);

    ImGui::BeginGroup();
    drawMachine(column);
    drawSound(column);
    drawInput(column);
    drawInformation(column);
    ImGui::EndGroup();
    ImGui::SameLine();
    ImGui::BeginGroup();
    drawDisplay(column);
    drawRewind(column);
    drawStartup(column, columnHeight - groupHeight(7) - groupHeight(2) - 2 * gap);
    ImGui::EndGroup();
    drawRomList(ImGui::GetContentRegionAvail().y);
}
