#pragma once
// Where the program finds the files it brings and puts the files it makes.
#include <string>

// The folder of the running program.
std::string programFolder();
// The built-in ROM, demo disk or an EmuTOS image, for a program (or libretro core) in
// `binaryFolder`: where an install put them (../share/quarv, or ../../share/quarv and
// ../../../share/quarv from a lib folder), in the build's run folder, beside the binary,
// or in the working folder. "" when none has it.
std::string findBuiltInFile(const std::string& binaryFolder, const char* name);
// EmuTOS, the free TOS, comes with the program, under the name it has among the built-in
// files: the 192 KB image for $FC0000 is the STFM's; the 256 KB one for $E00000 the
// STE's (the 192 KB build reports an ST, so software would not take its STE paths).
constexpr const char* EMUTOS_192 = "emutos/etos192uk.img";
constexpr const char* EMUTOS_256 = "emutos/etos256uk.img";
inline const char* bundledEmuTos(bool ste) { return ste ? EMUTOS_256 : EMUTOS_192; }
// The data folder: `option` (--data-dir) when given; else the working folder when it
// already holds "shot", "sound" and "MemoryShot" (a build's run folder, a portable
// copy); else $XDG_DATA_HOME/quarv, by default ~/.local/share/quarv.
std::string chooseDataFolder(const std::string& option);
