#include "frontend/command_line.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <ctime>

#include "debugger/debug_run.h"
#include "frontend/scripted_input.h"

namespace {
struct PathOption {
    const char* name;
    std::string ProgramOptions::*value;
};
const PathOption pathOptions[] = {
    {"--config", &ProgramOptions::configPath},     {"--rom", &ProgramOptions::romPath},
    {"--disk", &ProgramOptions::diskPath},         {"--screenshot", &ProgramOptions::screenshotPath},
    {"--png", &ProgramOptions::pngPath},           {"--wav", &ProgramOptions::wavPath},
    {"--ym", &ProgramOptions::ymPath},             {"--type", &ProgramOptions::typeText},
    {"--keys", &ProgramOptions::keysScript},       {"--snapshot-load", &ProgramOptions::snapshotLoadPath},
    {"--snapshot-save", &ProgramOptions::snapshotSavePath}, {"--trace", &ProgramOptions::tracePath},
    {"--data-dir", &ProgramOptions::dataDir},
    {"--record", &ProgramOptions::recordPath},     {"--replay", &ProgramOptions::replayPath},
    {"--hd-folder", &ProgramOptions::hdFolder},    {"--args", &ProgramOptions::programArguments},
};
struct FlagOption {
    const char* name;
    bool ProgramOptions::*value;
};
const FlagOption flagOptions[] = {
    {"--headless", &ProgramOptions::headless},
    {"--bench", &ProgramOptions::bench},
    {"--draw-every-frame", &ProgramOptions::drawEveryFrame},
    {"--default-snapshot", &ProgramOptions::defaultSnapshot},
    {"--fast-disk", &ProgramOptions::fastDisk},
    {"--no-disk", &ProgramOptions::noDisk},
    {"-debug", &ProgramOptions::debug},
    {"--version", &ProgramOptions::version},
    {"--acsi-writable", &ProgramOptions::acsiWritable},
};

bool hasExtension(const std::string& file, std::initializer_list<const char*> extensions) {
    std::string name = file;
    for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const char* extension : extensions)
        if (name.size() > std::strlen(extension) && name.ends_with(extension)) return true;
    return false;
}

// A disk image named without an option (as a desktop's "open with" passes it).
bool isDiskImageName(const char* arg) { return hasExtension(arg, {".st", ".msa", ".dim", ".fdi", ".zip"}); }

// Frame counts run up to the last frame a script may name, so that frame numbers stay
// valid ints wherever they go.
bool parseCount(const char* text, long& out) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end || errno || v < 0 || v > LAST_SCRIPT_FRAME) return false;
    out = v;
    return true;
}
}  // namespace

bool isProgramName(const std::string& name) { return hasExtension(name, {".prg", ".tos", ".ttp", ".app"}); }

bool parseClock(const char* text, int64_t& seconds) {
    const char* pattern = "0000-00-00 00:00:00";
    if (std::strlen(text) != std::strlen(pattern)) return false;
    for (int i = 0; pattern[i]; ++i)
        if (pattern[i] == '0' ? !std::isdigit(static_cast<unsigned char>(text[i])) : text[i] != pattern[i]) return false;
    std::tm t{};
    std::sscanf(text, "%d-%d-%d %d:%d:%d", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour, &t.tm_min, &t.tm_sec);
    if (t.tm_year < 1970 || t.tm_year > 2099) return false;
    std::tm wanted = t;
    t.tm_year -= 1900;
    t.tm_mon -= 1;
    std::time_t value = timegm(&t);
    // timegm carries fields that are out of range into the next ones: the 31st of April
    // comes back as the 1st of May, so a date that does not exist is one that changed.
    if (t.tm_year + 1900 != wanted.tm_year || t.tm_mon + 1 != wanted.tm_mon || t.tm_mday != wanted.tm_mday ||
        t.tm_hour != wanted.tm_hour || t.tm_min != wanted.tm_min || t.tm_sec != wanted.tm_sec)
        return false;
    seconds = int64_t(value);
    return true;
}

