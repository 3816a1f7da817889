// The single-instruction vectors of a real 68000: every instruction of every file runs
// once from its recorded state, and registers, memory and cycles are compared with the
// recorded result, except where this core's own rules depart from the 68000 (each
// exception below names its reason).
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <unordered_set>
#include <vector>

#include "cpu/cpu_core.h"
#include "cpu/effective_address.h"
#include "support/test_machine.h"

namespace {
const std::string vectorDir = QUARV_SHARED_DIR "/m68000-tests";

struct MachineState {
    uint32_t r[19];  // D0-D7, A0-A6, USP, SSP, SR, PC
    std::vector<std::pair<uint32_t, uint16_t>> memory;
};
struct Vector {
    std::string name;
    MachineState before, after;
    uint32_t cycles;
    bool addressError;
};
enum { USP = 15, SSP = 16, SR = 17, PC = 18 };

std::vector<Vector> readVectors(const std::string& path) {
    std::vector<uint8_t> d;
    gzFile f = gzopen(path.c_str(), "rb");
    if (!f) return {};
    uint8_t buffer[65536];
    for (int n; (n = gzread(f, buffer, sizeof buffer)) > 0;) d.insert(d.end(), buffer, buffer + n);
    gzclose(f);
    size_t pos = 0;
    auto get = [&](auto v) {  // the next value of v's type
        std::memcpy(&v, d.data() + pos, sizeof v);
        pos += sizeof v;
        return v;
    };
    auto text = [&](size_t n) {
        std::string s(reinterpret_cast<const char*>(d.data() + pos), n);
        pos += n;
        return s;
    };
    auto state = [&] {
        MachineState s;
        for (uint32_t& v : s.r) v = get(uint32_t());
        pos += 4;  // prefetch words: the opcode is also in memory
        for (uint32_t n = get(uint32_t()); n > 0; --n) {
            uint32_t a = get(uint32_t());
            s.memory.push_back({a, get(uint16_t())});
        }
        return s;
    };
    if (d.size() < 12 || text(8) != std::string("M68KTV1\0", 8)) return {};
    std::vector<Vector> vectors(get(uint32_t()));
    for (Vector& v : vectors) {
        v.name = text(get(uint16_t()));
        v.before = state();
        v.after = state();
        v.cycles = get(uint32_t());
        v.addressError = get(uint8_t()) & 1;
    }
    return vectors;
}

// The whole 24-bit space as plain memory, in all five tables.
constexpr uint32_t SPACE = 0x1000000;
std::vector<uint8_t> space(SPACE + 64);
FetchRow fetchRows[2];
ReadRow readRows[2];
WriteRow writeRows[2];

void installFlatMemory() {
    uint8_t* host = space.data();
    fetchRows[0] = {0, SPACE - 1, intptr_t(host)};
    readRows[0] = {0, SPACE - 1, nullptr, host};
    writeRows[0] = {0, SPACE - 1, nullptr, host};
    fetchRows[1] = {MAP_END, MAP_END, 0};
    readRows[1] = {MAP_END, MAP_END, nullptr, nullptr};
    writeRows[1] = {MAP_END, MAP_END, nullptr, nullptr};
    cpuSetMaps({fetchRows, readRows, readRows, writeRows, writeRows});
    cpu.resetOperation = [] {};
}

uint16_t word(uint32_t a) { return stReadWord(space.data(), a & 0xFFFFFE); }
uint32_t roundUp4(uint32_t n) { return (n + 3) & ~3u; }

void loadState(const MachineState& s) {
    for (auto [a, w] : s.memory) stWriteWord(space.data(), a, w);
    for (int i = 0; i < 15; ++i) cpu.regs[i] = s.r[i];
    bool supervisor = s.r[SR] & 0x2000;
    cpu.regs[15] = supervisor ? s.r[SSP] : s.r[USP];
    cpu.inactiveSp = supervisor ? s.r[USP] : s.r[SSP];
    cpu.sr = uint16_t(s.r[SR]);
    cpu.pc = (s.r[PC] - 4) & ADDRESS_MASK;
    cpu.active = cpu.supervisor;
    std::memset(cpu.interrupt, 0, sizeof cpu.interrupt);
    PairCredit = 0;
    LastInstrCycles = 0;
    usePrefetchCopy = 0;
}

// The counts this core gives where they depart from the 68000's (before rounding), or
// -1 where the recorded count applies.
int ownCycles(const Vector& v, uint16_t op, bool exceptionTaken) {
    int mode = eaModeOf(op & 0x3F);
    int ea = mode >= 0 ? eaCycles(mode, 2) : 0;
    // DIVU and DIVS take a fixed time; a zero divisor traps after 38 + the operand.
    if ((op & 0xF0C0) == 0x80C0) {
        uint32_t divisor = mode == DREG ? v.before.r[op & 7] & 0xFFFF : 1;
        if (exceptionTaken && divisor == 0) return 38 + ea;
        if (mode == DREG && divisor == 0) return 38;
        return (op & 0x100 ? 150 : 133) + ea;
    }
    if ((op & 0xF1C0) == 0x4180 && exceptionTaken) return 40 + ea;  // CHK out of bounds
    if (op == 0x4E76 && exceptionTaken) return 38;                   // TRAPV with V set
    if ((op & 0xFFF8) == 0x4280) return 8;                           // CLR.L Dn
    if ((op & 0xF1F8) == 0x41F0) return 16;                          // LEA d8(An,Xn),An
    if ((op & 0xB1F8) == 0x91F0) return 22;                          // ADDA.L, SUBA.L d8(An,Xn),An
    if ((op & 0xF1F8) == 0x0180) return 8;                           // BCLR Dn,Dn
    if ((op & 0xFFF8) == 0x0880) return 12;                          // BCLR #,Dn
    return -1;
}

// DIVU and DIVS overflow: this core clears N and Z (the 68000 leaves them undefined).
bool divideOverflowFlagsOnly(uint16_t op, const Vector& v) {
    return (op & 0xF0C0) == 0x80C0 && (v.after.r[SR] & 2) && ((v.after.r[SR] ^ cpu.sr) & ~0x0Cu) == 0;
}

struct FileResult {
    int passed = 0, failed = 0;
    std::string firstFailures;
};

FileResult runFile(const std::string& path) {
    FileResult result;
    installFlatMemory();
    for (const Vector& v : readVectors(path)) {
        loadState(v.before);
        uint16_t op = word(v.before.r[PC] - 4);
        int charged = cpuStepInstruction();

        const MachineState& e = v.after;
        bool supervisor = e.r[SR] & 0x2000;
        uint32_t usp = supervisor ? cpu.inactiveSp : cpu.regs[15];
        uint32_t ssp = supervisor ? cpu.regs[15] : cpu.inactiveSp;
        std::string diff;
        auto check = [&](const char* what, uint32_t got, uint32_t want) {
            if (got != want) diff += std::string(" ") + what + "=" + std::to_string(got) + "/" + std::to_string(want);
        };
        for (int i = 0; i < 15; ++i) check(i < 8 ? "D" : "A", cpu.regs[i], e.r[i]);
        check("USP", usp, e.r[USP]);
        check("SSP", ssp, e.r[SSP]);
        // A stopped 68000 has not prefetched past STOP: its PC is the next instruction.
        bool stopped = op == 0x4E72 && (v.before.r[SR] & 0x2000);
        check("PC", cpu.pc, (e.r[PC] - (stopped ? 0 : 4)) & ADDRESS_MASK);
        if (!divideOverflowFlagsOnly(op, v)) check("SR", cpu.sr, e.r[SR]);
        // The address error frame's status word, instruction register, fault address
        // and stacked PC are this core's own.
        uint32_t frameLow = e.r[SSP], frameHigh = v.addressError ? e.r[SSP] + 14 : e.r[SSP];
        std::unordered_set<uint32_t> listed;
        for (auto [a, w] : e.memory) {
            listed.insert(a);
            if (v.addressError && a >= frameLow && a < frameHigh) continue;
            if (word(a) != w) check("mem", a, w), check(" got", word(a), w);
        }
        // Nothing else written near the places the instruction touched.
        for (auto [a, w] : e.memory)
            for (uint32_t n = a - 16; n != a + 18; n += 2)
                if (!listed.count(n & ADDRESS_MASK) && !(n >= frameLow && n < frameHigh) && word(n))
                    check("stray", n & ADDRESS_MASK, 0);
        bool exceptionTaken = e.r[SSP] < v.before.r[SSP] - 2 && (e.r[SR] & 0x2000);
        if (!v.addressError) {
            int own = ownCycles(v, op, exceptionTaken);
            check("cycles", uint32_t(charged), roundUp4(own >= 0 ? uint32_t(own) : v.cycles));
        }
        if (diff.empty()) {
            ++result.passed;
        } else if (++result.failed <= 5) {
            result.firstFailures += v.name + ":" + diff + "\n";
        }
        // Back to all zeros for the next vector.
        for (const MachineState* s : {&v.before, &v.after})
            for (auto [a, w] : s->memory)
                for (uint32_t n = a - 16; n != a + 18; n += 2) stWriteWord(space.data(), n & ADDRESS_MASK, 0);
    }
    return result;
}

std::vector<std::string> vectorFiles() {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(vectorDir, ec))
        if (entry.path().string().ends_with(".tv.gz")) files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    if (files.empty()) files.push_back("absent");
    return files;
}

class VectorFile : public testing::TestWithParam<std::string> {};

TEST_P(VectorFile, MatchesTheRecorded68000) {
    SKIP_WITHOUT_SHARED_DATA(GetParam() != "absent", "the 68000 test vectors in " + vectorDir);
    static bool built = cpuBuildDispatchTable() == 0;
    ASSERT_TRUE(built);
    FileResult r = runFile(vectorDir + "/" + GetParam());
    EXPECT_GT(r.passed, 0);
    EXPECT_EQ(r.failed, 0) << r.firstFailures;
}

INSTANTIATE_TEST_SUITE_P(M68000, VectorFile, testing::ValuesIn(vectorFiles()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string n = info.param.substr(0, info.param.find(".tv"));
                             for (char& c : n)
                                 if (!isalnum(uint8_t(c))) c = '_';
                             return n;
                         });
}  // namespace
