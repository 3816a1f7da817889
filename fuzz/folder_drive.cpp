// The folder drive fed GEMDOS call sequences with random names and arguments, made by a
// TRAP #1 as a program makes them: no call may crash or reach outside ST memory, and
// nothing outside the drive's folder may change. A sibling folder, which the drive's
// folder has a link to, is the canary; the folder itself is put back for every input.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "folder_drive_caller.h"
#include "gemdos/folder_drive.h"

namespace {

namespace fs = std::filesystem;
using namespace folder_drive_caller;

struct Place {
    std::string drive, outside;
};

// The folders are made anew for every input: in memory where the host has a folder
// there, for speed.
Place makePlace() {
    const char* tmp = std::getenv("TMPDIR");
    std::error_code error;
    std::string folder = tmp && *tmp ? tmp : fs::is_directory("/dev/shm", error) ? "/dev/shm" : "/tmp";
    std::string base = folder + "/quarv_fuzz_drive_" + std::to_string(::getpid());
    fs::remove_all(base);
    Place p{base + "/drive", base + "/outside"};
    fs::create_directories(p.outside + "/deeper");
    std::ofstream(p.outside + "/SECRET.TXT") << "canary";
    std::ofstream(p.outside + "/deeper/FILE.TXT") << "canary";
    return p;
}

// The drive's folder as every input finds it: files, a folder, a long name, a program,
// a link leading out.
void resetDriveFolder(const Place& p) {
    fs::remove_all(p.drive);
    fs::create_directories(p.drive + "/SUB");
    std::ofstream(p.drive + "/FILE.TXT") << "contents of a file";
    std::ofstream(p.drive + "/SUB/INNER.DAT") << "inner";
    std::ofstream(p.drive + "/long name.text") << "long";
    // A program: header, 8 bytes of text (one long to relocate), relocation table.
    const uint8_t program[] = {0x60, 0x1A, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                               0, 0, 0x4E, 0x75, 0, 0, 0, 0, 0, 2, 0, 0, 0, 2, 0};
    std::ofstream(p.drive + "/PROG.PRG", std::ios::binary)
        .write(reinterpret_cast<const char*>(program), sizeof program);
    fs::create_directory_symlink("../outside", p.drive + "/OUT");
}

// Names, sizes and contents under a folder.
std::string stateOf(const std::string& folder) {
    std::string state;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        state += e.path().string() + "\n";
        if (e.is_regular_file()) {
            std::ifstream in(e.path(), std::ios::binary);
            state.append(std::istreambuf_iterator<char>(in), {});
        }
    }
    return state;
}

struct Input {
    const uint8_t* p;
    const uint8_t* end;
    bool more() const { return p < end; }
    uint8_t byte() { return p < end ? *p++ : 0; }
    uint16_t word() { return uint16_t(byte() << 8 | byte()); }
    uint32_t longValue() { return uint32_t(word()) << 16 | word(); }
};

// Names built from pieces that lead somewhere (or try to leave), and raw characters.
const char* const PIECES[] = {"C:", "\\", "..", ".", "FILE.TXT", "SUB", "OUT", "*.*", "*", "?", "NEW",
                              ".TXT", "INNER.DAT", "/", "A:", "LONG_~", "PROG.PRG", "SECRET.TXT", "deeper", "c:\\"};
std::string nameFrom(Input& in) {
    std::string name;
    for (int n = in.byte() % 7; n > 0; --n) {
        uint8_t b = in.byte();
        if (b < 0xC0) name += PIECES[b % std::size(PIECES)];
        else name += char(b & 0x3F ? b & 0x7F : 1);
    }
    return name;
}

uint32_t handleFrom(Input& in) { return 92 + in.byte() % 40; }
// Mostly a buffer in RAM; sometimes any address, to find the edges of ST memory.
uint32_t bufferFrom(Input& in) { return in.byte() & 0x80 ? in.longValue() : BUFFER + in.word(); }
uint32_t countFrom(Input& in) { return in.byte() & 0x80 ? in.longValue() : in.word(); }

