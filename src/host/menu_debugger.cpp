#include <imgui.h>

#include "host/menu_pages.h"

void drawDebuggerPage() { ImGui::TextUnformatted("Debugger"); }
