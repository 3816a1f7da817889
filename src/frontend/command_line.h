#pragma once
// The program's command line.
#include <cstdint>
#include <string>
#include <vector>

#include "frontend/watchpoints.h"

struct ProgramOptions {
    bool headless = false;
    bool debug = false;            // "-debug": the debugger page is reachable
    bool bench = false;            // print the speed of the run at exit
    bool drawEveryFrame = false;   // headless: draw each frame's picture although nothing reads it
    bool defaultSnapshot = false;  // headless: read and write the default snapshot
    bool fastDisk = false;
    bool noDisk = false;           // drive A empty at start
    bool version = false;          // print the version line and end
    long frames = -1;              // headless: frames to run (-1: until interrupted)
    int machine = -1;              // 0 STFM, 1 STE, -1 as configured
    int ramIndex = -1;             // 0-3, -1 as configured
    std::string configPath;
    std::string dataDir;           // --data-dir: where the program's own files go
    std::string romPath;
    std::string diskPath;
    std::string screenshotPath;
    std::string pngPath;
    std::string wavPath;
    std::string ymPath;
    std::string typeText;
    long typeFrame = 100;
    std::string keysScript;
    std::string snapshotLoadPath;
    std::string snapshotSavePath;
    // The debugger from the command line (each makes the debugger page reachable).
    std::vector<uint32_t> breakpoints;    // --break ADDR, repeatable
    std::vector<Watchpoint> watchpoints;  // --watch ADDR[-END][:r|w|rw], repeatable
    std::string tracePath;                // --trace FILE
};

// False with a one-line reason for a bad option.
bool parseCommandLine(int argc, const char* const* argv, ProgramOptions& options, std::string& error);
const char* commandLineHelp();
