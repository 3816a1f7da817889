#pragma once
// The program's outer loop: host messages, then one emulated frame or one menu pass, in
// the run states of the program. The runners (window, headless) drive it; the machine
// itself only ever runs one frame when asked (machine/machine.h).
#include <cstdint>

#include "frontend/host_platform.h"

enum RunState : int {
    RUN_STATE_MENU = 0,
    RUN_STATE_RUNNING = 3,
    RUN_STATE_RESET_WAIT = 4,        // F11 held while running
    RUN_STATE_RESET_WAIT_TRACE = 5,  // F11 held during the debugger's run
    RUN_STATE_TRACE = 6,             // the debugger's instruction-by-instruction run
};

// The menu's pages, in the order of its tabs.
enum MenuPage : int { MENU_PAGE_DEBUGGER, MENU_PAGE_DISKS, MENU_PAGE_OPTIONS, MENU_PAGE_SNAPSHOTS };

extern int runState;
extern int menuPageIndex;   // page the menu shows when it is entered
extern bool debugEnabled;   // "-debug"
extern long framesEmulated; // frames completed since start-up
extern int crashCount;      // processor crashes since start-up

void setHostPlatform(const HostPlatform* platform);
const HostPlatform& hostPlatform();

// Changes state: entering running (3, 4, 6) starts sound and acquires input, leaving
// 3 or 6 stops and releases them. The next loop pass runs the new state's entry.
void setRunState(int state);
// One emulated frame (input handed over before), then its picture and sound to the
// host: the sound output's wait for room paces the frames, unless the display's vertical
// sync does. A processor crash writes "crashLog.txt" and cold-resets the machine.
void runFrame();
// After a frame ended (also in the debugger's run): picture and sound to the host.
void frameToHost();
// The processor halted: "crashLog.txt", a line on standard error, a cold reset.
void reportProcessorCrash();
// Drops the movement handed to the ST since the last frame (peripherals/input.h).
void forgetHandedInput();
// Puts the machine back one state of the rewind ring, with the frame count it had then;
// a replay stops there and a recording forgets what came after. False at the oldest.
bool rewindOneStep();
// One pass of the main loop; false when the program is to end.
bool mainLoopPass();
// Passes until the program is asked to end or `frames` frames ran (-1: no limit; a
// crash ends its frame early and counts as one). Returns the host seconds it took.
double runMainLoop(long frames);
// "frames %ld, host seconds %.3f, speed %.1f x real time" for --bench.
void printSpeedReport(double hostSeconds);
