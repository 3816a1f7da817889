// The disassembler: the listing's texts, validity against the processor's own opcode
// table, and every opcode word compared with binutils' m68k disassembler.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "bus/hardware_state.h"
#include "bus/memory_map.h"
#include "bus/st_memory.h"
#include "cpu/cpu.h"
#include "cpu/disassembler.h"
#include "cpu/opcode_table.h"
#include "support/test_machine.h"

namespace {

class Disassembler : public ::testing::Test {
protected:
    void SetUp() override { setUpMemoryMap(); }

    // Places the words at the address and disassembles them: the text and the length.
    static std::pair<std::string, uint32_t> listing(const std::vector<uint16_t>& words, uint32_t address = 0x1000) {
        for (size_t i = 0; i < words.size(); ++i) stWriteWord(hw.ram, address + 2 * uint32_t(i), words[i]);
        uint32_t next = disassembleOne(address);
        return {disassemblyText, next - address};
    }
};

// At $1000; every word belongs to the instruction.
const std::pair<std::vector<uint16_t>, const char*> TEXT_CASES[] = {
    {{0x3030, 0x1010}, "move.w  +$10(a0,d1.w),d0"},
    {{0x3030, 0xA8FC}, "move.w  -$4(a0,a2.l),d0"},
    {{0x3030, 0x1710}, "move.w  +$10(a0,d1.w),d0"},  // bits 10-8 of the extension play no part
    {{0x2228, 0x8000}, "move.l  -$8000(a0),d1"},
    {{0x3038, 0x8240}, "move.w  $FFFF8240.W,d0"},
    {{0x31C0, 0x0420}, "move.w  d0,$420.W"},
    {{0x0A79, 0x8000, 0x00FF, 0x8240}, "eori.w  #$8000,$FF8240"},
    {{0x303A, 0x0010}, "move.w  $1012(pc),d0"},
    {{0x303B, 0x90FE}, "move.w  $1000(pc,a1),d0"},
    {{0x2F1E}, "move.l  (a6)+,-(a7)"},
    {{0x103C, 0x12FF}, "move.b  #$FF,d0"},  // a byte immediate is the low half of its word
    {{0x027C, 0xF8FF}, "andi.w  #$F8FF,sr"},
    {{0x003C, 0x0010}, "ori.b   #$10,ccr"},
    {{0x4E56, 0xFFF0}, "link    a6,#$FFF0"},
    {{0x767F}, "moveq   #$7F,d3"},
    {{0x5F88}, "subq.l  #7,a0"},
    {{0x4E4F}, "trap    #15"},
    {{0x6002}, "bra.s   $1004"},
    {{0x6100, 0x0100}, "bsr.w   $1102"},
    {{0x51C8, 0xFFFC}, "dbf     d0,$FFE"},
    {{0x5EC0}, "sgt     d0"},
    {{0x48E7, 0xFFFE}, "movem.l d0-d7/a0-a6,-(a7)"},  // the predecrement mask is reversed
    {{0x4CDF, 0x7FFF}, "movem.l (a7)+,d0-d7/a0-a6"},
    {{0x48A0, 0x8040}, "movem.w d0/a1,-(a0)"},
    {{0x4890, 0x0000}, "movem.w #$0,(a0)"},
    {{0xC188}, "exg     d0,a0"},
    {{0xD189}, "addx.l  -(a1),-(a0)"},
    {{0xB549}, "cmpm.w  (a1)+,(a2)+"},
    {{0x0188, 0x0002}, "movep.w d0,+$2(a0)"},
    {{0xE010}, "roxr.b  #8,d0"},
    {{0xE0A1}, "asr.l   d0,d1"},
    {{0xE7D0}, "rol.w   (a0)"},
    {{0x4E60}, "move.l  a0,usp"},
    {{0x4E75}, "rts"},
    {{0x4AFC}, "illegal"},
    {{0xFFFF}, "dc.w    $FFFF"},
    {{0xA000}, "dc.w    $A000"},
    {{0x0C3A}, "dc.w    $C3A"},  // CMPI has no PC-relative destination
};

TEST_F(Disassembler, TextsOfTheListing) {
    for (const auto& [words, expected] : TEXT_CASES) {
        auto [text, length] = listing(words);
        EXPECT_EQ(text, expected);
        EXPECT_EQ(length, 2 * words.size()) << expected;
    }
}

TEST_F(Disassembler, ReadsTheTwentyFourBitBusAndAllOnesWhereNothingAnswers) {
    listing({0x4E71});
    EXPECT_EQ(disassembleOne(0xFF001000), 0x1002u);  // the top byte is no address line
    EXPECT_STREQ(disassemblyText, "nop");
    ASSERT_EQ(peekWordMapped(0x300000, cpu.odometer), 0xFFFFFFFFu);  // beyond the RAM that answers
    EXPECT_EQ(disassembleOne(0x300000), 0x300002u);
    EXPECT_STREQ(disassemblyText, "dc.w    $FFFF");
    // The last extension word lies past the end of RAM.
    EXPECT_EQ(listing({0x3039, 0x0012}, 0xFFFFC), std::make_pair(std::string("move.w  $12FFFF,d0"), 6u));
}

// The processor raises its illegal-instruction exception exactly for the words the
// disassembler does not take as instructions; ILLEGAL is one of them, and the line A
// and line F words have exceptions of their own.
TEST_F(Disassembler, NoInstructionExactlyWhereTheProcessorTraps) {
    cpuBuildDispatchTable();
    std::vector<std::string> mismatches;
    for (uint32_t op = 0; op < 0x10000; ++op) {
        std::string text = listing({uint16_t(op), 0x0010, 0x0020, 0x0030, 0x0040}).first;
        bool dataWord = text.rfind("dc.w", 0) == 0, illegalHandler = OpcodeTable[op] == opIllegal;
        bool agrees = dataWord == illegalHandler;
        if (op == 0x4AFC) agrees = text == "illegal" && illegalHandler;
        if (op >> 12 == 0xA || op >> 12 == 0xF) agrees = dataWord && !illegalHandler;
        if (!agrees) mismatches.push_back(text);
    }
    EXPECT_TRUE(mismatches.empty()) << mismatches.size() << " opcodes, the first: " << mismatches.front();
}

// ---- Oracle: binutils' m68k disassembler ---------------------------------------------
// Both texts are brought to one form: the mnemonic without the size dot; registers
// "d0"-"a7", "(a0)", "(a0)+", "-(a0)"; displacements "(a0;-4)" and "(a0;126;a2.l)" in
// decimal; PC-relative targets "pc(1012)" and "pc(1000;a1)", absolute addresses and
// branch targets "@FFFF8240" in hexadecimal; immediates "#" in decimal reduced to the
// operand size; register lists "{mask}".

const char* const OBJDUMP = "m68k-linux-gnu-objdump";

std::vector<std::string> splitTopLevel(const std::string& s, char separator) {
    std::vector<std::string> parts(1);
    int depth = 0;
    for (char c : s) {
        depth += c == '(' ? 1 : c == ')' ? -1 : 0;
        if (c == separator && depth == 0) parts.emplace_back();
        else parts.back() += c;
    }
    return parts;
}

std::string hexText(uint64_t v) {
    char buffer[20];
    std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(v));
    return buffer;
}

