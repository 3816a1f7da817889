#pragma once
// Message boxes of the window build, owned by the main window once it exists. A box
// that cannot be shown (no display) goes to standard error instead.

enum class MessageIcon { Error, Warning, Information };

void showMessageBox(const char* caption, const char* text, MessageIcon icon = MessageIcon::Error);
// Yes/No question; false for No and when no box can be shown.
bool askYesNo(const char* caption, const char* text);
