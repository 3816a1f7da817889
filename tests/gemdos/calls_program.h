#pragma once
// The calls program (roms/tests/gemdos_calls.s) under EmuTOS: the script of GEMDOS calls
// it makes, started as the desktop's start program from a folder drive, and what it
// wrote down; and a folder for it beside a folder it must never reach.
#include <cstdint>
#include <string>
#include <vector>

extern const std::string EMUTOS;

// An argument of a call: a word, a long, or a long offset into the script.
struct Arg {
    enum Kind { WORD, LONG, POINTER } kind;
    uint32_t value;
};
inline Arg w(uint32_t v) { return {Arg::WORD, v}; }
inline Arg l(uint32_t v) { return {Arg::LONG, v}; }
inline Arg p(uint32_t offset) { return {Arg::POINTER, offset}; }

// CALLS.BIN as the program reads it.
struct Script {
    std::vector<uint8_t> entries, data;
    uint32_t text(const std::string& s);
    uint32_t buffer(size_t n);
    void call(uint16_t function, const std::vector<Arg>& args, bool xbios = false);
    std::vector<uint8_t> file() const;
};

struct CallResult {
    int32_t d0;
    std::string name;  // in the DTA after the call
};
struct ProgramRun {
    bool written = false;
    std::string commandLine;
    std::vector<CallResult> results;
    std::vector<uint8_t> script;  // after the calls
    std::string text(uint32_t offset) const { return reinterpret_cast<const char*>(script.data() + offset); }
};

// Puts the script and the program (as CALLS.PRG) into `folder` and starts EmuTOS with the
// folder as drive C: and the program as its start program.
void startCallsProgram(const std::string& folder, const Script& script);
// Runs frames until the program has written RESULTS.BIN (false when it did not).
bool runUntilResults(const std::string& folder);
ProgramRun readResults(const std::string& folder, size_t calls);
// All of it, in a working folder of its own.
ProgramRun runCallsProgram(const std::string& folder, const Script& script, size_t calls);

// The drive's folder, with files of every kind the drive meets, and `outside`, a
// sibling it has a link to (as it has one to /etc).
struct Folders {
    std::string drive, outside;
    std::string longName;  // the ST name of "A Long File Name.text"
};
Folders makeFolders(const std::string& tag);
// Every entry under a folder with its size and time, to tell that nothing changed.
std::vector<std::string> listing(const std::string& folder);

enum : int32_t {
    EWRPRO = -13, EINVFN = -32, EFILNF = -33, EPTHNF = -34, ENHNDL = -35, EACCDN = -36, EIHNDL = -37,
    ENSAME = -48, ENMFIL = -49, E_RANGE = -64, EPLFMT = -66,
};
enum : uint16_t {
    PTERM0 = 0x00, FSETDTA = 0x1A, DFREE = 0x36, DCREATE = 0x39, DDELETE = 0x3A, DSETPATH = 0x3B, FCREATE = 0x3C,
    FOPEN = 0x3D, FCLOSE = 0x3E, FREAD = 0x3F, FWRITE = 0x40, FDELETE = 0x41, FSEEK = 0x42, FATTRIB = 0x43,
    FFORCE = 0x46, DGETPATH = 0x47, MALLOC = 0x48, PEXEC = 0x4B, FSFIRST = 0x4E, FSNEXT = 0x4F, FRENAME = 0x56,
    FDATIME = 0x57, XBIOS_VSYNC = 37,
};
constexpr int FIRST_HANDLE = 96;
