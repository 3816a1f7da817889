#include "debugger/debug_run.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "bus/memory_map.h"
#include "cpu/cpu.h"
#include "cpu/disassembler.h"
#include "debugger/debugger_view.h"
#include "debugger/instruction_trace.h"
#include "machine/machine.h"
#include "machine/machine_reset.h"
#include "machine/scheduler.h"
#include "peripherals/blitter.h"

DebugRunState debugRun;

const char* const InterruptSourceNames[8] = {"VBL", "HBL", "Timer A", "Timer B", "Timer C", "Timer D", "ACIA", "FDC"};

bool parseHexAddress(const char* text, uint32_t& out, bool masked) {
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    if (*text == '$') ++text;
    else if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text += 2;
    if (!std::isxdigit(static_cast<unsigned char>(*text))) return false;
    char* end = nullptr;
    unsigned long long value = std::strtoull(text, &end, 16);
    while (std::isspace(static_cast<unsigned char>(*end))) ++end;
    if (*end || value > 0xFFFFFFFFull || (!masked && value > ADDRESS_MASK)) return false;
    out = uint32_t(value) & ADDRESS_MASK;
    return true;
}

bool atBreakpoint(uint32_t pc) {
    for (int i = 0; i < debugRun.breakpointCount; ++i)
        if (debugRun.breakpoints[i] == (pc & ADDRESS_MASK)) return true;
    return false;
}

bool toggleBreakpoint(uint32_t address) {
    address &= ADDRESS_MASK;
    for (int i = 0; i < debugRun.breakpointCount; ++i)
        if (debugRun.breakpoints[i] == address) {
            for (int j = i + 1; j < debugRun.breakpointCount; ++j) debugRun.breakpoints[j - 1] = debugRun.breakpoints[j];
            --debugRun.breakpointCount;
            return true;
        }
    if (debugRun.breakpointCount == MAX_BREAKPOINTS) return false;
    debugRun.breakpoints[debugRun.breakpointCount++] = address;
    return true;
}

static void noteStop(DebugStop why) {
    debugRun.stop = why;
    viewFollowPc();
}

// One instruction as the debugger executes it, traced when asked; the address it ran
// at goes to `pc`. An interrupt that is already due is entered first, as the processor
// would at the start of its slice, so that the instruction is the one at the PC. False
// when no instruction ran: the blitter held the bus, the processor is stopped, or it
// crashed (crash log and cold reset, as in the plain run).
static bool executeOne(uint32_t& pc, const DebugRunHooks& hooks) {
    cpuServiceInterrupts();
    bool executes = !blitterOwnsBus() && !cpuStopped();
    pc = cpu.pc & ADDRESS_MASK;
    if (executes && traceActive()) traceBefore(pc);
    if (runSlice(4) != RUN_OK) {
        hooks.processorCrashed();
        return false;
    }
    if (executes && traceActive()) traceAfter();
    return executes;
}

// Stop conditions after each instruction, in this order: F12, the step-over address,
// F11 (reset, then the wait for its release), the frame-cycle target, a breakpoint, a
// watched access. The PC conditions only count when an instruction ran, so that a run
// resumed where the blitter holds the bus or the processor is stopped goes on.
static bool stopAfterInstruction(bool executed, uint32_t instruction, const DebugRunHooks& hooks, DebugPassEnd& end) {
    uint32_t pc = cpu.pc & ADDRESS_MASK;
    bool cold = false;
    end = DebugPassEnd::Stopped;
    if (hooks.stopKeyHeld && hooks.stopKeyHeld()) {
        noteStop(DebugStop::Key);
    } else if (executed && int32_t(pc) == debugRun.stepOverAddress) {
        noteStop(DebugStop::StepOver);
    } else if (hooks.resetKeyHeld && hooks.resetKeyHeld(cold)) {
        machineReset(cold);
        end = DebugPassEnd::Reset;
    } else if (debugRun.nopTarget > 0 && cpu.odometer >= debugRun.nopTarget) {
        debugRun.nopTarget = -1;
        noteStop(DebugStop::CycleTarget);
    } else if (executed && atBreakpoint(pc)) {
        noteStop(DebugStop::Breakpoint);
    } else if (watchHit.hit) {
        debugRun.stopHit = watchHit;
        debugRun.stopInstruction = instruction;
        noteStop(DebugStop::Watchpoint);
    } else {
        return false;
    }
    return true;
}