// "d0"-"a7", also with "%" and as binutils' "sp" and "fp", to 0-15; -1 otherwise.
int registerNumber(std::string r) {
    if (!r.empty() && r[0] == '%') r.erase(0, 1);
    if (r == "sp" || r == "fp") return r == "sp" ? 15 : 14;
    if (r.size() != 2 || (r[0] != 'd' && r[0] != 'a') || r[1] < '0' || r[1] > '7') return -1;
    return (r[0] == 'a' ? 8 : 0) + (r[1] - '0');
}
std::string registerName(int n) { return std::string(1, n < 8 ? 'd' : 'a') + char('0' + n % 8); }

// A register, or a "/" list of registers and ranges as its mask; "?" otherwise.
std::string registersOrList(const std::string& s) {
    if (s == "sr" || s == "ccr" || s == "usp") return s;
    if (registerNumber(s) >= 0) return registerName(registerNumber(s));
    unsigned mask = 0;
    for (const std::string& item : splitTopLevel(s, '/')) {
        size_t dash = item.find('-');
        int first = registerNumber(item.substr(0, dash));
        int last = dash == std::string::npos ? first : registerNumber(item.substr(dash + 1));
        if (first < 0 || last < first) return "?" + s;
        for (int r = first; r <= last; ++r) mask |= 1u << r;
    }
    return "{" + hexText(mask) + "}";
}

std::string displacementForm(int base, int64_t displacement, const std::string& index) {
    return "(" + registerName(base) + ";" + std::to_string(displacement) + (index.empty() ? "" : ";" + index) + ")";
}

