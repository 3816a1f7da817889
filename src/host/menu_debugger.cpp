// The debugger page: registers, 16 disassembled instructions, the memory dump, the
// "Break on Irq" switches, the floppy controller, and the breakpoint and watchpoint
// lists. Its keys and dialogs are in menu_debugger_keys.cpp.
#include <imgui.h>

#include <cstdio>
#include <cstring>

#include "cpu/cpu.h"
#include "cpu/disassembler.h"
#include "debugger/debug_report.h"
#include "debugger/debug_run.h"
#include "debugger/debugger_view.h"
#include "debugger/watchpoints.h"
#include "floppy/wd1772.h"
#include "frontend/run_loop.h"
#include "host/menu_debugger_keys.h"
#include "host/menu_pages.h"

namespace {
const ImVec4 BRIGHT(1.0f, 1.0f, 1.0f, 1.0f);
const ImVec4 DIM(0.35f, 0.35f, 0.55f, 1.0f);
const ImVec4 PC_LINE(0.25f, 0.25f, 0.6f, 0.8f);
const ImVec4 BREAKPOINT_MARK(1.0f, 0.4f, 0.4f, 1.0f);

constexpr float LEFT_WIDTH = 356, RIGHT_WIDTH = 382;
constexpr float TOP_HEIGHT = 162, MIDDLE_HEIGHT = 268, BOTTOM_HEIGHT = 84;

long drawnAtFrame = -1;  // framesEmulated when the page was last drawn

bool hasBreakpoint(uint32_t address) {
    for (int i = 0; i < debugRun.breakpointCount; ++i)
        if (debugRun.breakpoints[i] == address) return true;
    return false;
}

// A pane's title is bright while the pane has the keyboard.
void paneTitle(const char* title, bool keys) {
    ImGui::TextColored(keys ? BRIGHT : DIM, "%s %s", keys ? ">" : " ", title);
}

bool beginPane(const char* id, float width, float height) {
    return ImGui::BeginChild(id, ImVec2(width, height), true, ImGuiWindowFlags_NoScrollbar);
}

void drawRegisters() {
    char preview[32];
    for (int n = 0; n < 8; ++n) {
        formatMemoryPreview(cpu.regs[8 + n], preview, sizeof preview);
        ImGui::Text("D%d %08X  A%d %08X", n, cpu.regs[n], n, cpu.regs[8 + n]);
        ImGui::SameLine();
        ImGui::TextColored(DIM, "%s", preview);
    }
    ImGui::Text("A7'%08X  SR %04X  PC %08X", cpu.inactiveSp, cpu.sr, cpu.pc);
    ImGui::Text("CS %08X  Video:%06X   ", uint32_t(cpu.odometer), videoCounterAddress());
    // The status register's bits from T (bit 15) down to C (bit 0).
    for (int bit = 15; bit >= 0; --bit) {
        ImGui::SameLine(0, 0);
        ImGui::TextColored(cpu.sr & (1 << bit) ? BRIGHT : DIM, "%c", SrLetters[bit]);
    }
}

void drawInterruptSwitches() {
    ImGui::TextUnformatted("Break on Irq");
    for (int i = 0; i < 8; ++i) {
        if (i % 4) ImGui::SameLine(float(i % 4) * 90 + 4);
        ImGui::Checkbox(InterruptSourceNames[i], &debugRun.breakOnIrq[i]);
    }
}

void drawFloppyPanel() {
    static const char* const events[4] = {"idle", "busy", "done", "read"};
    ImGui::TextUnformatted("Floppy");
    char fields[9][32];
    std::snprintf(fields[0], 32, "Track : %d", fdc.track);
    std::snprintf(fields[1], 32, "Sector : %u", fdc.sector);
    std::snprintf(fields[2], 32, "Command : $%02X %s", fdc.status & 0xFF, events[fdc.eventType & 3]);
    std::snprintf(fields[3], 32, "DMA : %s", fdc.dmaOff ? "off" : fdc.dmaWrite ? "write" : "read");
    std::snprintf(fields[4], 32, "Direction : %s", fdc.stepIn ? "in" : "out");
    std::snprintf(fields[5], 32, "Address : $%06X", fdc.dmaAddress & 0xFFFFFF);
    std::snprintf(fields[6], 32, "Enabled : %s", fdc.motorOn ? "on" : "off");
    std::snprintf(fields[7], 32, "Block Size : %u", fdc.sectorCount);
    std::snprintf(fields[8], 32, "Data : $%02X", fdc.data & 0xFF);
    // Three columns: the controller, the DMA chip, the drive.
    static const int order[9] = {0, 1, 2, 4, 7, 8, 6, 3, 5};
    static const float columns[3] = {6, 124, 248};
    for (int i = 0; i < 9; ++i) {
        if (i % 3) ImGui::SameLine(columns[i % 3]);
        ImGui::TextUnformatted(fields[order[i]]);
    }
}

void drawDisassembly() {
    paneTitle("Disassembly (click a line: breakpoint)", !debuggerView.memoryHasKeys);
    uint32_t pc = cpu.pc & 0xFFFFFF;
    for (int line = 0; line < DISASSEMBLY_LINES; ++line) {
        uint32_t address = debuggerView.lines[line];
        disassembleOne(address);
        char text[96];
        std::snprintf(text, sizeof text, "  %06X  %s##line%d", address, disassemblyText, line);
        if (address == pc) ImGui::PushStyleColor(ImGuiCol_Header, PC_LINE);
        if (ImGui::Selectable(text, address == pc)) viewToggleBreakpointAtLine(line);
        if (address == pc) ImGui::PopStyleColor();
        if (hasBreakpoint(address)) {
            ImGui::SameLine(4);
            ImGui::TextColored(BREAKPOINT_MARK, "*");
        }
    }
}

void drawMemory() {
    paneTitle("Memory", debuggerView.memoryHasKeys);
    const ImVec2 byteSize = ImGui::CalcTextSize("00");
    for (int row = 0; row < MEMORY_ROWS; ++row) {
        uint32_t rowAddress = (debuggerView.memoryTop + uint32_t(row * MEMORY_ROW_BYTES)) & 0xFFFFFF;
        ImGui::Text("%06X", rowAddress);
        char characters[MEMORY_ROW_BYTES + 1] = {};
        for (int column = 0; column < MEMORY_ROW_BYTES; ++column) {
            uint32_t address = (rowAddress + uint32_t(column)) & 0xFFFFFF;
            uint8_t byte = viewReadByte(address);
            characters[column] = byte < 32 ? '.' : char(byte);
            char label[24];
            std::snprintf(label, sizeof label, "%02X##m%d", byte, row * MEMORY_ROW_BYTES + column);
            ImGui::SameLine(column ? 0 : 60);
            bool cursor = address == debuggerView.memoryCursor;
            if (ImGui::Selectable(label, cursor, 0, byteSize)) viewClickMemory(row, column);
        }
        ImGui::SameLine(0, 12);
        // Bytes from 128 up are shown as the font has them (nothing for most).
        for (char& c : characters)
            if (c & 0x80) c = '.';
        ImGui::TextUnformatted(characters);
    }
}

void drawBreakpointList() {
    ImGui::TextUnformatted("Breakpoints");
    if (ImGui::BeginListBox("##breakpoints", ImVec2(90, BOTTOM_HEIGHT - 26))) {
        for (int i = 0; i < debugRun.breakpointCount; ++i) {
            char label[24];
            std::snprintf(label, sizeof label, "%06X##b%d", debugRun.breakpoints[i], i);
            if (ImGui::Selectable(label)) viewDisassemblyAt(debugRun.breakpoints[i]);
        }
        ImGui::EndListBox();
    }
}

void drawWatchList() {
    ImGui::TextUnformatted("Watchpoints (click: remove)");
    if (ImGui::BeginListBox("##watchpoints", ImVec2(190, BOTTOM_HEIGHT - 26))) {
        for (int i = 0; i < watchpointCount; ++i) {
            char text[40], label[64];
            formatWatchpoint(watchpoints[i], text, sizeof text);
            std::snprintf(label, sizeof label, "%s##w%d", text, i);
            if (ImGui::Selectable(label)) removeWatchpoint(i);
        }
        ImGui::EndListBox();
    }
}

// A range and its access kind, added to the list.
void drawWatchEntry() {
    static char range[32];
    static int kind = 2;  // reads and writes
    static const char* const kinds[3] = {"r", "w", "rw"};
    static char message[64];
    ImGui::SetNextItemWidth(120);
    bool enter = ImGui::InputTextWithHint("##watchrange", "ADDR[-END]", range, sizeof range,
                                          ImGuiInputTextFlags_EnterReturnsTrue);
    for (int k = 0; k < 3; ++k) {
        ImGui::SameLine();
        ImGui::RadioButton(kinds[k], &kind, k);
    }
    ImGui::SameLine();
    if (ImGui::Button("Watch") || enter) {
        char text[40];
        std::snprintf(text, sizeof text, "%s:%s", range, kinds[kind]);
        Watchpoint w;
        if (!parseWatchpoint(text, w)) std::snprintf(message, sizeof message, "Not a range: %s", range);
        else if (!addWatchpoint(w)) std::snprintf(message, sizeof message, "%d watchpoints at most.", MAX_WATCHPOINTS);
        else message[0] = range[0] = 0;
    }
    ImGui::TextColored(DIM, "%s", message);
}

void drawKeyHelp() {
    ImGui::TextColored(DIM, "F5 run  F6 step  F7 step over  F8 skip");
    ImGui::TextColored(DIM, "G code  M memory  T nops  Ctrl+Tab pane");
}

void drawStatus() {
    char reason[128];
    debugStopText(reason, sizeof reason);
    ImGui::TextWrapped("Stopped: %s", reason);
}
}  // namespace

