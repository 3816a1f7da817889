#include "host/menu.h"

#include <SDL.h>
#include <imgui.h>
#include <imgui_impl_sdl.h>
#include <imgui_impl_sdlrenderer.h>

#include <algorithm>
#include <cstring>

#include "frontend/config.h"
#include "frontend/rom_list.h"
#include "machine/rom_images.h"
#include "host/menu_dialogs.h"
#include "host/menu_pages.h"
#include "host/menu_widgets.h"
#include "host/preview_textures.h"
#include "host/sdl_display.h"
#include "frontend/run_loop.h"

enum MenuTab { TAB_DEBUGGER, TAB_DISKS, TAB_OPTIONS, TAB_SNAPSHOTS, TAB_RUN, TAB_QUIT, TAB_COUNT };

static const char* const TabLabels[TAB_COUNT] = {"Debugger", "Disks", "Options", "Snapshots", "Run", "Quit"};
static void (*const DrawPage[TAB_RUN])() = {drawDebuggerPage, drawDisksPage, drawOptionsPage, drawSnapshotsPage};

static bool imguiStarted;
static int currentPage = -1;  // -1: the menu is closed
static int requestedPage = -1;  // selected by the next pass
static SDL_Rect tabRects[TAB_COUNT];

constexpr float MENU_WIDTH = 760, MENU_HEIGHT = 560;

// Light blue texts on black, as every page of the menu shows them. The panels are opaque,
// so that no pixel of the ST's picture shows through a control.
static void applyMenuLook() {
    ImGui::StyleColorsDark();
    ImGuiStyle& style = ImGui::GetStyle();
    style.Colors[ImGuiCol_Text] = ImVec4(200 / 255.0f, 200 / 255.0f, 1.0f, 1.0f);
    style.Colors[ImGuiCol_WindowBg] = ImVec4(0, 0, 0, 1);
    style.Colors[ImGuiCol_PopupBg] = ImVec4(0.06f, 0.06f, 0.06f, 1);
    style.Colors[ImGuiCol_ModalWindowDimBg] = ImVec4(0, 0, 0, 0.5f);
    style.WindowRounding = 0;
}

// The ST's picture stays visible around the menu, dimmed to half, so that the menu
// stands out.
constexpr Uint8 PICTURE_DIMMING = 128;

bool menuInit() {
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGui::GetIO().IniFilename = nullptr;  // the layout is fixed; nothing to remember
    applyMenuLook();
    imguiStarted = ImGui_ImplSDL2_InitForSDLRenderer(mainWindow()) && ImGui_ImplSDLRenderer_Init(mainRenderer());
    return imguiStarted;
}

void menuShutdown() {
    releasePreviewTextures();
    if (imguiStarted) {
        ImGui_ImplSDLRenderer_Shutdown();
        ImGui_ImplSDL2_Shutdown();
    }
    if (ImGui::GetCurrentContext()) ImGui::DestroyContext();
    imguiStarted = false;
    currentPage = -1;
}

void menuRecreateTextures() {
    releasePreviewTextures();
    ImGui_ImplSDLRenderer_DestroyDeviceObjects();
    ImGui_ImplSDLRenderer_CreateDeviceObjects();
}

// The debugger page exists only with "-debug".
static int reachablePage(int page) { return page == TAB_DEBUGGER && !debugEnabled ? TAB_DISKS : page; }

void openMenuPage(int page) {
    if (page == currentPage) return;
    if (page < 0) {
        currentPage = -1;
        return;
    }
    flushPresent();
    currentPage = requestedPage = reachablePage(page);
}

bool menuIsOpen() { return currentPage >= 0; }

void menuHandleEvent(const SDL_Event& event) { ImGui_ImplSDL2_ProcessEvent(&event); }

bool menuControlCentre(const char* label, int& x, int& y) {
    for (int t = 0; t < TAB_COUNT; ++t)
        if (std::strcmp(label, TabLabels[t]) == 0 && tabRects[t].w > 0) {
            x = tabRects[t].x + tabRects[t].w / 2;
            y = tabRects[t].y + tabRects[t].h / 2;
            return true;
        }
    return notedItemCentre(label, x, y);
}

static void noteTabRect(int tab) {
    ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
    tabRects[tab] = {int(min.x), int(min.y), int(max.x - min.x), int(max.y - min.y)};
}

static void runClicked() {
    if (!romLoaded) {
        menuMessage("Can't run...", "Unable to run, no TOS ROM selected!\nPlease select a TOS ROM in the options.");
        return;
    }
    openMenuPage(-1);
    setRunState(RUN_STATE_RUNNING);
}

static void quit() {
    SDL_Event event = {};
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
}

static void quitClicked() {
    if (config.confirmQuit)
        menuQuestion("Quit...", "Do you really want to quit Quarv?", quit);
    else
        quit();
}

static void drawTabBar() {
    std::memset(tabRects, 0, sizeof tabRects);
    if (!ImGui::BeginTabBar("tabs")) return;
    for (int tab = TAB_DEBUGGER; tab < TAB_RUN; ++tab) {
        if (tab == TAB_DEBUGGER && !debugEnabled) continue;
        ImGuiTabItemFlags flags = tab == requestedPage ? ImGuiTabItemFlags_SetSelected : 0;
        bool open = ImGui::BeginTabItem(TabLabels[tab], nullptr, flags);
        noteTabRect(tab);
        if (open) {
            if (requestedPage < 0 && currentPage != tab) currentPage = menuPageIndex = tab;
            DrawPage[tab]();
            ImGui::EndTabItem();
        }
    }
    requestedPage = -1;
    bool run = ImGui::TabItemButton(TabLabels[TAB_RUN], ImGuiTabItemFlags_Trailing);
    noteTabRect(TAB_RUN);
    bool quit = ImGui::TabItemButton(TabLabels[TAB_QUIT], ImGuiTabItemFlags_Trailing);
    noteTabRect(TAB_QUIT);
    ImGui::EndTabBar();
    if (run) runClicked();
    if (quit) quitClicked();
}

void menuPass() {
    if (!imguiStarted) return;
    ImGui_ImplSDLRenderer_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
    clearNotedItems();
    // In a window smaller than the menu it scrolls (the scroll bar beside the pages).
    ImVec2 screen = ImGui::GetIO().DisplaySize;
    float scrollBar = screen.y < MENU_HEIGHT ? ImGui::GetStyle().ScrollbarSize : 0;
    ImVec2 size(std::min(MENU_WIDTH + scrollBar, screen.x), std::min(MENU_HEIGHT, screen.y));
    ImGui::SetNextWindowPos(ImVec2((screen.x - size.x) / 2, (screen.y - size.y) / 2));
    ImGui::SetNextWindowSize(size);
    ImVec2 padding = ImGui::GetStyle().WindowPadding;
    ImGui::SetNextWindowContentSize(ImVec2(MENU_WIDTH - 2 * padding.x, MENU_HEIGHT - 2 * padding.y));
    const ImGuiWindowFlags fixed = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize |
                                   ImGuiWindowFlags_HorizontalScrollbar |
                                   ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoMove |
                                   ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus;
    if (ImGui::Begin("menu", nullptr, fixed)) drawTabBar();
    ImGui::End();
    drawMenuDialogs();
    ImGui::Render();

    SDL_Renderer* renderer = mainRenderer();
    drawPicture();
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, PICTURE_DIMMING);
    SDL_RenderFillRect(renderer, nullptr);
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_NONE);
    ImGui_ImplSDLRenderer_RenderDrawData(ImGui::GetDrawData());
    presentBackBuffer(false);
    SDL_WaitEventTimeout(nullptr, 15);
}
