// The disks page's folder drive rows: the host folder that is a GEMDOS drive of the
// running TOS, its letter and its write protection. A change takes effect at once; the
// TOS shows a new drive from its next boot.
#include <imgui.h>

#include "frontend/config.h"
#include "frontend/folder_drive_start.h"
#include "gemdos/folder_drive.h"
#include "host/menu_dialogs.h"
#include "host/menu_pages.h"
#include "host/menu_widgets.h"

static void attachFromSettings() {
    std::string error;
    if (!attachConfiguredFolderDrive(error)) menuMessage("Quarv", error);
}

void drawFolderDriveRows(const std::string& chosenFolder) {
    bool attached = folderDriveAttached();
    ImGui::TextUnformatted("Folder drive");
    ImGui::SameLine(100);
    ImGui::TextUnformatted(attached ? folderDrivePath().c_str() : "(none)");
    if (menuButton("Use Chosen Folder", !chosenFolder.empty())) {
        config.folderDrive = chosenFolder;
        attachFromSettings();
    }
    ImGui::SameLine();
    if (menuButton("Remove Folder", attached || !config.folderDrive.empty())) {
        config.folderDrive.clear();
        detachFolderDrive();
    }
    ImGui::SameLine();
    ImGui::TextUnformatted("Drive letter");
    ImGui::SameLine();
    ImGui::SetNextItemWidth(60);
    char letter[3] = {char('A' + config.folderDriveLetter), ':', 0};
    if (ImGui::BeginCombo("##letter", letter)) {
        for (uint32_t l = 2; l <= 25; ++l) {
            char item[3] = {char('A' + l), ':', 0};
            if (ImGui::Selectable(item, l == config.folderDriveLetter) && l != config.folderDriveLetter) {
                config.folderDriveLetter = l;
                if (attached) attachFromSettings();
            }
            noteItem(item);
        }
        ImGui::EndCombo();
    }
    noteItem("Drive letter");
    ImGui::SameLine();
    if (menuCheckbox("Folder write protected", config.folderDriveProtected))
        setFolderDriveWriteProtect(config.folderDriveProtected);
    if (attached && folderDriveWriteProtected() && !config.folderDriveProtected) {
        ImGui::SameLine();
        ImGui::TextDisabled("(the folder is read-only)");
    }
}
