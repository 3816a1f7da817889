#include "host/menu_widgets.h"

#include <imgui.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
struct NotedItem {
    std::string text;
    ImVec2 min, max;
};
std::vector<NotedItem> notedItems;
}  // namespace

std::string shownText(const char* resourceText) {
    std::string shown;
    for (const char* p = resourceText; *p; ++p) {
        if (*p == '&' && p[1] == '&') ++p;  // "&&" is a literal ampersand
        else if (*p == '&') continue;
        shown += *p;
    }
    return shown;
}

// The part of the item inside its window: an item as wide as a scrolled region reaches
// beyond what is shown.
void noteItem(const char* text) {
    const char* end = std::strstr(text, "##");
    std::string shown(text, end ? size_t(end - text) : std::strlen(text));
    for (const NotedItem& item : notedItems)
        if (item.text == shown) return;
    ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
    ImVec2 windowMin = ImGui::GetWindowPos(), windowSize = ImGui::GetWindowSize();
    min = ImVec2(std::max(min.x, windowMin.x), std::max(min.y, windowMin.y));
    max = ImVec2(std::min(max.x, windowMin.x + windowSize.x), std::min(max.y, windowMin.y + windowSize.y));
    notedItems.push_back({shown, min, max});
}

void clearNotedItems() { notedItems.clear(); }

bool notedItemCentre(const char* text, int& x, int& y) {
    for (const NotedItem& item : notedItems)
        if (item.text == text) {
            x = int((item.min.x + item.max.x) / 2);
            y = int((item.min.y + item.max.y) / 2);
            return true;
        }
    return false;
}

bool menuButton(const char* text, bool enabled) {
    std::string label = shownText(text);
    ImGui::BeginDisabled(!enabled);
    bool clicked = ImGui::Button(label.c_str());
    ImGui::EndDisabled();
    noteItem(label.c_str());
    return clicked;
}

bool menuCheckbox(const char* text, bool& value, bool enabled) {
    ImGui::BeginDisabled(!enabled);
    bool changed = ImGui::Checkbox(text, &value);
    ImGui::EndDisabled();
    noteItem(text);
    return changed;
}

bool menuCheckbox(const char* text, uint32_t& value, bool enabled) {
    bool on = value != 0;
    if (!menuCheckbox(text, on, enabled)) return false;
    value = on ? 1 : 0;
    return true;
}

bool menuRadio(const char* text, bool selected, bool enabled) {
    ImGui::BeginDisabled(!enabled);
    bool clicked = ImGui::RadioButton(text, selected);
    ImGui::EndDisabled();
    noteItem(text);
    return clicked && !selected;
}

void beginGroup(const char* title, float width, float height) {
    ImGui::BeginChild(title, ImVec2(width, height), true, ImGuiWindowFlags_NoScrollbar);
    const char* end = std::strstr(title, "##");
    ImGui::TextUnformatted(title, end);
    ImGui::Separator();
}

void endGroup() { ImGui::EndChild(); }

// The title, its separator and the child's padding come on top of the rows.
float groupHeight(int controlRows, int textLines) {
    const ImGuiStyle& style = ImGui::GetStyle();
    return controlRows * ImGui::GetFrameHeightWithSpacing() + (1 + textLines) * ImGui::GetTextLineHeightWithSpacing() +
           style.ItemSpacing.y + 2 * style.WindowPadding.y;
}

bool pageEntered(int& lastFrame) {
    int frame = ImGui::GetFrameCount();
    bool entered = lastFrame != frame - 1;
    lastFrame = frame;
    return entered;
}
