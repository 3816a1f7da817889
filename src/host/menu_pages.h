#pragma once
// The pages under the menu's tab bar, one file each; each draws itself into the current
// Dear ImGui window when its tab is open.
#include <string>

void drawDebuggerPage();   // menu_debugger.cpp, only with "-debug"
void drawDisksPage();      // menu_disks.cpp
// menu_folder_drive.cpp: the disks page's hard disk rows for the folder drive, which
// can take the folder chosen in the page's tree.
void drawFolderDriveRows(const std::string& chosenFolder);
// menu_acsi.cpp: the disks page's ACSI rows (a control row for each device, one more)
constexpr int ACSI_ROWS = 3;
void drawAcsiRows();
void drawOptionsPage();    // menu_options.cpp
void drawRomList(float height);  // menu_rom_list.cpp, the options page's ROM list
void drawSnapshotsPage();  // menu_snapshots.cpp: snapshots, sound recording, screenshot
