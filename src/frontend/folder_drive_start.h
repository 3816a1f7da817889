#pragma once
// The folder drive as a run starts: the folder that --hd-folder or the settings name, or,
// for `quarv PROGRAM.PRG`, the program's own folder, whose program the desktop starts.
#include <string>

#include "frontend/command_line.h"

// Attaches the run's folder drive, if any; false with the reason when the folder or the
// program cannot be used (no drive is attached then).
bool attachStartupFolderDrive(const ProgramOptions& options, std::string& error);
// Attaches the settings' folder (the menu's choice); false with the reason.
bool attachConfiguredFolderDrive(std::string& error);
// Attaches the folder of `program` (.prg, .tos, .ttp, .app) as drive `letter`, with the
// program as the one the desktop starts, with `arguments`; false with the reason.
bool attachProgramFolder(const std::string& program, const std::string& arguments, int letter, bool writeProtect,
                         std::string& error);
// Why the loaded TOS cannot run programs from the drive ("" when it can): the built-in
// ROM has no GEMDOS.
std::string programStartProblem();
