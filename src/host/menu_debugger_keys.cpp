#include "host/menu_debugger_keys.h"

#include <SDL.h>
#include <imgui.h>

#include <cstdlib>

#include "debugger/debug_run.h"
#include "debugger/debugger_view.h"
#include "frontend/debugger_commands.h"
#include "host/menu.h"

namespace {
enum class Dialog { None, CodeAddress, MemoryAddress, Nops };
Dialog dialog = Dialog::None;
char dialogText[16];

const char* const ADDRESS_DIALOG = "Set Memory Address";
const char* const NOPS_DIALOG = "NOP to reach (decimal)";

bool pressed(SDL_Scancode key) { return ImGui::IsKeyPressed(key); }

// The run commands leave the menu for the debugger's run.
void run(void (*command)()) {
    command();
    openMenuPage(-1);
}

void openDialog(Dialog which) {
    dialog = which;
    dialogText[0] = 0;
    ImGui::OpenPopup(which == Dialog::Nops ? NOPS_DIALOG : ADDRESS_DIALOG);
}

// The hex digit of a key (0-9, A-F, keypad digits), or -1.
int hexDigitOf() {
    for (int d = 0; d < 10; ++d) {
        SDL_Scancode digit = d ? SDL_Scancode(SDL_SCANCODE_1 + d - 1) : SDL_SCANCODE_0;
        SDL_Scancode keypad = d ? SDL_Scancode(SDL_SCANCODE_KP_1 + d - 1) : SDL_SCANCODE_KP_0;
        if (pressed(digit) || pressed(keypad)) return d;
    }
    for (int d = 0; d < 6; ++d)
        if (pressed(SDL_Scancode(SDL_SCANCODE_A + d))) return 10 + d;
    return -1;
}

void memoryPaneKeys() {
    if (pressed(SDL_SCANCODE_LEFT) || pressed(SDL_SCANCODE_BACKSPACE)) viewMoveCursor(-1);
    if (pressed(SDL_SCANCODE_RIGHT)) viewMoveCursor(1);
    if (pressed(SDL_SCANCODE_UP)) viewMoveCursor(-MEMORY_ROW_BYTES);
    if (pressed(SDL_SCANCODE_DOWN)) viewMoveCursor(MEMORY_ROW_BYTES);
    int digit = hexDigitOf();
    if (digit >= 0) viewHexDigit(digit);
}

void pageKeys() {
    const ImGuiIO& io = ImGui::GetIO();
    if (io.KeyCtrl && pressed(SDL_SCANCODE_TAB)) viewSwitchPane();
    if (pressed(SDL_SCANCODE_G)) openDialog(Dialog::CodeAddress);
    if (pressed(SDL_SCANCODE_M)) openDialog(Dialog::MemoryAddress);
    if (pressed(SDL_SCANCODE_T)) openDialog(Dialog::Nops);
    if (pressed(SDL_SCANCODE_PAGEUP)) viewPage(-1);
    if (pressed(SDL_SCANCODE_PAGEDOWN)) viewPage(1);
    if (debuggerView.memoryHasKeys) {
        memoryPaneKeys();
    } else {
        if (pressed(SDL_SCANCODE_UP)) viewScrollLine(-1);
        if (pressed(SDL_SCANCODE_DOWN)) viewScrollLine(1);
    }
    if (pressed(SDL_SCANCODE_F6)) debugStepOne();
    if (pressed(SDL_SCANCODE_F8)) debugSkipInstruction();
    if (pressed(SDL_SCANCODE_F5)) run(debugContinue);
    if (pressed(SDL_SCANCODE_F7)) run(debugStepOver);
}

void applyDialog() {
    if (dialog == Dialog::Nops) {
        char* end = nullptr;
        long nops = std::strtol(dialogText, &end, 10);
        if (end != dialogText && nops > 0 && nops <= 0x7FFFFFFF / 4) {
            debugRunToCycle(nops);
            openMenuPage(-1);
        }
        return;
    }
    uint32_t address;
    if (!parseHexAddress(dialogText, address, true)) return;
    if (dialog == Dialog::CodeAddress) viewDisassemblyAt(address);
    else viewMemoryAt(address);
}

void drawDialog(const char* title, const char* label, ImGuiInputTextFlags filter) {
    ImGui::SetNextWindowPos(ImGui::GetMainViewport()->GetCenter(), ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
    if (!ImGui::BeginPopupModal(title, nullptr, ImGuiWindowFlags_AlwaysAutoResize)) return;
    if (ImGui::IsWindowAppearing()) ImGui::SetKeyboardFocusHere();
    ImGui::TextUnformatted(label);
    ImGui::SameLine();
    ImGui::SetNextItemWidth(120);
    bool enter = ImGui::InputText("##value", dialogText, sizeof dialogText, filter | ImGuiInputTextFlags_EnterReturnsTrue);
    if (ImGui::Button("OK") || enter) {
        applyDialog();
        dialog = Dialog::None;
        ImGui::CloseCurrentPopup();
    }
    ImGui::SameLine();
    if (ImGui::Button("Cancel") || pressed(SDL_SCANCODE_ESCAPE)) {
        dialog = Dialog::None;
        ImGui::CloseCurrentPopup();
    }
    ImGui::EndPopup();
}
}  // namespace

void handleDebuggerKeys() {
    // Keys go to the page only while no dialog and no text field takes them.
    if (dialog == Dialog::None && !ImGui::GetIO().WantTextInput) pageKeys();
    drawDialog(ADDRESS_DIALOG, "Address:", ImGuiInputTextFlags_CharsHexadecimal);
    drawDialog(NOPS_DIALOG, "Nb NOPS:", ImGuiInputTextFlags_CharsDecimal);
}
