// The ACSI rows of the disks page's "Hard disk" section: the image each of devices 0 and
// 1 holds, attached through the file dialog or detached, and whether the ST's changes
// are written back to the image files. TOS looks for hard disks when it starts, so an
// image attached while it runs is seen after a reset.
#include <imgui.h>

#include "bus/machine_settings.h"
#include "floppy/hard_disk_image.h"
#include "frontend/config.h"
#include "host/menu_dialogs.h"
#include "host/menu_pages.h"
#include "host/menu_widgets.h"

namespace {
uint32_t attaching;        // the device the file dialog is choosing an image for
std::string attachFolder;  // where the dialog opens: the folder of the last image attached
}  // namespace

// The image the device held goes as Detach takes it away.
static void attach(const std::string& path) {
    attachFolder = path.substr(0, path.rfind('/'));
    if (!hardDiskWriteBack(attaching)) {
        menuMessage("Disk Error", hardDiskError);
        return;
    }
    config.acsiImage[attaching].clear();
    if (!hardDiskAttach(attaching, path)) {
        menuMessage("Disk Error", hardDiskError);
        return;
    }
    config.acsiImage[attaching] = path;
}

// The changes reach the file first (with write-back on); an image whose changes cannot
// be written stays attached, so that nothing is lost.
static void detach(uint32_t id) {
    if (!hardDiskWriteBack(id)) {
        menuMessage("Disk Error", hardDiskError);
        return;
    }
    hardDiskDetach(id);
    config.acsiImage[id].clear();
}

void drawAcsiRows() {
    for (uint32_t id = 0; id < HARD_DISKS; ++id) {
        const std::string& path = hardDisks[id].path;
        ImGui::PushID(int(id));
        ImGui::Text("ACSI %u:", id);
        ImGui::SameLine(100);
        ImGui::TextUnformatted(hardDiskAttached(id) ? path.substr(path.rfind('/') + 1).c_str() : "(none)");
        ImGui::SameLine(420);
        if (menuButton("Attach...")) {
            attaching = id;
            openFileDialog(attachFolder, attach);
        }
        ImGui::SameLine();
        if (menuButton("Detach", hardDiskAttached(id))) detach(id);
        ImGui::PopID();
    }
    menuCheckbox("Write changes back to the image files", machineSettings.acsiWriteBack);
}
