// The log is a stream written frame by frame while the option is on: it goes to a
// temporary file that takes the name "HardwareLog.txt" when the option goes off or the
// machine shuts down, as every file of the data folder is written.
#include "debugger/hardware_log.h"

#include <cstdio>

#include "base/data_folder.h"
#include "base/safe_file.h"
#include "bus/event_log.h"
#include "bus/hardware_write_log.h"

constexpr uint32_t SYNC_MODE_ADDRESS = 0xFF820A;
constexpr uint32_t RESOLUTION_ADDRESS = 0xFF8260;

static ReplacingFile logFile;
static bool logging;
static int frameNumber;

// The byte that reaches the register: the high byte of a word write at the even address.
static uint32_t registerByte(const HardwareWrite& w) { return w.word ? w.value >> 8 : w.value; }

// 60 Hz or high resolution: the values that open borders and change line lengths.
static bool isBorderTrickCandidate(const HardwareWrite& w) {
    if ((w.address & ~1u) == SYNC_MODE_ADDRESS) return !(registerByte(w) & 2);
    if (w.address == RESOLUTION_ADDRESS) return registerByte(w) & 2;
    return false;
}

static void writeFrame() {
    std::FILE* out = logFile.file;
    std::fprintf(out, "//// NEW FRAME (%d) ////\n", frameNumber++);
    for (const HardwareWrite* w = hardwareWrites(); w->cycle < FRAME_CYCLES; ++w) {
        if (!isBorderTrickCandidate(*w)) continue;
        std::fprintf(out, "($%05x) Line %3d ($%3x) : ", unsigned(w->cycle), w->cycle / LINE_CYCLES,
                     unsigned(w->cycle % LINE_CYCLES));
        if (w->word)
            std::fprintf(out, "$%X.W = $%04X (curReg=%d)\n", unsigned(w->address), unsigned(w->value), -1);
        else
            std::fprintf(out, "$%X.B = $%02X (curReg=%d)\n", unsigned(w->address), unsigned(w->value), -1);
    }
}

// A log whose writes failed is not put in place of the previous one; the reason goes
// to standard error, as the log is only ever asked for while debugging.
static void finishLog() {
    logging = false;
    if (!replacingCommit(logFile)) std::fprintf(stderr, "quarv: %s\n", replacingError().c_str());
}

// A log that could not be written is tried again only when the option is turned on
// again, not at every frame.
static bool attempted;

void hardwareLogStep(bool enabled) {
    if (!enabled) {
        if (logging) finishLog();
        attempted = false;
        return;
    }
    if (attempted && !logging) return;
    if (!logging) {
        attempted = true;
        if (!replacingOpen(logFile, dataFile(HARDWARE_LOG_FILE))) {
            std::fprintf(stderr, "quarv: %s\n", replacingError().c_str());
            return;
        }
        logging = true;
        frameNumber = 0;
    }
    writeFrame();
    if (std::ferror(logFile.file)) finishLog();
}