bool debugStopsBeforeFirstInstruction() {
    uint32_t pc = cpu.pc & ADDRESS_MASK;
    if (int32_t(pc) == debugRun.resumeAddress || !atBreakpoint(pc)) return false;
    noteStop(DebugStop::Breakpoint);
    return true;
}

DebugPassEnd debugRunInstructions(const DebugRunHooks& hooks) {
    DebugPassEnd end;
    armWatchpoints();
    while (true) {
        watchHit.hit = false;
        int32_t n = serviceEvents();
        if (n == 0) {
            cpuServiceInterrupts();
            int kind = scheduler.nextEventKind;
            if (kind < 8 && debugRun.breakOnIrq[kind]) {
                debugRun.stopEvent = kind;
                noteStop(DebugStop::Interrupt);
                end = DebugPassEnd::Stopped;
                break;
            }
            // The interrupt's 56 cycles may have carried the frame to its end.
            n = serviceEvents();
        }
        if (n == -1) {
            end = DebugPassEnd::FrameEnded;
            break;
        }
        uint32_t instruction;
        bool executed = executeOne(instruction, hooks);
        if (executed) debugRun.resumeAddress = -1;
        if (stopAfterInstruction(executed, instruction, hooks, end)) break;
    }
    disarmWatchpoints();
    return end;
}

static void readyRun() {
    debugRun.stop = DebugStop::None;
    debugRun.resumeAddress = int32_t(cpu.pc & ADDRESS_MASK);
}

void debugReadyContinue() {
    debugRun.stepOverAddress = -1;
    readyRun();
}

void debugReadyStepOver() {
    debugRun.stepOverAddress = int32_t(disassembleOne(cpu.pc & ADDRESS_MASK));
    readyRun();
}

void debugReadyRunToCycle(long nops) {
    debugRun.nopTarget = int32_t(nops * 4);
    debugRun.stepOverAddress = -1;
    readyRun();
}

bool debugStep(const DebugRunHooks& hooks) {
    armWatchpoints();
    watchHit.hit = false;
    int32_t n = serviceEvents();
    uint32_t instruction = cpu.pc & ADDRESS_MASK;
    if (n == 0) {
        cpuServiceInterrupts();
    } else {
        executeOne(instruction, hooks);
    }
    disarmWatchpoints();
    if (watchHit.hit) {
        debugRun.stopHit = watchHit;
        debugRun.stopInstruction = instruction;
        noteStop(DebugStop::Watchpoint);
    } else {
        noteStop(DebugStop::Step);
    }
    return n == -1;
}

void debugSkipInstruction() {
    cpu.pc = disassembleOne(cpu.pc & ADDRESS_MASK);
    noteStop(DebugStop::Step);
}

void debugStopText(char* out, int size) {
    size_t n = size_t(size);
    uint32_t pc = cpu.pc & ADDRESS_MASK;
    const WatchHit& hit = debugRun.stopHit;
    switch (debugRun.stop) {
    case DebugStop::None: std::snprintf(out, n, "at $%06X", pc); break;
    case DebugStop::Key: std::snprintf(out, n, "F12 at $%06X", pc); break;
    case DebugStop::StepOver: std::snprintf(out, n, "step over at $%06X", pc); break;
    case DebugStop::CycleTarget: std::snprintf(out, n, "frame cycle %d at $%06X", cpu.odometer, pc); break;
    case DebugStop::Breakpoint: std::snprintf(out, n, "breakpoint at $%06X", pc); break;
    case DebugStop::Watchpoint:
        std::snprintf(out, n, "watchpoint: %s.%c $%06X = $%X by $%06X", hit.write ? "write" : "read",
                      hit.size == 1 ? 'b' : 'w', hit.address, hit.value, debugRun.stopInstruction);
        break;
    case DebugStop::Interrupt:
        std::snprintf(out, n, "interrupt %s at $%06X", InterruptSourceNames[debugRun.stopEvent & 7], pc);
        break;
    case DebugStop::Step: std::snprintf(out, n, "step at $%06X", pc); break;
    }
}
