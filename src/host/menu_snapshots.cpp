#include <imgui.h>

#include "host/menu_pages.h"

void drawSnapshotsPage() { ImGui::TextUnformatted("Snapshots, sound and screenshot"); }
