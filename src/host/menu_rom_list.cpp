// The ROM list of the options page: the registered TOS and cartridge images with their
// header's facts, newest first; Add, Delete and Set Active.
#include <imgui.h>

#include "frontend/rom_list.h"
#include "host/menu_dialogs.h"
#include "host/menu_pages.h"
#include "host/menu_widgets.h"
#include "machine/machine_reset.h"
#include "machine/rom_images.h"

namespace {
int32_t selectedId = -1;
std::string addFolder;  // where the file dialog opens: the folder of the last file added

struct Column {
    const char* title;
    float width;
};
const Column COLUMNS[7] = {{"Filename", 180}, {"Type", 90}, {"Base", 70}, {"Ver", 40},
                           {"Date", 80},      {"Country", 150}, {"Active", 50}};
}  // namespace

static void addRom(const std::string& path) {
    addFolder = path.substr(0, path.rfind('/'));
    int32_t id = romListAdd(path.c_str());
    if (id < 0) return;  // unreadable, unknown or already listed
    selectedId = id;
    const uint8_t* header = romListHeader(uint32_t(id));
    if (header[2] != 1 || header[3] != 0)
        menuMessage("TOS Warning !",
                    "Quarv prefer TOS 1.00 version. If you encounter problems, please use a TOS 1.00 instead.");
    menuMessage("Note", "Don't forget to activate the new ROM by clicking on the Set-Active button");
}

// A TOS image is loaded at once and the machine restarts on it; a cartridge is read at
// the next start. An image that cannot be loaded stays inactive, with the reason shown.
static void setActive() {
    if (selectedId < 0) {
        menuMessage("Note", "Please select a line in the ROM-List before clicking on the SET-Active button.");
        return;
    }
    uint32_t id = uint32_t(selectedId);
    if (romListKind(id) == ROM_KIND_TOS && !loadTosRom(romListName(id))) {
        menuMessage("TOS Error", romLoadError);
        return;
    }
    machineReset(true);
    romListSetActive(id);
}

static void drawTable(float height) {
    const ImGuiTableFlags flags = ImGuiTableFlags_Borders | ImGuiTableFlags_RowBg | ImGuiTableFlags_ScrollY |
                                  ImGuiTableFlags_SizingFixedFit;
    if (!ImGui::BeginTable("roms", 7, flags, ImVec2(0, height))) return;
    ImGui::TableSetupScrollFreeze(0, 1);
    for (const Column& c : COLUMNS) ImGui::TableSetupColumn(c.title, ImGuiTableColumnFlags_WidthFixed, c.width);
    ImGui::TableHeadersRow();
    for (int position = 0; position < romListCount(); ++position) {
        uint32_t id = uint32_t(romListIdAt(position));
        RomRowTexts row = romRowTexts(id);
        ImGui::TableNextRow();
        ImGui::TableNextColumn();
        ImGui::PushID(int(id));
        if (ImGui::Selectable(row.fileName.c_str(), selectedId == int32_t(id), ImGuiSelectableFlags_SpanAllColumns))
            selectedId = int32_t(id);
        noteItem(row.fileName.c_str());
        ImGui::PopID();
        for (const std::string* text : {&row.type, &row.base, &row.version, &row.date, &row.country, &row.active}) {
            ImGui::TableNextColumn();
            ImGui::TextUnformatted(text->c_str());
        }
    }
    ImGui::EndTable();
}

void drawRomList(float height) {
    beginGroup("ROM list", 0, height);
    if (selectedId >= 0 && !romListName(uint32_t(selectedId))) selectedId = -1;
    float buttons = ImGui::GetFrameHeightWithSpacing();
    drawTable(ImGui::GetContentRegionAvail().y - buttons);
    if (menuButton("&Add")) openFileDialog(addFolder, addRom);
    ImGui::SameLine();
    if (menuButton("&Delete") && selectedId >= 0) {
        romListRemove(uint32_t(selectedId));
        selectedId = -1;
    }
    ImGui::SameLine();
    if (menuButton("&Set Active")) setActive();
    endGroup();
}