void drawDebuggerPage() {
    // When the machine has run since the page was drawn (the plain run, or a debugger's
    // run that ended with its frame) the disassembly follows the PC.
    if (drawnAtFrame < 0) viewMemoryAt(cpu.pc);
    if (framesEmulated != drawnAtFrame) viewFollowPc();
    drawnAtFrame = framesEmulated;
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(6, 1));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(6, 4));

    if (beginPane("registers", LEFT_WIDTH, TOP_HEIGHT)) drawRegisters();
    ImGui::EndChild();
    ImGui::SameLine();
    if (beginPane("machine", RIGHT_WIDTH, TOP_HEIGHT)) {
        drawInterruptSwitches();
        ImGui::Spacing();
        drawFloppyPanel();
        ImGui::Spacing();
        drawKeyHelp();
    }
    ImGui::EndChild();

    if (beginPane("disassembly", LEFT_WIDTH, MIDDLE_HEIGHT)) drawDisassembly();
    ImGui::EndChild();
    ImGui::SameLine();
    if (beginPane("memory", RIGHT_WIDTH, MIDDLE_HEIGHT)) drawMemory();
    ImGui::EndChild();

    if (beginPane("breakpoints", 104, BOTTOM_HEIGHT)) drawBreakpointList();
    ImGui::EndChild();
    ImGui::SameLine();
    if (beginPane("watchpoints", LEFT_WIDTH - 110, BOTTOM_HEIGHT)) drawWatchList();
    ImGui::EndChild();
    ImGui::SameLine();
    if (beginPane("status", RIGHT_WIDTH, BOTTOM_HEIGHT)) {
        drawWatchEntry();
        drawStatus();
    }
    ImGui::EndChild();

    ImGui::PopStyleVar(2);
    handleDebuggerKeys();
}
