#pragma once
// Where the program finds the files it brings and puts the files it makes.
#include <string>

// The folder of the running program.
std::string programFolder();
// The built-in ROM or demo disk, for a program (or libretro core) in `binaryFolder`: where
// an install put them (../share/quarv, or ../../share/quarv from a lib folder), in the
// build's run folder, beside the binary, or in the working folder. "" when none has it.
std::string findBuiltInFile(const std::string& binaryFolder, const char* name);
// The data folder: `option` (--data-dir) when given; else the working folder when it
// already holds "shot", "sound" and "MemoryShot" (a build's run folder, a portable
// copy); else $XDG_DATA_HOME/quarv, by default ~/.local/share/quarv.
std::string chooseDataFolder(const std::string& option);