std::string ourOperand(const std::string& o, uint32_t sizeMask) {
    if (o[0] == '#')
        return "#" + std::to_string((o[1] == '$' ? std::stoull(o.substr(2), nullptr, 16) : std::stoull(o.substr(1))) & sizeMask);
    size_t pc = o.find("(pc");
    if (pc != std::string::npos) {
        std::string index = o[pc + 3] == ',' ? ";" + registersOrList(o.substr(pc + 4, o.size() - pc - 5)) : "";
        return "pc(" + hexText(std::stoull(o.substr(1, pc - 1), nullptr, 16)) + index + ")";
    }
    if ((o[0] == '+' || o[0] == '-') && o[1] == '$') {
        size_t open = o.find('(');
        int64_t magnitude = std::stoll(o.substr(2, open - 2), nullptr, 16);
        std::vector<std::string> inner = splitTopLevel(o.substr(open + 1, o.size() - open - 2), ',');
        return displacementForm(registerNumber(inner[0]), o[0] == '-' ? -magnitude : magnitude, inner.size() > 1 ? inner[1] : "");
    }
    if (o[0] == '$') return "@" + hexText(std::stoull(o.substr(1), nullptr, 16));  // "$FFFF8240.W" too
    return o[0] == '(' || o[0] == '-' ? o : registersOrList(o);
}

std::string objdumpOperand(const std::string& o, uint32_t sizeMask) {
    if (o[0] == '#') return "#" + std::to_string(uint64_t(std::stoll(o.substr(1), nullptr, 0)) & sizeMask);
    if (o.rfind("0x", 0) == 0) return "@" + hexText(std::stoull(o, nullptr, 16) & 0xFFFFFFFF);
    size_t at = o.find('@');
    if (at == std::string::npos) {
        std::string bare;
        for (char c : o)
            if (c != '%') bare += c;
        return registersOrList(bare);
    }
    std::string base = o.substr(0, at), rest = o.substr(at + 1);
    if (rest.empty() || rest == "+") return "(" + registersOrList(base) + ")" + rest;
    if (rest == "-") return "-(" + registersOrList(base) + ")";
    std::vector<std::string> inner = splitTopLevel(rest.substr(1, rest.size() - 2), ',');
    std::string index;
    if (inner.size() > 1) {  // "%d1:w", or "%a2:l:2" with the 68020's scale
        std::vector<std::string> fields = splitTopLevel(inner[1], ':');
        index = registersOrList(fields[0]) + (base == "%pc" ? "" : "." + fields[1]);
    }
    if (base == "%pc") return "pc(" + hexText(std::stoull(inner[0], nullptr, 16)) + (index.empty() ? "" : ";" + index) + ")";
    // Alone the displacement is decimal; beside an index, 64-bit hexadecimal without "0x".
    int64_t displacement = inner.size() > 1 ? int64_t(std::stoull(inner[0], nullptr, 16)) : std::stoll(inner[0]);
    return displacementForm(registerNumber(base), displacement, index);
}

// The common form of a line; our mnemonic's size reduces the immediates of both.
std::string commonForm(const std::string& text, bool ours, const std::string& ourText) {
    size_t dot = ourText.find('.'), space = ourText.find(' ');
    char size = dot < space ? ourText[dot + 1] : ourText.rfind("moveq", 0) == 0 || ourText[0] == 'b' ? 'b' : 'w';
    uint32_t sizeMask = size == 'b' ? 0xFF : size == 'l' ? 0xFFFFFFFF : 0xFFFF;  // bit numbers are bytes too

    std::string name = text.substr(0, text.find(' ')), operands;
    if (text.find(' ') != std::string::npos) operands = text.substr(text.find_first_not_of(' ', text.find(' ')));
    if (ours && name.find('.') != std::string::npos) name.erase(name.find('.'), 1);
    if (ours && name == "dcw") name = ".short";
    if (ours && name == "link") name = "linkw";
    const char* separator = " ";
    for (const std::string& o : operands.empty() ? std::vector<std::string>() : splitTopLevel(operands, ',')) {
        name += separator + (ours ? ourOperand(o, sizeMask) : objdumpOperand(o, sizeMask));
        separator = ",";
    }
    return name;
}

