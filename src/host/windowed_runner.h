#pragma once
// The program with its window: SDL2 window, picture, sound and input devices and the
// menu, around the same start-up, main loop and shutdown as the headless runner.
#include "frontend/command_line.h"
#include "frontend/host_platform.h"

extern const HostPlatform windowPlatform;

// Runs until the window is closed or Quit is chosen (or --frames N frames have run);
// the exit status: 0 after a normal end, 1 when the command line's files cannot be
// used, -1 when a host device fails to start.
int runWindowed(const ProgramOptions& options);