const char* commandLineHelp() {
    return "usage: quarv [-debug] [--headless] [options] [DISK | PROGRAM]\n"
           "  DISK                  a disk image for drive A, as --disk DISK\n"
           "  PROGRAM               an ST program (.prg, .tos, .ttp, .app): the TOS boots with its\n"
           "                        folder as drive C: and starts it\n"
           "  --args TEXT           the program's command line (for a .ttp)\n"
           "  --hd-folder DIR       a host folder as GEMDOS drive C:\n"
           "  --rom FILE            TOS image to run\n"
           "  --disk FILE           disk image for drive A (a.zip/member.st for a ZIP member)\n"
           "  --machine stfm|ste    machine type\n"
           "  --ram 512k|1m|2m|4m   RAM size\n"
           "  --no-disk             start with drive A empty\n"
           "  --fast-disk           floppy and hard disk commands complete at once\n"
           "  --acsi FILE           hard disk image for ACSI device 0, then 1 (repeatable)\n"
           "  --acsi-writable       write the hard disks' changes back to their image files\n"
           "  --clock \"YYYY-MM-DD HH:MM:SS\"  the ST's clock at power-on (otherwise the host's)\n"
           "  --config FILE         settings file\n"
           "  --data-dir DIR        folder for screenshots, recordings, snapshots and logs\n"
           "  --record FILE         record every input the ST receives, from the start\n"
           "  --replay FILE         run a recording again (headless: its frames, then end)\n"
           "  --version             print the version and end\n"
           "headless runs:\n"
           "  --frames N            run N frames, then shut down\n"
           "  --bench               print the emulation speed at exit\n"
           "  --draw-every-frame    draw every frame's picture, as a window would (for --bench)\n"
           "  --type TEXT           type TEXT on the ST keyboard (from --type-frame, default 100)\n"
           "  --keys SCRIPT         timed key presses\n"
           "  --screenshot FILE     save the picture as TGA or GIF at exit\n"
           "  --png FILE            save the 800 x 600 host picture as PNG at exit\n"
           "  --wav FILE            record the sound as WAV\n"
           "  --ym FILE             record the sound chip as YM6\n"
           "  --snapshot-load FILE  resume a memory snapshot before running\n"
           "  --snapshot-save FILE  save a memory snapshot at exit\n"
           "  --default-snapshot    resume and save the default snapshot\n"
           "debugging (the run stops and reports; in the window, on the debugger page):\n"
           "  --break ADDR          stop when the PC reaches ADDR (hexadecimal; repeatable)\n"
           "  --watch ADDR[-END][:r|w|rw]  stop when the 68000 reads or writes there (repeatable)\n"
           "  --trace FILE          write every executed instruction to FILE\n";
}

bool parseCommandLine(int argc, const char* const* argv, ProgramOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        auto needValue = [&](const char*& value) {
            if (i + 1 >= argc) {
                error = std::string(arg) + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        bool known = false;
        for (const FlagOption& f : flagOptions)
            if (std::strcmp(arg, f.name) == 0) options.*f.value = known = true;
        for (const PathOption& p : pathOptions)
            if (std::strcmp(arg, p.name) == 0) {
                const char* value;
                if (!needValue(value)) return false;
                options.*p.value = value;
                known = true;
            }
        if (known) continue;

        const char* value;
        if (std::strcmp(arg, "--frames") == 0 || std::strcmp(arg, "--type-frame") == 0) {
            if (!needValue(value)) return false;
            long& target = arg[2] == 'f' ? options.frames : options.typeFrame;
            if (!parseCount(value, target)) {
                error = std::string(arg) + " wants a number of frames from 0 to " + std::to_string(LAST_SCRIPT_FRAME) +
                        ", not \"" + value + "\"";
                return false;
            }
        } else if (std::strcmp(arg, "--machine") == 0) {
            if (!needValue(value)) return false;
            if (std::strcmp(value, "stfm") == 0) options.machine = 0;
            else if (std::strcmp(value, "ste") == 0) options.machine = 1;
            else {
                error = std::string("--machine wants stfm or ste, not \"") + value + "\"";
                return false;
            }
        } else if (std::strcmp(arg, "--ram") == 0) {
            if (!needValue(value)) return false;
            static const char* const sizes[4] = {"512k", "1m", "2m", "4m"};
            options.ramIndex = -1;
            for (int s = 0; s < 4; ++s)
                if (std::strcmp(value, sizes[s]) == 0) options.ramIndex = s;
            if (options.ramIndex < 0) {
                error = std::string("--ram wants 512k, 1m, 2m or 4m, not \"") + value + "\"";
                return false;
            }
        } else if (std::strcmp(arg, "--clock") == 0) {
            if (!needValue(value)) return false;
            if (!parseClock(value, options.clock)) {
                error = std::string("--clock wants \"YYYY-MM-DD HH:MM:SS\" (1970 to 2099), not \"") + value + "\"";
                return false;
            }
        } else if (std::strcmp(arg, "--break") == 0) {
            if (!needValue(value)) return false;
            uint32_t address;
            if (!parseHexAddress(value, address, false)) {
                error = std::string("--break wants a hexadecimal address, not \"") + value + "\"";
                return false;
            }
            options.breakpoints.push_back(address);
        } else if (std::strcmp(arg, "--watch") == 0) {
            if (!needValue(value)) return false;
            Watchpoint w;
            if (!parseWatchpoint(value, w)) {
                error = std::string("--watch wants ADDR[-END][:r|w|rw] in hexadecimal, not \"") + value + "\"";
                return false;
            }
            options.watchpoints.push_back(w);
        } else if (std::strcmp(arg, "--acsi") == 0) {
            if (!needValue(value)) return false;
            if (options.acsiPaths.size() == 2) {
                error = "--acsi takes at most two images (ACSI devices 0 and 1)";
                return false;
            }
            options.acsiPaths.push_back(value);
        } else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            error = "help";
            return false;
        } else if (std::strncmp(arg, "--", 2) == 0) {
            error = std::string("unknown option ") + arg;
            return false;
        }
        if (arg[0] != '-' && isDiskImageName(arg) && options.diskPath.empty()) options.diskPath = arg;
        if (arg[0] != '-' && isProgramName(arg) && options.programPath.empty()) options.programPath = arg;
        // Any other token is ignored, as the program always did.
    }
    if (!options.breakpoints.empty() || !options.watchpoints.empty() || !options.tracePath.empty())
        options.debug = true;
    return true;
}
