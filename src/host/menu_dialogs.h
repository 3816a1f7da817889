#pragma once
// Message boxes, questions and the file-open dialog of the menu, drawn inside the
// window over the page while the menu runs on: one at a time, in the order asked.
// Each message also goes to standard error, as the window's other message boxes do.
#include <string>

// A message with its caption and an OK button.
void menuMessage(const char* caption, const std::string& text);
// A Yes/No question; `onYes` runs when Yes is chosen.
void menuQuestion(const char* caption, const std::string& text, void (*onYes)());
// The file-open dialog on a folder (filter "All Files"); `onOpen` receives the path
// opened. Nothing happens on Cancel.
void openFileDialog(const std::string& folder, void (*onOpen)(const std::string& path));

// Draws the dialog in front, if any (after the menu's window, in the same pass).
void drawMenuDialogs();
