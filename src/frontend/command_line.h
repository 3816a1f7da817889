#pragma once
// The program's command line.
#include <cstdint>
#include <string>
#include <vector>

#include "debugger/watchpoints.h"

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
    int64_t clock = -1;            // --clock: the keyboard processor's clock at power-on (UTC seconds), -1 the host's
    std::string configPath;
    std::string dataDir;           // --data-dir: where the program's own files go
    std::string romPath;
    std::string diskPath;
    std::string hdFolder;          // --hd-folder: a host folder as a GEMDOS drive
    std::string programPath;       // PROGRAM.PRG (.TOS, .TTP, .APP) to start
    std::string programArguments;  // --args: its command line
    std::string screenshotPath;
    std::string pngPath;
    std::string wavPath;
    std::string ymPath;
    std::string typeText;
    long typeFrame = 100;
    std::string keysScript;
    std::string snapshotLoadPath;
    std::string snapshotSavePath;
    std::string recordPath;  // --record: the session's input to a recording
    std::string replayPath;  // --replay: a recording run again
    // The debugger from the command line (each makes the debugger page reachable).
    std::vector<uint32_t> breakpoints;    // --break ADDR, repeatable
    std::vector<Watchpoint> watchpoints;  // --watch ADDR[-END][:r|w|rw], repeatable
    std::string tracePath;                // --trace FILE
    // ACSI hard disks.
    std::vector<std::string> acsiPaths;   // --acsi FILE, repeatable: devices 0 and 1
    bool acsiWritable = false;            // --acsi-writable: changes go back to the files
};

// Whether a file name is an ST program's: .prg, .tos, .ttp or .app in any case.
bool isProgramName(const std::string& name);

// "YYYY-MM-DD HH:MM:SS", a date and time that exist, from 1970 to 2099: seconds since
// 1970-01-01 (the time taken as UTC, as the keyboard processor's clock keeps it).
bool parseClock(const char* text, int64_t& seconds);
// False with a one-line reason for a bad option.
bool parseCommandLine(int argc, const char* const* argv, ProgramOptions& options, std::string& error);
const char* commandLineHelp();
