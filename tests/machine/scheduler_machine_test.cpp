// The scheduler in the whole machine: 68000 programs started as a TOS image through the
// headless runner's start-up and main loop.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bus/event_log.h"
#include "bus/hardware_state.h"
#include "bus/memory_map.h"
#include "cpu/cpu.h"
#include "frontend/run_loop.h"
#include "peripherals/mfp.h"
#include "support/test_machine.h"

namespace {

void startProgram(const char* name) {
    TestMachineSetup setup;
    setup.rom = m68kProgramPath(name);
    startTestMachine(setup);
}

// Expiries of a timer of `period` cycles over `cycles` cycles: one more or not,
// depending on the phase.
void expectExpiries(uint32_t count, int64_t cycles, int64_t period, const char* what) {
    EXPECT_GE(count, cycles / period) << what;
    EXPECT_LE(count, cycles / period + 1) << what;
}

TEST(SchedulerMachine, InterruptCountsOverFiveFrames) {
    startProgram("sched_irq_count");
    ASSERT_FALSE(HasFatalFailure());
    runTestFrames(10);
    ASSERT_EQ(peekLong(0x10200), 0x444F4E45u) << "the program did not reach its last frame";
    const uint32_t frames = 5;
    const int64_t cycles = int64_t(frames) * FRAME_CYCLES;
    EXPECT_EQ(peekLong(0x10100), 7u);                   // vertical blanks counted
    EXPECT_EQ(peekLong(0x10104), frames * FRAME_LINES);  // one horizontal blank a line
    expectExpiries(peekLong(0x10108), cycles, 3342, "timer A");
    EXPECT_EQ(peekLong(0x1010C), frames * 200);  // timer B: lines 64 to 263
    expectExpiries(peekLong(0x10110), cycles, 53248, "timer C");
    expectExpiries(peekLong(0x10114), cycles, 3328, "timer D");
    stopTestMachine();
}

TEST(SchedulerMachine, AProcessorThatHaltsLogsTheCrashAndResetsCold) {
    WorkingDirectory inTemp(makeTempDir("sched_crash"));  // the crash log lands there
    hw.mfp[MFP_AER] = 0;  // the program's first-start mark
    int crashesBefore = crashCount;
    startProgram("sched_crash");
    ASSERT_FALSE(HasFatalFailure());
    runTestFrames(4);

    EXPECT_EQ(crashCount, crashesBefore + 1);
    std::ifstream log("crashLog.txt");
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 12u);
    const std::pair<int, const char*> starts[] = {
        {0, "PC: $"}, {1, "D0: $"}, {9, "ASP: $"}, {10, "Odometer: $"}, {11, "$466 = $"}};
    for (auto [line, start] : starts)
        EXPECT_EQ(lines[line].rfind(start, 0), 0u) << lines[line];

    EXPECT_EQ(peekLong(0x10000), 0x52455354u);  // "REST": the second start ran
    EXPECT_GE(peekLong(0x10004), 2u);           // and the machine goes on
    stopTestMachine();
}

}  // namespace