// Where binutils and the 68000 part ways the 68000's rule holds, and these words are
// no instruction for us.
bool knownDivergence(uint16_t op) {
    // binutils takes line F words for 68881 and 68851 coprocessor instructions (fbcc,
    // fsave, frestore, pbcc, psave, prestore, pflush); the ST's 68000 has no
    // coprocessor interface and traps every line F word.
    if (op >> 12 == 0xF) return true;
    // binutils reads $4AFD as its swbeg.l switch-table marker; it is TAS #imm.
    if (op == 0x4AFD) return true;
    // binutils accepts SUBQ.B to an address register, which has no byte access.
    return (op & 0xF1F8) == 0x5108;
}

// The oracle's lines by address: the text and the instruction's length.
std::unordered_map<uint32_t, std::pair<std::string, uint32_t>> objdumpLines(const std::string& path, uint32_t base) {
    std::string command = std::string(OBJDUMP) + " -D -z -b binary -m m68k:68000 --insn-width=10 --adjust-vma=" +
                          std::to_string(base) + " " + path;
    std::unordered_map<uint32_t, std::pair<std::string, uint32_t>> lines;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[512];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe)) {
        std::string line(buffer);  // "   10000:\t3030 1010      \tmovew %a0@(16,%d1:w),%d0\n"
        size_t colon = line.find(":\t"), tab = line.find('\t', colon + 2);
        if (colon == std::string::npos || tab == std::string::npos) continue;
        uint32_t digits = 0;
        for (size_t i = colon + 2; i < tab; ++i) digits += std::isxdigit(static_cast<unsigned char>(line[i])) ? 1 : 0;
        lines[uint32_t(std::stoul(line.substr(0, colon), nullptr, 16))] = {line.substr(tab + 1, line.size() - tab - 2), digits / 2};
    }
    if (pipe) pclose(pipe);
    return lines;
}

// Every opcode word, with two sets of extension words, in slots of ten words: the
// opcode, four extension words and five NOPs, which bring binutils back in step
// whatever it makes of the unused extension words. The extension words keep bits 10-8
// clear, which the 68020 reads as scale and format of an index and the 68000 ignores.
TEST_F(Disassembler, AgreesWithBinutilsOnEveryOpcode) {
    if (std::system((std::string("command -v ") + OBJDUMP + " >/dev/null 2>&1").c_str()) != 0)
        GTEST_SKIP() << OBJDUMP << " not installed (Debian package binutils-m68k-linux-gnu)";
    constexpr uint32_t BASE = 0x10000, SLOT_WORDS = 10;
    const uint16_t extensionSets[2][4] = {{0xA87E, 0x1080, 0x7802, 0xF8FE}, {0x3080, 0x0004, 0x8800, 0x00FF}};
    setRamSize(2);  // 1.3 MB of slots
    std::string path = makeTempDir("disassembler") + "/opcodes.bin";
    std::map<std::string, std::vector<std::string>> mismatches;  // by our mnemonic
    for (const auto& extension : extensionSets) {
        std::string file;
        for (uint32_t op = 0; op < 0x10000; ++op)
            for (uint16_t word : {uint16_t(op), extension[0], extension[1], extension[2], extension[3], uint16_t(0x4E71),
                                  uint16_t(0x4E71), uint16_t(0x4E71), uint16_t(0x4E71), uint16_t(0x4E71)}) {
                stWriteWord(hw.ram, BASE + uint32_t(file.size()), word);
                file += {char(word >> 8), char(word)};
            }
        std::ofstream(path, std::ios::binary) << file;
        auto oracle = objdumpLines(path, BASE);
        ASSERT_FALSE(oracle.empty()) << "no output from " << OBJDUMP;
        for (uint32_t op = 0; op < 0x10000; ++op) {
            uint32_t address = BASE + op * SLOT_WORDS * 2, length = disassembleOne(address) - address;
            std::string ours = disassemblyText;
            auto line = oracle.find(address);
            if (line == oracle.end()) {
                mismatches["(binutils out of step)"].push_back(ours);
                continue;
            }
            const auto& [theirs, theirLength] = line->second;
            std::string ourForm = commonForm(ours, true, ours), theirForm = commonForm(theirs, false, ours);
            if ((ourForm == theirForm && length == theirLength) ||
                (knownDivergence(uint16_t(op)) && ourForm.rfind(".short", 0) == 0 && length == 2))
                continue;
            mismatches[ours.substr(0, ours.find(' '))].push_back(ours + " (" + std::to_string(length) + ") | " + theirs +
                                                                 " (" + std::to_string(theirLength) + ")");
        }
    }
    for (const auto& [name, lines] : mismatches)
        ADD_FAILURE() << lines.size() << " differences in " << name << ", the first: " << lines.front();
}

}  // namespace
