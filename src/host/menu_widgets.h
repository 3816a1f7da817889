#pragma once
// The controls of the menu pages. Each records where it was drawn in the current pass
// under the text it shows, so that the window's test script can click it by that text.
#include <cstdint>
#include <string>

// The text a control shows for its resource text: "&Add" shows "Add" (a single
// ampersand marks the keyboard mnemonic), "Load && Run Slot !" shows "Load & Run Slot !".
std::string shownText(const char* resourceText);

bool menuButton(const char* text, bool enabled = true);
// Check boxes over the settings' number flags (non-zero is on) and plain flags; true
// when the user changed the value.
bool menuCheckbox(const char* text, uint32_t& value, bool enabled = true);
bool menuCheckbox(const char* text, bool& value, bool enabled = true);
// True when clicked while not selected.
bool menuRadio(const char* text, bool selected, bool enabled = true);
// Records the last item drawn under `text` (without any "##" suffix).
void noteItem(const char* text);

// A bordered group of fixed size under its title, so that groups side by side align;
// endGroup closes it.
void beginGroup(const char* title, float width, float height);
void endGroup();
// The height of a group holding rows of controls and lines of plain text.
float groupHeight(int controlRows, int textLines = 0);

// True on the first pass a page draws after it was not shown; `lastFrame` is the page's
// own record of the pass it last drew.
bool pageEntered(int& lastFrame);

// The test script's view: the records are emptied at the start of each pass, and the
// centre of the first control drawn with a text is found in window pixels.
void clearNotedItems();
bool notedItemCentre(const char* text, int& x, int& y);
