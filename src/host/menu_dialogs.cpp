#include "host/menu_dialogs.h"

#include <imgui.h>
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <vector>

#include "host/menu_widgets.h"

namespace fs = std::filesystem;

namespace {
struct MessageDialog {
    std::string caption, text;
    bool question;
    void (*onYes)();
};
std::deque<MessageDialog> messages;

struct FolderEntry {
    std::string name;
    bool folder;
};

struct FileDialog {
    bool open = false;
    std::string folder;
    std::vector<FolderEntry> entries;
    char name[1024] = {};
    void (*onOpen)(const std::string& path) = nullptr;
} files;

constexpr float MESSAGE_WRAP = 460;
constexpr float FILE_DIALOG_WIDTH = 560, FILE_LIST_HEIGHT = 300;
}  // namespace

void menuMessage(const char* caption, const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", caption, text.c_str());
    messages.push_back({caption, text, false, nullptr});
}

void menuQuestion(const char* caption, const std::string& text, void (*onYes)()) {
    messages.push_back({caption, text, true, onYes});
}

// Folders first, then files, each in name order without regard to case; hidden entries
// are left out.
static void listFolder(const fs::path& folder) {
    std::error_code error;
    files.folder = fs::weakly_canonical(folder, error).string();
    files.entries.clear();
    for (fs::directory_iterator it(files.folder, fs::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.') continue;
        std::error_code ignored;
        files.entries.push_back({name, it->is_directory(ignored)});
    }
    std::sort(files.entries.begin(), files.entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        if (a.folder != b.folder) return a.folder;
        return strcasecmp(a.name.c_str(), b.name.c_str()) < 0;
    });
}

void openFileDialog(const std::string& folder, void (*onOpen)(const std::string& path)) {
    files.open = true;
    files.onOpen = onOpen;
    files.name[0] = 0;
    listFolder(folder.empty() ? fs::current_path() : fs::path(folder));
}

static void centreNextWindow() {
    ImVec2 screen = ImGui::GetIO().DisplaySize;
    ImGui::SetNextWindowPos(ImVec2(screen.x / 2, screen.y / 2), ImGuiCond_Always, ImVec2(0.5f, 0.5f));
}

static bool keyPressed(ImGuiKey key) { return ImGui::IsKeyPressed(ImGui::GetKeyIndex(key), false); }

// The typed name, relative to the folder shown: a folder is entered, a file is opened.
// Returns the path to open, or "" when the dialog stays.
static std::string openTyped() {
    if (!files.name[0]) return "";
    fs::path path = fs::path(files.folder) / files.name;  // an absolute name replaces the folder
    std::error_code error;
    if (fs::is_directory(path, error)) {
        listFolder(path);
        files.name[0] = 0;
        return "";
    }
    return path.string();
}

static void drawFileDialog() {
    const char* const id = "Open###file dialog";
    if (!ImGui::IsPopupOpen(id)) ImGui::OpenPopup(id);
    centreNextWindow();
    ImGui::SetNextWindowSize(ImVec2(FILE_DIALOG_WIDTH, 0));
    if (!ImGui::BeginPopupModal(id, nullptr, ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings)) return;

    ImGui::TextUnformatted("Look in:");
    ImGui::SameLine();
    ImGui::TextUnformatted(files.folder.c_str());
    fs::path enter;
    ImGui::BeginChild("entries", ImVec2(0, FILE_LIST_HEIGHT), true);
    if (ImGui::Selectable("../")) enter = fs::path(files.folder).parent_path();
    noteItem("../");
    for (const FolderEntry& e : files.entries) {
        std::string shown = e.folder ? e.name + "/" : e.name;
        if (ImGui::Selectable(shown.c_str(), !e.folder && e.name == files.name)) {
            if (e.folder)
                enter = fs::path(files.folder) / e.name;
            else
                std::snprintf(files.name, sizeof files.name, "%s", e.name.c_str());
        }
        noteItem(shown.c_str());
    }
    ImGui::EndChild();

    const float labelWidth = ImGui::CalcTextSize("Files of type:").x + ImGui::GetStyle().ItemSpacing.x;
    ImGui::TextUnformatted("File name:");
    ImGui::SameLine(labelWidth);
    ImGui::SetNextItemWidth(-1);
    bool entered = ImGui::InputText("##file name", files.name, sizeof files.name, ImGuiInputTextFlags_EnterReturnsTrue);
    noteItem("File name:");
    ImGui::TextUnformatted("Files of type:");
    ImGui::SameLine(labelWidth);
    ImGui::SetNextItemWidth(-1);
    if (ImGui::BeginCombo("##type", "All Files")) {
        ImGui::Selectable("All Files", true);
        ImGui::EndCombo();
    }
    bool openClicked = menuButton("Open") || entered;
    ImGui::SameLine();
    bool cancel = menuButton("Cancel") || keyPressed(ImGuiKey_Escape);

    std::string chosen = openClicked ? openTyped() : "";
    if (!enter.empty()) listFolder(enter);
    if (!chosen.empty() || cancel) {
        files.open = false;
        ImGui::CloseCurrentPopup();
    }
    ImGui::EndPopup();
    if (!chosen.empty()) files.onOpen(chosen);
}

static void drawMessage() {
    MessageDialog& m = messages.front();
    std::string id = m.caption + "###message";
    if (!ImGui::IsPopupOpen("###message")) ImGui::OpenPopup(id.c_str());
    centreNextWindow();
    const ImGuiWindowFlags flags =
        ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings;
    if (!ImGui::BeginPopupModal(id.c_str(), nullptr, flags)) return;
    ImGui::PushTextWrapPos(MESSAGE_WRAP);
    ImGui::TextUnformatted(m.text.c_str());
    ImGui::PopTextWrapPos();
    ImGui::Spacing();
    bool yes = false, closed = false;
    if (m.question) {
        yes = menuButton("Yes") || keyPressed(ImGuiKey_Enter);
        ImGui::SameLine();
        closed = menuButton("No") || keyPressed(ImGuiKey_Escape);
    } else {
        closed = menuButton("OK") || keyPressed(ImGuiKey_Enter) || keyPressed(ImGuiKey_Escape);
    }
    void (*action)() = yes ? m.onYes : nullptr;
    if (yes || closed) {
        messages.pop_front();
        ImGui::CloseCurrentPopup();
    }
    ImGui::EndPopup();
    if (action) action();
}

void drawMenuDialogs() {
    if (files.open)
        drawFileDialog();
    else if (!messages.empty())
        drawMessage();
}
