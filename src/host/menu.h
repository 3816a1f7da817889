#pragma once
// The menu over the last picture while the emulation is stopped: a tab bar of six tabs
// (debugger, disks, options, snapshots/sound/screenshot, run, quit) drawn with Dear
// ImGui, and the page of the chosen tab under it.

union SDL_Event;

// Dear ImGui on the main window and its renderer; false when it cannot start.
bool menuInit();
void menuShutdown();
// The renderer's textures were lost: the menu's font texture is made again.
void menuRecreateTextures();

// Opens the menu on a page (0 debugger, 1 disks, 2 options, 3 snapshots); -1 closes it.
void openMenuPage(int page);
bool menuIsOpen();
// Input for the menu, while it is open.
void menuHandleEvent(const SDL_Event& event);
// One pass while the emulation is stopped: the picture, the menu over it, shown; then
// a short wait for input, so that the menu does not spin.
void menuPass();

// Where a tab ("Run", "Quit", ...) or else a control of a page or dialog with this text
// was drawn in the last pass, in window pixels; false when none was drawn.
bool menuControlCentre(const char* label, int& x, int& y);
