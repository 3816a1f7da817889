// The disks page: a tree of the host's folders, the disk images of the chosen folder
// with the probe of the selected one, drive A with its buttons, and the hard disks.
#include <imgui.h>

#include <filesystem>
#include <map>

#include "bus/machine_settings.h"
#include "floppy/disk_image.h"
#include "frontend/config.h"
#include "frontend/disk_browser.h"
#include "frontend/startup.h"
#include "host/menu_dialogs.h"
#include "host/menu_pages.h"
#include "host/menu_widgets.h"
#include "machine/machine_reset.h"

namespace fs = std::filesystem;

namespace {
int lastFrame = -2;
std::string folder;        // the chosen folder
std::string revealFolder;  // opened down to and shown, once
std::map<std::string, std::vector<std::string>> subfolders;  // listed when first shown open
std::vector<DiskBrowserEntry> images;  // of the chosen folder
int selected = -1;
DiskImageInfo probe;  // of the selected image
bool probed;          // and whether it was recognised

constexpr float FOLDER_WIDTH = 260;
}  // namespace

static void chooseFolder(const std::string& path) {
    folder = path;
    config.directory = path;
    images = listDiskImages(path);
    selected = -1;
    probed = false;
}

static void insertDisk(const std::string& path) {
    config.driveA = path;
    if (InsertDisk(path.c_str())) return;
    std::string message = diskRefusedMessage(path);
    config.driveA.clear();
    menuMessage("Disk Error", message);
}

static void selectImage(int index) {
    selected = index;
    probed = DetectDiskImage(images[index].path.c_str(), &probe);
    if (probed && config.autoInsertDiskA) insertDisk(images[index].path);
}

static const std::vector<std::string>& subfoldersOf(const std::string& path) {
    auto found = subfolders.find(path);
    if (found == subfolders.end()) found = subfolders.emplace(path, listSubfolders(path)).first;
    return found->second;
}

// A folder inside `revealFolder`'s path (or that folder itself).
static bool onRevealPath(const std::string& path) {
    if (revealFolder.compare(0, path.size(), path) != 0) return false;
    return revealFolder.size() == path.size() || path == "/" || revealFolder[path.size()] == '/';
}

static void drawFolderNode(const std::string& path, const std::string& name) {
    ImGuiTreeNodeFlags flags = ImGuiTreeNodeFlags_OpenOnArrow | ImGuiTreeNodeFlags_OpenOnDoubleClick |
                               ImGuiTreeNodeFlags_SpanAvailWidth;
    if (path == folder) flags |= ImGuiTreeNodeFlags_Selected;
    bool reveal = !revealFolder.empty() && onRevealPath(path);
    if (reveal) ImGui::SetNextItemOpen(true);
    bool open = ImGui::TreeNodeEx(path.c_str(), flags, "%s", name.c_str());
    noteItem(name.c_str());
    if (reveal && path == revealFolder) ImGui::SetScrollHereY(0.3f);
    if (ImGui::IsItemClicked() && !ImGui::IsItemToggledOpen()) chooseFolder(path);
    if (!open) return;
    for (const std::string& child : subfoldersOf(path))
        drawFolderNode((fs::path(path) / child).string(), child);
    ImGui::TreePop();
}

static void drawBrowser(float height) {
    ImGui::BeginChild("folders", ImVec2(FOLDER_WIDTH, height), true, ImGuiWindowFlags_HorizontalScrollbar);
    drawFolderNode("/", "/");
    ImGui::EndChild();
    revealFolder.clear();
    ImGui::SameLine();
    ImGui::BeginChild("images", ImVec2(0, height), true);
    if (images.empty()) ImGui::TextDisabled("No disk image in this folder.");
    for (int i = 0; i < int(images.size()); ++i) {
        if (ImGui::Selectable(images[i].name.c_str(), i == selected)) selectImage(i);
        noteItem(images[i].name.c_str());
    }
    ImGui::EndChild();
}

static void valueLine(const char* label, const std::string& value) {
    ImGui::TextUnformatted(label);
    ImGui::SameLine(100);
    ImGui::TextUnformatted(value.c_str());
}

// The selected image: an image that cannot be recognised shows only its name.
static void drawProbe(float width, float height) {
    beginGroup("Selected image", width, height);
    bool any = selected >= 0;
    valueLine("Filename", any ? images[selected].name : "");
    if (any && !probed) {
        ImGui::TextUnformatted("Unknown image format.");
    } else if (any) {
        valueLine("Size", diskSizeText(probe));
        valueLine("Geometry", std::to_string(probe.tracks) + " tracks, " + std::to_string(probe.sectorsPerTrack) +
                                  " sectors, " + std::to_string(probe.sides) + " sides");
        valueLine("Compression", diskPercentText(probe));
        valueLine("Format", diskFormatName(probe.format));
    }
    endGroup();
}

static void drawDriveA(float height) {
    beginGroup("Drive A:", 0, height);
    bool loaded = driveA.loaded;
    const std::string& path = driveA.fileName;
    size_t slash = path.rfind('/');
    valueLine("Inserted", loaded ? path.substr(slash == std::string::npos ? 0 : slash + 1) : "(empty)");
    if (menuButton("Insert", selected >= 0)) insertDisk(images[selected].path);
    ImGui::SameLine();
    if (menuButton("Eject", loaded)) {
        config.driveA.clear();
        EjectDisk();
    }
    ImGui::SameLine();
    // The box shows the setting while a disk is in the drive; empty, it is cleared.
    uint32_t shown = loaded ? machineSettings.floppyAProtected : 0;
    if (menuCheckbox("Write protected", shown, loaded)) machineSettings.floppyAProtected = shown;
    menuCheckbox("Auto-insert image in drive A:", config.autoInsertDiskA);
    if (menuButton("Warm Reset ( F11 )")) machineReset(false);
    ImGui::SameLine();
    if (menuButton("Cold Reset ( Shift F11 )")) machineReset(true);
    endGroup();
}

// Drives C: and beyond.
static void drawHardDisk(float height) {
    beginGroup("Hard disk", 0, height);
    drawFolderDriveRows(folder);
    drawAcsiRows();
    endGroup();
}

void drawDisksPage() {
    if (pageEntered(lastFrame)) {
        subfolders.clear();
        chooseFolder(diskBrowserStartFolder(insertedDiskPath(), config.directory));
        revealFolder = folder;
    }
    float height = groupHeight(3, 1), hardDiskHeight = groupHeight(1 + ACSI_ROWS, 1);
    float spacing = ImGui::GetStyle().ItemSpacing.y;
    drawBrowser(ImGui::GetContentRegionAvail().y - height - hardDiskHeight - 2 * spacing);
    drawProbe(FOLDER_WIDTH + 120, height);
    ImGui::SameLine();
    drawDriveA(height);
    drawHardDisk(hardDiskHeight);
}
