// Pexec of a program on the drive. The TOS cannot read the drive's files itself, so the
// drive loads the program into a basepage the TOS made and lets the TOS run it, with
// GEMDOS calls any TOS has: Pexec 5 (create a basepage), Pexec 4 (run it), then Mfree of
// its environment and basepage, as a parent that creates and runs a basepage does. Each
// call is made from the caller's own TRAP: its arguments are replaced by the next call's
// and the TRAP is taken again, so that the TOS returns to it, until the caller's
// arguments are put back and it gets its answer, on the same stack it called from.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "bus/memory_map.h"
#include "gemdos/folder_drive_state.h"

namespace {

// The basepage (256 bytes before the program's text).
constexpr uint32_t BASEPAGE_LOW = 0x00, BASEPAGE_HIGH = 0x04, BASEPAGE_TEXT = 0x08, BASEPAGE_ENVIRONMENT = 0x2C,
                   BASEPAGE_FLAGS = 0x28, BASEPAGE_COMMAND_LINE = 0x80, BASEPAGE_SIZE = 0x100;
constexpr int COMMAND_LINE_MAX = 124;
constexpr uint16_t PEXEC = 0x4B, MFREE = 0x49;
constexpr uint16_t PEXEC_GO = 4, PEXEC_BASEPAGE = 5, PEXEC_LOAD = 3;
constexpr uint16_t PROGRAM_MAGIC = 0x601A;
constexpr uint32_t FAST_LOAD = 1;  // header flag: only the BSS is cleared, not the rest of the TPA

uint32_t bigEndian(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// The program file's header: magic, text, data, BSS and symbol lengths, flags, and
// whether it has no relocation table.
struct ProgramHeader {
    uint32_t text, data, bss, symbols, flags;
    bool absolute;
};
constexpr uint32_t HEADER_BYTES = 28;

bool readHeader(int fd, ProgramHeader& h) {
    uint8_t b[HEADER_BYTES];
    if (::read(fd, b, sizeof b) != ssize_t(sizeof b) || (b[0] << 8 | b[1]) != PROGRAM_MAGIC) return false;
    h = {bigEndian(b + 2), bigEndian(b + 6), bigEndian(b + 10), bigEndian(b + 14), bigEndian(b + 22),
         (b[26] << 8 | b[27]) != 0};
    // Parts beyond any ST memory are no program.
    return std::max({h.text, h.data, h.bss, h.symbols}) < 0x1000000;
}

// Bytes of the file one at a time, through a buffer.
struct ByteReader {
    explicit ByteReader(int file) : fd(file) {}
    int fd;
    uint8_t buffer[4096];
    ssize_t length = 0, at = 0;
    int next() {
        if (at == length) {
            length = ::read(fd, buffer, sizeof buffer);
            at = 0;
            if (length <= 0) return -1;
        }
        return buffer[at++];
    }
};

bool zeroSt(uint32_t address, uint32_t length) {
    static const uint8_t zeros[4096] = {};
    for (uint32_t done = 0; done < length;) {
        uint32_t n = std::min<uint32_t>(sizeof zeros, length - done);
        if (!copyToSt(address + done, zeros, n)) return false;
        done += n;
    }
    return true;
}

// The relocation table: the offset of the first long to fix, then bytes giving the
// distance to the next (1: 254 further without a fix, 0: the end). Each long holds an
// offset from the text and gets the text's address added.
int32_t relocate(int fd, uint32_t text, uint32_t length) {
    uint8_t first[4];
    if (::read(fd, first, 4) != 4) return E_OK;  // no table: nothing to fix
    uint32_t offset = bigEndian(first);
    if (!offset) return E_OK;
    ByteReader reader(fd);
    for (;;) {
        if ((offset & 1) || uint64_t(offset) + 4 > length) return EPLFMT;
        putStLong(text + offset, stLong(text + offset) + text);
        int step;
        while ((step = reader.next()) == 1) offset += 254;
        if (step <= 0) return step == 0 ? E_OK : EPLFMT;
        offset += uint32_t(step);
    }
}

// Loads the program into the TPA of `basepage` and fills in the basepage.
int32_t loadProgram(const std::string& hostPath, uint32_t basepage) {
    int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return EFILNF;
    ProgramHeader h;
    int32_t result = E_OK;
    uint32_t low = stLong(basepage + BASEPAGE_LOW), high = stLong(basepage + BASEPAGE_HIGH);
    uint32_t text = low + BASEPAGE_SIZE, image = 0;
    if (!readHeader(fd, h)) {
        result = EPLFMT;
    } else if (high < low || uint64_t(BASEPAGE_SIZE) + h.text + h.data + h.bss > high - low) {
        result = ENSMEM;
    } else {
        image = h.text + h.data;
        static uint8_t chunk[64 * 1024];
        for (uint32_t done = 0; done < image && result == E_OK;) {
            uint32_t n = std::min<uint32_t>(sizeof chunk, image - done);
            if (::read(fd, chunk, n) != ssize_t(n)) result = EPLFMT;
            else if (!copyToSt(text + done, chunk, n)) result = ENSMEM;
            done += n;
        }
        if (result == E_OK && !h.absolute) {
            ::lseek(fd, off_t(HEADER_BYTES) + image + h.symbols, SEEK_SET);
            result = relocate(fd, text, image);
        }
    }
    ::close(fd);
    if (result != E_OK) return result;
    uint32_t bss = text + image;
    if (!zeroSt(bss, h.flags & FAST_LOAD ? h.bss : high - bss)) return ENSMEM;
    uint32_t fields[6] = {text, h.text, text + h.text, h.data, bss, h.bss};
    for (int i = 0; i < 6; ++i) putStLong(basepage + BASEPAGE_TEXT + 4 * i, fields[i]);
    putStLong(basepage + BASEPAGE_FLAGS, h.flags);
    return E_OK;
}

bool isProgram(const std::string& hostPath) {
    int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    ProgramHeader h;
    bool program = readHeader(fd, h);
    ::close(fd);
    return program;
}

// The next call in the caller's place.
TrapAction call(ProgramLoad& load, LoadStage stage, std::initializer_list<std::pair<int, uint32_t>> fields) {
    uint32_t at = load.stack;
    for (auto [bytes, value] : fields) {
        if (bytes == 2) putStWord(at, uint16_t(value));
        else putStLong(at, value);
        at += uint32_t(bytes);
    }
    load.stage = stage;
    return TRAP_TAKEN_AGAIN;
}

TrapAction pexec(ProgramLoad& load, uint16_t mode, uint32_t commandLine, uint32_t environment, LoadStage stage) {
    return call(load, stage, {{2, PEXEC}, {2, mode}, {4, 0}, {4, commandLine}, {4, environment}});
}
TrapAction mfree(ProgramLoad& load, uint32_t block, LoadStage stage) {
    return call(load, stage, {{2, MFREE}, {4, block}});
}

TrapAction finish(ProgramLoad& load, int32_t result) {
    copyToSt(load.stack, load.callerArguments, sizeof load.callerArguments);
    load = ProgramLoad{};
    return answer(result);
}

// The start program's arguments, as its command line: length, text, zero.
void putStartArguments(uint32_t basepage) {
    std::string text = folderDrive.startArguments.substr(0, COMMAND_LINE_MAX);
    uint8_t line[COMMAND_LINE_MAX + 2] = {uint8_t(text.size())};
    std::copy(text.begin(), text.end(), line + 1);
    copyToSt(basepage + BASEPAGE_COMMAND_LINE, line, uint32_t(text.size() + 2));
}

}  // namespace

TrapAction startProgramLoad(uint32_t trapAddress, uint32_t arguments, const std::vector<std::string>& components,
                            const std::string& hostPath) {
    if (!isProgram(hostPath)) return answer(EPLFMT);
    auto free = std::find_if(std::begin(folderDrive.loads), std::end(folderDrive.loads),
                             [](const ProgramLoad& l) { return l.stage == LOAD_FREE; });
    if (free == std::end(folderDrive.loads)) return answer(ENSMEM);
    ProgramLoad& load = *free;
    load.stack = arguments - 2;
    load.trapAddress = trapAddress;
    load.mode = stWord(arguments);
    load.stPath = joinStPath(components);
    copyFromSt(load.stack, load.callerArguments, sizeof load.callerArguments);
    load.startArguments = !folderDrive.startArguments.empty() && !folderDrive.startArgumentsGiven &&
                          components.size() == 1 && components[0] == folderDrive.startProgram;
    return pexec(load, PEXEC_BASEPAGE, stLong(arguments + 6), stLong(arguments + 10), LOAD_BASEPAGE);
}

ProgramLoad* programLoadAt(uint32_t stack, uint32_t trapAddress) {
    for (ProgramLoad& l : folderDrive.loads)
        if (l.stage != LOAD_FREE && l.stack == stack && l.trapAddress == trapAddress) return &l;
    return nullptr;
}

TrapAction continueProgramLoad(ProgramLoad& load) {
    int32_t d0 = int32_t(cpu.regs[0]);
    switch (load.stage) {
    case LOAD_BASEPAGE: {
        if (d0 < 0) return finish(load, d0);  // no memory for it
        load.basepage = uint32_t(d0);
        std::vector<std::string> components;
        ResolvedPath p;
        int32_t error = stPathComponents("", load.stPath.c_str(), components);
        if (!error) error = resolveComponents(folderDrive.root, components, p);
        if (!error) error = p.exists ? loadProgram(p.target, load.basepage) : EFILNF;
        if (error) {
            load.result = error;
            return mfree(load, stLong(load.basepage + BASEPAGE_ENVIRONMENT), LOAD_FREE_ENVIRONMENT);
        }
        if (load.startArguments) {
            putStartArguments(load.basepage);
            folderDrive.startArgumentsGiven = true;
        }
        if (load.mode == PEXEC_LOAD) return finish(load, int32_t(load.basepage));
        return pexec(load, PEXEC_GO, load.basepage, 0, LOAD_RUNNING);
    }
    case LOAD_RUNNING:
        load.result = d0;
        if (load.resident) return finish(load, d0);
        return mfree(load, stLong(load.basepage + BASEPAGE_ENVIRONMENT), LOAD_FREE_ENVIRONMENT);
    case LOAD_FREE_ENVIRONMENT:
        return mfree(load, load.basepage, LOAD_FREE_BASEPAGE);
    default:
        return finish(load, load.result);
    }
}

// A program that stays resident keeps its memory: its parent must not free it.
void programEnding(bool resident) {
    uint32_t basepage = currentBasepage();
    for (ProgramLoad& l : folderDrive.loads)
        if (l.stage == LOAD_RUNNING && l.basepage == basepage) l.resident = resident;
}
