#pragma once
// The debugger as the program's run states drive it: the command line's breakpoints,
// watchpoints and trace, the debugger's run state (a pass of it each main loop pass), and
// the page's commands, which enter it. The debugger itself is debugger/debug_run.h.
#include <string>

#include "frontend/command_line.h"

// A fresh debugger with the command line's breakpoints, watchpoints and trace file;
// false with the reason when they do not fit or the trace file cannot be written.
bool applyDebugOptions(const ProgramOptions& options, std::string& error);
// The state a start that runs the machine enters: the debugger's run when the command
// line set breakpoints, watchpoints or a trace, else the plain run.
int startRunState();

// Runs until the frame ends (back to the main loop) or a stop condition holds (then the
// menu opens on the debugger page).
void debugRunPass();

// The page's commands. The run commands enter the debugger's run state.
void debugContinue();              // F5
void debugStepOver();              // F7: until the instruction after the one at the PC
void debugRunToCycle(long nops);   // T: until frame cycle nops x 4
void debugStepOne();               // F6: one instruction, or a latched interrupt
