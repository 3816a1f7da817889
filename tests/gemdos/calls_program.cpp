#include "calls_program.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "gemdos/folder_drive.h"
#include "support/test_machine.h"

namespace fs = std::filesystem;

const std::string EMUTOS = std::string(QUARV_SHARED_DIR) + "/emutos/etos192uk.img";

namespace {
constexpr uint32_t DATA_AT = 0x2000;  // the script's strings and buffers after its entries
constexpr size_t COMMAND_LINE_BYTES = 128, RESULT_BYTES = 20;

void putBig(std::vector<uint8_t>& b, uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) b.push_back(uint8_t(v >> (8 * i)));
}
void writeFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
}  // namespace

uint32_t Script::text(const std::string& s) {
    uint32_t at = DATA_AT + uint32_t(data.size());
    data.insert(data.end(), s.begin(), s.end());
    data.resize(data.size() + (s.size() & 1 ? 1 : 2), 0);
    return at;
}

uint32_t Script::buffer(size_t n) {
    uint32_t at = DATA_AT + uint32_t(data.size());
    data.resize(data.size() + ((n + 1) & ~size_t(1)), 0);
    return at;
}

void Script::call(uint16_t function, const std::vector<Arg>& args, bool xbios) {
    std::vector<uint8_t> block;
    uint16_t marks = xbios ? 0x8000 : 0;
    putBig(block, function, 2);
    for (const Arg& a : args) {
        if (a.kind == Arg::POINTER) marks |= uint16_t(1 << (block.size() / 2));
        putBig(block, a.value, a.kind == Arg::WORD ? 2 : 4);
    }
    putBig(entries, uint32_t(block.size()), 2);
    putBig(entries, marks, 2);
    entries.insert(entries.end(), block.begin(), block.end());
}

std::vector<uint8_t> Script::file() const {
    std::vector<uint8_t> f = entries;
    f.resize(DATA_AT, 0);  // the zero length after the last entry ends the list
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

ProgramRun readResults(const std::string& folder, size_t calls) {
    ProgramRun run;
    std::vector<uint8_t> b = readFileBytes(folder + "/RESULTS.BIN");
    if (b.size() < COMMAND_LINE_BYTES + calls * RESULT_BYTES) return run;
    run.written = true;
    run.commandLine.assign(b.begin() + 1, b.begin() + 1 + b[0]);
    for (size_t i = 0; i < calls; ++i) {
        const uint8_t* r = b.data() + COMMAND_LINE_BYTES + i * RESULT_BYTES;
        const char* name = reinterpret_cast<const char*>(r + 4);
        int32_t d0 = int32_t(uint32_t(r[0]) << 24 | r[1] << 16 | r[2] << 8 | r[3]);
        run.results.push_back({d0, std::string(name, strnlen(name, 14))});
    }
    run.script.assign(b.begin() + long(COMMAND_LINE_BYTES + calls * RESULT_BYTES), b.end());
    return run;
}

void startCallsProgram(const std::string& folder, const Script& script) {
    std::vector<uint8_t> bytes = script.file();
    std::ofstream(folder + "/CALLS.BIN", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    fs::copy_file(m68kProgramPath("gemdos_calls"), folder + "/CALLS.PRG", fs::copy_options::overwrite_existing);
    TestMachineSetup setup;
    setup.rom = EMUTOS;
    setup.program = folder + "/CALLS.PRG";
    startTestMachine(setup);
}

bool runUntilResults(const std::string& folder) {
    for (int i = 0; i < 40 && !fs::exists(folder + "/RESULTS.BIN"); ++i) runTestFrames(50);
    runTestFrames(20);  // the program closes the file and ends
    return fs::exists(folder + "/RESULTS.BIN");
}

ProgramRun runCallsProgram(const std::string& folder, const Script& script, size_t calls) {
    WorkingDirectory in(makeTempDir("gemdos_run"));
    startCallsProgram(folder, script);
    if (testing::Test::HasFatalFailure()) return {};
    runUntilResults(folder);
    stopTestMachine();
    return readResults(folder, calls);
}

Folders makeFolders(const std::string& tag) {
    Folders f;
    std::string base = makeTempDir(tag);
    f.drive = base + "/drive";
    f.outside = base + "/sibling";
    fs::create_directories(f.drive + "/SUB");
    fs::create_directories(f.outside);
    writeFile(f.outside + "/SECRET.TXT", "secret");
    writeFile(f.drive + "/readme.txt", "hello");
    writeFile(f.drive + "/A Long File Name.text", "long");
    writeFile(f.drive + "/SUB/INNER.DAT", "inner");
    writeFile(f.drive + "/LOCKED.TXT", "locked");
    writeFile(f.drive + "/.hidden", "unseen");
    fs::permissions(f.drive + "/LOCKED.TXT", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::create_directory_symlink("/etc", f.drive + "/ETC");
    fs::create_directory_symlink("../sibling", f.drive + "/SIBLING");
    fs::copy_file(m68kProgramPath("gemdos_child"), f.drive + "/CHILD.PRG");
    std::tm tm{};
    tm.tm_year = 101, tm.tm_mon = 1, tm.tm_mday = 3, tm.tm_hour = 4, tm.tm_min = 5, tm.tm_sec = 6, tm.tm_isdst = -1;
    timespec times[2] = {{std::mktime(&tm), 0}, {std::mktime(&tm), 0}};
    ::utimensat(AT_FDCWD, (f.drive + "/readme.txt").c_str(), times, 0);
    f.longName = folderDriveNameOf(f.drive, "A Long File Name.text");
    return f;
}

std::vector<std::string> listing(const std::string& folder) {
    std::vector<std::string> entries;
    for (const auto& e : fs::recursive_directory_iterator(folder, fs::directory_options::skip_permission_denied)) {
        std::error_code error;
        entries.push_back(e.path().string() + " " + std::to_string(e.is_regular_file(error) ? e.file_size(error) : 0) +
                          " " + std::to_string(fs::last_write_time(e.path(), error).time_since_epoch().count()));
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}