void oneCall(Input& in) {
    Strings text;
    switch (in.byte() % 24) {
    case 0: make(call(0x3C).l(text.put(nameFrom(in))).w(in.byte())); break;
    case 1: make(call(0x3D).l(text.put(nameFrom(in))).w(in.byte() % 4)); break;
    case 2: make(call(0x3E).w(handleFrom(in))); break;
    case 3: {
        uint32_t h = handleFrom(in), n = countFrom(in);
        make(call(0x3F).w(h).l(n).l(bufferFrom(in)));
        break;
    }
    case 4: {
        uint32_t h = handleFrom(in), n = countFrom(in);
        make(call(0x40).w(h).l(n).l(bufferFrom(in)));
        break;
    }
    case 5: {
        uint32_t offset = in.longValue();
        make(call(0x42).l(offset).w(handleFrom(in)).w(in.byte() % 4));
        break;
    }
    case 6: make(call(0x41).l(text.put(nameFrom(in)))); break;
    case 7: make(call(0x43).l(text.put(nameFrom(in))).w(in.byte() & 1).w(in.byte())); break;
    case 8: {
        uint32_t from = text.put(nameFrom(in));
        make(call(0x56).w(0).l(from).l(text.put(nameFrom(in))));
        break;
    }
    case 9: make(call(0x39).l(text.put(nameFrom(in)))); break;
    case 10: make(call(0x3A).l(text.put(nameFrom(in)))); break;
    case 11: make(call(0x3B).l(text.put(nameFrom(in)))); break;
    case 12: make(call(0x47).l(bufferFrom(in)).w(in.byte() % 5)); break;
    case 13: make(call(0x36).l(bufferFrom(in)).w(in.byte() % 5)); break;
    case 14: make(call(0x4E).l(text.put(nameFrom(in))).w(in.byte())); break;
    case 15: make(call(0x4F)); break;
    case 16: {
        uint32_t buffer = bufferFrom(in);
        make(call(0x57).l(buffer).w(handleFrom(in)).w(in.byte() & 1));
        break;
    }
    case 17: {
        uint32_t name = text.put(nameFrom(in));
        make(call(0x4B).w(in.byte() & 1 ? 3 : 0).l(name).l(text.put("")).l(0));
        break;
    }
    case 18: make(call(0x00)); break;  // Pterm0: the process's files close
    case 19: putLong(BASEPAGE + 0x20, in.byte() & 0x80 ? in.longValue() : DTA); break;
    case 20: {
        uint8_t drive = in.byte() % 4;
        copyToSt(BASEPAGE + 0x37, &drive, 1);
        break;
    }
    case 21: setFolderDriveWriteProtect(in.byte() & 1); break;
    case 22: make(call(0x46).w(in.byte() % 6).w(handleFrom(in))); break;
    default: {
        // A file of random bytes, which the next calls may run as a program.
        uint32_t name = text.put("C:\\RANDOM.PRG");
        int32_t h = make(call(0x3C).l(name).w(0));
        uint32_t n = in.byte();
        for (uint32_t i = 0; i < n; ++i) {
            uint8_t b = in.byte();
            copyToSt(BUFFER + i, &b, 1);
        }
        make(call(0x40).w(uint32_t(h)).l(n).l(BUFFER));
        make(call(0x3E).w(uint32_t(h)));
        make(call(0x4B).w(0).l(name).l(text.put("")).l(0));
    }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Place place = makePlace();
    static const std::string canary = stateOf(place.outside);
    if (!setUp()) return 0;
    resetDriveFolder(place);
    std::string error;
    if (!attachFolderDrive(place.drive, 2, false, error)) return 0;
    Input in{data, data + size};
    for (int calls = 0; in.more() && calls < 64; ++calls) oneCall(in);
    detachFolderDrive();
    if (stateOf(place.outside) != canary) std::abort();  // the drive reached outside its folder
    return 0;
}
