#pragma once
// Helpers shared by the tests: a machine with its memory map built, and paths to the
// programs assembled at build time.
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// Allocates host memory, builds the address and I/O tables and empties the event logs;
// the machine settings are the defaults (idempotent; clears RAM).
void setUpMemoryMap();
// Path of an assembled 68000 program (build/m68k/<name>.bin).
std::string m68kProgramPath(const std::string& name);
std::string builtRomPath();   // the built-in ROM, build/run/QuarvDefault.ROM
std::string builtDiskPath();  // the demo disk, build/run/QuarvDefault.ST
std::vector<uint8_t> readFileBytes(const std::string& path);
std::string readFileText(const std::string& path);
// Data from ../shared (the 68000 vectors, EmuTOS): a test without it is skipped with the
// reason, or fails when QUARV_REQUIRE_SHARED is set (CI has the data, so a missing file
// there is a fault, not a reason to pass).
bool sharedDataRequired();
#define SKIP_WITHOUT_SHARED_DATA(present, what)                                                     \
    do {                                                                                           \
        if (present) break;                                                                        \
        if (sharedDataRequired()) FAIL() << (what) << " is missing and QUARV_REQUIRE_SHARED is set"; \
        GTEST_SKIP() << (what) << " is absent (see ../shared)";                                    \
    } while (0)

// A fresh empty folder for a test's files.
std::string makeTempDir(const std::string& tag);
// While it lives, no file may grow beyond `bytes` (writes past it fail, as on a full
// disk): the way tests make a save fail half-way.
struct FileSizeLimit {
    explicit FileSizeLimit(unsigned long bytes);
    ~FileSizeLimit();
    unsigned long previous[2];
};
// Runs in another working folder (where the program writes its files) for its lifetime.
struct WorkingDirectory {
    std::filesystem::path previous = std::filesystem::current_path();
    explicit WorkingDirectory(const std::string& path) { std::filesystem::current_path(path); }
    ~WorkingDirectory() { std::filesystem::current_path(previous); }
};

// The whole machine, started as `quarv --headless` starts it but from the default
// settings (no settings file, no default snapshot), cold-reset and running.
struct TestMachineSetup {
    TestMachineSetup() = default;
    TestMachineSetup(std::string romPath, std::string diskPath = "", bool isSte = false, int ram = 2, bool fast = false)
        : rom(std::move(romPath)), disk(std::move(diskPath)), ste(isSte), ramIndex(ram), fastDisk(fast) {}
    std::string rom;   // TOS image path, e.g. m68kProgramPath("sched_irq_count")
    std::string disk;  // drive A image, or empty (the demo disk)
    bool ste = false;
    int ramIndex = 2;
    bool fastDisk = false;
    std::string folder;            // --hd-folder
    std::string program;           // PROGRAM.PRG, started from its folder
    std::string programArguments;  // --args
    bool noDisk = false;            // drive A empty
    std::vector<std::string> acsi{};  // hard disk images for ACSI devices 0 and 1
    bool acsiWritable = false;
    // The keyboard processor's clock at power-on: always the same, so that software that
    // reads the time runs the same way in every test run.
    int64_t clock = 1700000000;
};
// Fails the current test (ASSERT) when the machine does not start.
void startTestMachine(const TestMachineSetup& setup);
// Runs n frames of the main loop, as the program does.
void runTestFrames(int n);
void stopTestMachine();
// The running machine's whole state, as a snapshot in memory.
std::vector<uint8_t> machineState();
