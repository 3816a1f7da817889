#include <imgui.h>

#include "host/menu_pages.h"

void drawOptionsPage() { ImGui::TextUnformatted("Options"); }
