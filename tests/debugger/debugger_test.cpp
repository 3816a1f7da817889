// The debugger: its breakpoint list, the stop conditions of its run, stepping, memory
// watchpoints and their effect on the machine, the page's panes, the instruction trace
// and the report of a headless run.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "bus/hardware_state.h"
#include "bus/memory_map.h"
#include "bus/st_memory.h"
#include "cpu/cpu.h"
#include "cpu/disassembler.h"
#include "debugger/debug_run.h"
#include "debugger/debugger_view.h"
#include "debugger/instruction_trace.h"
#include "debugger/watchpoints.h"
#include "frontend/debugger_commands.h"
#include "frontend/headless_runner.h"
#include "frontend/run_loop.h"
#include "machine/scheduler.h"
#include "machine/snapshot.h"
#include "support/test_machine.h"
#include "video/picture.h"

namespace {

// Fixed places in the test program debug_target.s.
constexpr uint32_t LOOP = 0xFC0100;        // bsr.w sub
constexpr uint32_t AFTER_CALL = 0xFC0104;  // move.w d0,(a0): writes $9000
constexpr uint32_t READ_AT = 0xFC0106;     // tst.w 2(a0): reads $9002
constexpr uint32_t RAM_THEN_IO = 0xFC010A; // move.b (a0),$FFFF8802.w
constexpr uint32_t LONG_WRITE = 0xFC010E;  // move.l d0,4(a0)
constexpr uint32_t VBL_HANDLER = 0xFC0300;

void startProgram(const std::string& rom) {
    TestMachineSetup setup;
    setup.rom = rom;
    startTestMachine(setup);
}

// The debugger's run from where the machine is, until it stops (true) or `frames`
// frames have passed.
bool runDebugger(int frames, void (*command)() = debugContinue) {
    command();
    runMainLoop(frames);
    return runState == RUN_STATE_MENU;
}

Watchpoint watch(const char* text) {
    Watchpoint w{};
    EXPECT_TRUE(parseWatchpoint(text, w)) << text;
    return w;
}

TEST(Debugger, BreakpointListTogglesAndHoldsAtMost256) {
    debugRun.breakpointCount = 0;
    EXPECT_TRUE(toggleBreakpoint(0x01FC0030));  // 24 bits
    EXPECT_EQ(debugRun.breakpoints[0], 0xFC0030u);
    EXPECT_TRUE(toggleBreakpoint(0xFC0030));
    EXPECT_EQ(debugRun.breakpointCount, 0) << "toggling twice leaves the list as it was";

    for (uint32_t i = 0; i < MAX_BREAKPOINTS; ++i) ASSERT_TRUE(toggleBreakpoint(0x1000 + 2 * i));
    EXPECT_FALSE(toggleBreakpoint(0x9000)) << "a 257th breakpoint";
    EXPECT_EQ(debugRun.breakpointCount, MAX_BREAKPOINTS);
    EXPECT_TRUE(toggleBreakpoint(0x1002)) << "a full list still lets one go";
    EXPECT_EQ(debugRun.breakpoints[1], 0x1004u) << "the others keep their order";
    debugRun.breakpointCount = 0;
}

TEST(Debugger, AddressesAndWatchRangesAreParsed) {
    const struct {
        const char* text;
        bool ok;
        Watchpoint want;
    } cases[] = {
        {"9000", true, {0x9000, 0x9000, WATCH_READ_WRITE}},  {"$9000-$9003:w", true, {0x9000, 0x9003, WATCH_WRITE}},
        {"0xff8240-0xFF825F:r", true, {0xFF8240, 0xFF825F, WATCH_READ}},
        {"9003-9000", false, {}}, {"9000:x", false, {}}, {"1000000", false, {}}, {"g000", false, {}}, {"", false, {}},
    };
    for (const auto& c : cases) {
        Watchpoint w{};
        ASSERT_EQ(parseWatchpoint(c.text, w), c.ok) << c.text;
        bool same = w.start == c.want.start && w.end == c.want.end && w.access == c.want.access;
        EXPECT_TRUE(same || !c.ok) << c.text;
    }
    uint32_t a = 0;
    EXPECT_TRUE(parseHexAddress(" FFFF8240 ", a, true));
    EXPECT_EQ(a, 0xFF8240u) << "a dialog takes sign-extended addresses";
    EXPECT_FALSE(parseHexAddress("FFFF8240", a, false));
    EXPECT_FALSE(parseHexAddress("12 34", a, true));
}

class DebuggerRun : public ::testing::Test {
protected:
    void SetUp() override { startProgram(m68kProgramPath("debug_target")); }
    void TearDown() override { stopTestMachine(); }
};

// Each case on a fresh machine from its reset: the first stop and where the PC is.
TEST(DebuggerStops, EachConditionStopsTheRunWhereItHolds) {
    const struct {
        const char* name;
        std::function<void()> set;
        DebugStop stop;
        uint32_t pc;
        WatchHit hit;
        uint32_t instruction;
    } cases[] = {
        {"breakpoint", [] { toggleBreakpoint(AFTER_CALL); }, DebugStop::Breakpoint, AFTER_CALL, {}, 0},
        {"word write", [] { addWatchpoint(watch("9000:w")); }, DebugStop::Watchpoint, READ_AT,
         {true, true, 2, 0x9000, 1}, AFTER_CALL},
        {"word read", [] { addWatchpoint(watch("9002-9003:r")); }, DebugStop::Watchpoint, RAM_THEN_IO,
         {true, false, 2, 0x9002, 0}, READ_AT},
        {"byte read, writes not watched", [] { addWatchpoint(watch("9000-9001:r")); }, DebugStop::Watchpoint,
         LONG_WRITE, {true, false, 1, 0x9000, 0}, RAM_THEN_IO},
        {"low word of a long", [] { addWatchpoint(watch("9007:w")); }, DebugStop::Watchpoint, LONG_WRITE + 4,
         {true, true, 2, 0x9006, 1}, LONG_WRITE},
        {"sound chip write", [] { addWatchpoint(watch("FF8802:w")); }, DebugStop::Watchpoint, LONG_WRITE,
         {true, true, 1, 0xFF8802, 0}, RAM_THEN_IO},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startProgram(m68kProgramPath("debug_target"));
        c.set();
        ASSERT_TRUE(runDebugger(5)) << "no stop";
        EXPECT_EQ(debugRun.stop, c.stop);
        EXPECT_EQ(cpu.pc, c.pc);
        if (c.stop == DebugStop::Watchpoint) {
            EXPECT_EQ(debugRun.stopHit.write, c.hit.write);
            EXPECT_EQ(debugRun.stopHit.size, c.hit.size);
            EXPECT_EQ(debugRun.stopHit.address, c.hit.address);
            EXPECT_EQ(debugRun.stopHit.value, c.hit.value);
            EXPECT_EQ(debugRun.stopInstruction, c.instruction);
        }
        stopTestMachine();
    }
}

// Once the program has lowered its mask, the next vertical blank stops the run in its
// handler.
TEST_F(DebuggerRun, BreakOnAnInterruptStopsAtItsHandler) {
    toggleBreakpoint(LOOP);
    ASSERT_TRUE(runDebugger(5));
    toggleBreakpoint(LOOP);
    debugRun.breakOnIrq[EVENT_VBL] = true;
    ASSERT_TRUE(runDebugger(5));
    EXPECT_EQ(debugRun.stop, DebugStop::Interrupt);
    EXPECT_EQ(debugRun.stopEvent, int(EVENT_VBL));
    EXPECT_EQ(scheduler.nextEventKind, int(EVENT_VBL));
    EXPECT_EQ(cpu.pc, VBL_HANDLER);
}

TEST_F(DebuggerRun, StepOverABsrStopsWhenTheSubroutineReturns) {
    toggleBreakpoint(LOOP);
    ASSERT_TRUE(runDebugger(5));
    ASSERT_EQ(cpu.pc, LOOP);
    uint32_t calls = cpu.regs[0];
    toggleBreakpoint(LOOP);
    ASSERT_TRUE(runDebugger(5, debugStepOver));
    EXPECT_EQ(debugRun.stop, DebugStop::StepOver);
    EXPECT_EQ(cpu.pc, AFTER_CALL);
    EXPECT_EQ(cpu.regs[0], calls + 1) << "the subroutine ran";
}

// A run entered from the start (as --break does) stops at a breakpoint on its very first
// instruction, before it runs; F5 there moves on and the run goes through frames.
TEST_F(DebuggerRun, ABreakpointWhereTheRunStartsStopsAndF5MovesOn) {
    uint32_t start = cpu.pc;
    ProgramOptions options;
    options.breakpoints = {start};
    std::string error;
    ASSERT_TRUE(applyDebugOptions(options, error)) << error;
    setRunState(startRunState());
    runMainLoop(1);
    ASSERT_EQ(runState, RUN_STATE_MENU) << "no stop at the start";
    EXPECT_EQ(debugRun.stop, DebugStop::Breakpoint);
    EXPECT_EQ(cpu.pc, start);
    EXPECT_EQ(cpu.odometer, 0) << "nothing ran";

    EXPECT_FALSE(runDebugger(3)) << "F5 at the breakpoint stopped again";
    applyDebugOptions(ProgramOptions{}, error);
}

// From the start of a frame, T with 1000 NOPs: the run stops after the first
// instruction that ends at or after frame cycle 4000, which the trace shows.
TEST_F(DebuggerRun, NopTargetStopsAtTheFirstInstructionEndingAtItsCycle) {
    ASSERT_FALSE(runDebugger(1)) << "a frame";
    ASSERT_LT(cpu.odometer, 100);
    std::string path = makeTempDir("nop_target") + "/trace.txt";
    ASSERT_TRUE(traceOpen(path));
    debugRunToCycle(1000);
    runMainLoop(2);
    traceClose();
    ASSERT_EQ(runState, RUN_STATE_MENU);
    EXPECT_EQ(debugRun.stop, DebugStop::CycleTarget);
    EXPECT_EQ(debugRun.nopTarget, -1);
    EXPECT_GE(cpu.odometer, 4000);

    std::ifstream in(path);
    std::vector<int> cycles;
    for (std::string line; std::getline(in, line);) cycles.push_back(std::stoi(line.substr(line.rfind("CS ") + 3)));
    ASSERT_GE(cycles.size(), 2u);
    EXPECT_EQ(cycles.back(), cpu.odometer);
    EXPECT_LT(cycles[cycles.size() - 2], 4000);
}

TEST_F(DebuggerRun, StepExecutesOneInstructionAndSkipExecutesNone) {
    uint32_t pc = cpu.pc;
    uint32_t next = disassembleOne(pc);
    ASSERT_STREQ(disassemblyText, "move.w  #$2700,sr");
    debugStepOne();
    EXPECT_EQ(cpu.pc, next);
    EXPECT_EQ(debugRun.stop, DebugStop::Step);

    uint32_t stack = cpu.regs[15];
    next = disassembleOne(cpu.pc);
    ASSERT_STREQ(disassemblyText, "lea     $8000,a7");
    debugSkipInstruction();
    EXPECT_EQ(cpu.pc, next);
    EXPECT_EQ(cpu.regs[15], stack) << "the skipped LEA did not run";
}

// The watch tables send every access through the machine's own tables, with the same
// cycle stamps and wait states: from the same snapshot, frames with a watchpoint that
// nothing touches end in the same state as frames without. The built-in ROM draws,
// plays, reads the floppy and takes interrupts; the test program reads RAM and then
// writes to the sound chip in one instruction, whose wait states count only I/O accesses.
TEST(DebuggerWatch, AWatchpointThatIsNotHitChangesNothing) {
    // Registers, PC, SR, frame cycle, the picture and the first 512 KB of RAM.
    auto machineState = [] {
        std::vector<uint8_t> state(reinterpret_cast<const uint8_t*>(cpu.regs),
                                   reinterpret_cast<const uint8_t*>(cpu.regs + 16));
        for (uint32_t v : {cpu.pc, uint32_t(cpu.sr), uint32_t(cpu.odometer)})
            state.insert(state.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
        const uint8_t* picture = reinterpret_cast<const uint8_t*>(framePicture());
        state.insert(state.end(), picture, picture + 2 * FRAME_WIDTH * FRAME_HEIGHT);
        state.insert(state.end(), hw.ram, hw.ram + 0x80000);
        return state;
    };
    for (const std::string& rom : {builtRomPath(), m68kProgramPath("debug_target")}) {
        SCOPED_TRACE(rom);
        std::string snapshot = makeTempDir("watch_transparent") + "/start.Quarv";
        startProgram(rom);
        runTestFrames(20);
        ASSERT_TRUE(saveSnapshot(snapshot));
        std::vector<uint8_t> outcome[2];
        for (int watching = 0; watching < 2; ++watching) {
            ASSERT_TRUE(loadSnapshot(snapshot));
            clearWatchpoints();
            if (watching) addWatchpoint(watch("3FF000-3FF0FF"));
            EXPECT_FALSE(runDebugger(20)) << "the watched range was touched";
            outcome[watching] = machineState();
        }
        stopTestMachine();
        EXPECT_TRUE(outcome[0] == outcome[1]);
    }
}

// The page's panes on plain memory.
class DebuggerPanes : public ::testing::Test {
protected:
    void SetUp() override {
        setUpMemoryMap();
        debuggerView = {};
    }
    static void put(uint32_t address, const std::vector<uint16_t>& words) {
        for (size_t i = 0; i < words.size(); ++i) stWriteWord(hw.ram, address + 2 * uint32_t(i), words[i]);
    }
};

TEST_F(DebuggerPanes, HexDigitsEditHighThenLowNibbleAndTheCursorMoves) {
    put(0x1000, {0xABCD, 0xEF01});
    viewMemoryAt(0x1000);
    for (int digit : {1, 2, 3}) viewHexDigit(digit);
    EXPECT_EQ(viewReadByte(0x1000), 0x12);
    EXPECT_EQ(viewReadByte(0x1001), 0x3D) << "only the high nibble so far";
    EXPECT_EQ(debuggerView.memoryCursor, 0x1001u);
    EXPECT_TRUE(debuggerView.lowNibble);
    viewMoveCursor(-1);  // Backspace
    EXPECT_EQ(debuggerView.memoryCursor, 0x1000u);
    EXPECT_FALSE(debuggerView.lowNibble);

    const struct {
        int move;
        uint32_t cursor, top;
    } moves[] = {{8, 0x1008, 0x1000},     {120, 0x1080, 0x1008}, {-0x81, 0xFFF, 0xFF8},
                 {0x81, 0x1080, 0x1008},  {-1, 0x107F, 0x1008}};
    for (const auto& m : moves) {
        viewMoveCursor(m.move);
        EXPECT_EQ(debuggerView.memoryCursor, m.cursor) << m.move;
        EXPECT_EQ(debuggerView.memoryTop, m.top) << m.move;
    }
    debuggerView.memoryHasKeys = true;
    viewPage(1);
    EXPECT_EQ(debuggerView.memoryTop, 0x1088u);
    EXPECT_EQ(debuggerView.memoryCursor, 0x10FFu);
    viewClickMemory(2, 3);
    EXPECT_EQ(debuggerView.memoryCursor, 0x1088u + 19);
}

// Instructions of 2, 6, 4 and 10 bytes after a run of NOPs: pages forward and back land
// on instruction starts.
TEST_F(DebuggerPanes, DisassemblyPagesBothWaysAndFollowsThePc) {
    put(0x1E00, std::vector<uint16_t>(0x100, 0x4E71));
    std::vector<uint16_t> code;
    for (int i = 0; i < 20; ++i) {
        code.insert(code.end(), {0x4E71});                           // nop
        code.insert(code.end(), {0x203C, 0x1234, 0x5678});           // move.l #$12345678,d0
        code.insert(code.end(), {0x3028, 0x0010});                   // move.w +$10(a0),d0
        code.insert(code.end(), {0x23FC, 0x1111, 0x2222, 0x0001, 0x0000});  // move.l #,$10000
    }
    put(0x2000, code);
    viewDisassemblyAt(0x2000);
    EXPECT_EQ(debuggerView.lines[1], 0x2002u);
    EXPECT_EQ(debuggerView.lines[4], 0x2016u);
    uint32_t firstPage[DISASSEMBLY_LINES];
    std::memcpy(firstPage, debuggerView.lines, sizeof firstPage);
    viewPage(1);
    EXPECT_EQ(debuggerView.lines[0], 0x2000u + 4 * 22);
    viewPage(-1);
    EXPECT_EQ(0, std::memcmp(firstPage, debuggerView.lines, sizeof firstPage));
    viewScrollLine(1);
    EXPECT_EQ(debuggerView.lines[0], 0x2002u);
    viewScrollLine(-1);
    EXPECT_EQ(debuggerView.lines[0], 0x2000u);

    cpu.pc = firstPage[15];
    viewFollowPc();
    EXPECT_EQ(debuggerView.lines[0], 0x2000u) << "the PC is shown: no re-basing";
    cpu.pc = debuggerView.disassemblyEnd;
    viewFollowPc();
    EXPECT_EQ(debuggerView.lines[0], cpu.pc);

    debugRun.breakpointCount = 0;
    EXPECT_TRUE(viewToggleBreakpointAtLine(3));
    EXPECT_EQ(debugRun.breakpoints[0], debuggerView.lines[3]);
    debugRun.breakpointCount = 0;
}

// ---- Headless runs -----------------------------------------------------------------

struct HeadlessRun {
    int status;
    std::string out;
};
HeadlessRun runQuarvHeadless(const std::string& folder, std::vector<std::string> args) {
    WorkingDirectory in(folder);
    args.insert(args.begin(), {"quarv", "--headless", "--config", folder + "/quarv.ini", "--rom", builtRomPath()});
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    ProgramOptions options;
    std::string error;
    EXPECT_TRUE(parseCommandLine(int(argv.size()), argv.data(), options, error)) << error;
    ::testing::internal::CaptureStdout();
    int status = runHeadless(options);
    return {status, ::testing::internal::GetCapturedStdout()};
}

// The built-in ROM in memory, for the disassembler.
void loadBuiltRom() {
    setUpMemoryMap();
    std::vector<uint8_t> rom = readFileBytes(builtRomPath());
    ASSERT_FALSE(rom.empty());
    stCopyFromFileOrder(hw.rom, rom.data(), uint32_t(rom.size()));
    placeRom(0xFC0000, uint32_t(rom.size()));
}

// The ROM clears its RAM from $400 to its stack at $4000 with a DBRA loop, then calls
// its first subroutine: there D0 holds $FFFF, A0 and A7 the stack's top, and Z is set.
TEST(DebuggerHeadless, BreakStopsWithTheRegistersAndSixteenLines) {
    loadBuiltRom();
    uint32_t call = 0xFC0030;
    while (disassembleOne(call), std::strncmp(disassemblyText, "bsr", 3) != 0) call = disassembleOne(call);

    std::string folder = makeTempDir("headless_break");
    char address[16];
    std::snprintf(address, sizeof address, "%X", call);
    HeadlessRun run = runQuarvHeadless(folder, {"--break", address, "--frames", "50", "--png", folder + "/at.png"});
    EXPECT_EQ(run.status, 0);
    std::istringstream lines(run.out);
    std::vector<std::string> text;
    for (std::string line; std::getline(lines, line);) text.push_back(line);
    ASSERT_EQ(text.size(), 2u + 8 + 1 + 16) << run.out;
    char expected[64];
    std::snprintf(expected, sizeof expected, "Stopped: breakpoint at $%06X", call);
    EXPECT_EQ(text[0], expected);
    std::snprintf(expected, sizeof expected, "PC %08X  SR 2704 -S--Z--  CS ", call);
    EXPECT_EQ(text[1].substr(0, std::strlen(expected)), expected);
    EXPECT_EQ(text[2].substr(0, 24), "D0 0000FFFF  A0 00004000");
    EXPECT_EQ(text[9].substr(0, 24), "D7 00000000  A7 00004000");
    EXPECT_EQ(text[10], "A7'00000000");
    std::snprintf(expected, sizeof expected, "%06X  bsr", call);
    EXPECT_EQ(text[11].substr(0, std::strlen(expected)), expected);
    EXPECT_TRUE(std::filesystem::exists(folder + "/at.png")) << "the picture is written at the stop";
}

// With 512 KB the ROM's screen is the last 32 KB of RAM.
TEST(DebuggerHeadless, WatchOnTheScreenStopsAtTheFirstWrite) {
    std::string folder = makeTempDir("headless_watch");
    HeadlessRun run = runQuarvHeadless(folder, {"--ram", "512k", "--watch", "78000-7FFFF:w", "--frames", "50"});
    EXPECT_EQ(run.status, 0);
    ASSERT_EQ(run.out.rfind("Stopped: watchpoint: write.", 0), 0u) << run.out;
    uint32_t address = std::stoul(run.out.substr(run.out.find('$') + 1, 6), nullptr, 16);
    EXPECT_GE(address, 0x78000u);
    EXPECT_LE(address, 0x7FFFFu);
    EXPECT_EQ(debugRun.stopHit.address, address);
    EXPECT_TRUE(debugRun.stopHit.write);
}

TEST(DebuggerHeadless, TraceLinesMatchTheDisassembler) {
    std::string folder = makeTempDir("headless_trace");
    HeadlessRun run = runQuarvHeadless(folder, {"--trace", folder + "/trace.txt", "--frames", "1"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "") << "no stop, no report";

    loadBuiltRom();
    std::ifstream in(folder + "/trace.txt");
    std::string line;
    for (int n = 0; n < 100; ++n) {
        ASSERT_TRUE(std::getline(in, line)) << "line " << n;
        uint32_t pc = std::stoul(line.substr(0, 6), nullptr, 16);
        disassembleOne(pc);
        char expected[96];
        std::snprintf(expected, sizeof expected, "%06X  %-34s  D ", pc, disassemblyText);
        EXPECT_EQ(line.substr(0, std::strlen(expected)), expected) << "line " << n;
        if (n == 0) {
            EXPECT_NE(line.find("  SR 2700  CS "), std::string::npos) << line;
        }
    }
}

}  // namespace
