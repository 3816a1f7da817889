#include <imgui.h>

#include "host/menu_pages.h"

void drawDisksPage() { ImGui::TextUnformatted("Disks"); }
