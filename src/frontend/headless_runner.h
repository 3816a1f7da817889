#pragma once
// `quarv --headless`: the machine without window, sound or input devices, for tests,
// benchmarks and scripts.
#include "frontend/command_line.h"
#include "frontend/host_platform.h"

extern const HostPlatform headlessPlatform;

// Runs the frames the options ask for; the exit status (0 on a clean run).
int runHeadless(const ProgramOptions& options);
