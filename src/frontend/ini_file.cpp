#include "frontend/ini_file.h"

#include <strings.h>
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "base/input_file.h"
#include "base/safe_file.h"

static bool sameName(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

static std::string lowerCase(const char* name) {
    std::string s = name;
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

static std::string trim(const std::string& s) {
    size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    size_t last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

static IniSection* findSection(IniFile& ini, const char* name) {
    for (IniSection& s : ini.sections)
        if (sameName(s.name, name)) return &s;
    return nullptr;
}
static const IniSection* findSection(const IniFile& ini, const char* name) {
    return findSection(const_cast<IniFile&>(ini), name);
}
static IniValue* findValue(IniSection& s, const char* name) {
    auto it = s.index.find(lowerCase(name));
    return it == s.index.end() ? nullptr : &s.values[it->second];
}
static const IniValue* findValue(const IniFile& ini, const char* section, const char* name) {
    IniSection* s = findSection(const_cast<IniFile&>(ini), section);
    return s ? findValue(*s, name) : nullptr;
}
// A name given twice keeps its first value, as a lookup from the start would find.
static void addValue(IniSection& s, const std::string& name, const std::string& text) {
    s.index.emplace(lowerCase(name.c_str()), s.values.size());
    s.values.push_back({name, text});
}

// Far more than any settings file holds (a ROM list of 100,000 entries is some 10 MB):
// a device named in its place is not read for ever.
constexpr size_t MAX_SETTINGS_BYTES = 64 << 20;

IniLoad iniLoad(const std::string& path, IniFile& ini, std::string& problem) {
    ini.sections.clear();
    problem.clear();
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) return IniLoad::Missing;
    std::vector<uint8_t> bytes;
    if (!readInputFile(path, MAX_SETTINGS_BYTES, bytes)) {
        problem = inputFileError();
        return IniLoad::Unreadable;
    }
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    IniFile parsed;
    std::string line;
    int number = 0;
    auto malformed = [&](const char* what) {
        problem = "The settings file " + path + " is malformed: line " + std::to_string(number) + " is " + what + ".";
        return IniLoad::Malformed;
    };
    while (std::getline(in, line)) {
        ++number;
        std::string t = trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t[0] == '[') {
            if (t.back() != ']' || t.size() < 3) return malformed("not a section header");
            parsed.sections.push_back({trim(t.substr(1, t.size() - 2)), {}, {}});
            continue;
        }
        size_t eq = t.find('=');
        if (eq == std::string::npos || eq == 0 || parsed.sections.empty()) return malformed("not a value of a section");
        addValue(parsed.sections.back(), trim(t.substr(0, eq)), trim(t.substr(eq + 1)));
    }
    ini = std::move(parsed);
    return IniLoad::Ok;
}

bool iniSave(const std::string& path, const IniFile& ini) {
    std::ostringstream out;
    for (const IniSection& s : ini.sections) {
        out << '[' << s.name << "]\n";
        for (const IniValue& v : s.values) out << v.name << '=' << v.text << '\n';
        out << '\n';
    }
    std::string text = out.str();
    return writeFileReplacing(path, text.data(), text.size());
}

// Decimal text, optionally negative (kept as its 32-bit two's complement, as a registry
// DWORD would hold -1).
static bool parseNumber(const std::string& text, uint32_t& out) {
    if (text.empty()) return false;
    const char* s = text.c_str();
    bool negative = *s == '-';
    if (negative) ++s;
    if (*s < '0' || *s > '9') return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long v = std::strtoull(s, &end, 10);
    if (*end != '\0' || errno == ERANGE || v > 0xFFFFFFFFull) return false;
    out = negative ? uint32_t(-int64_t(v)) : uint32_t(v);
    return true;
}

uint32_t iniReadNumber(const IniFile& ini, const char* section, const char* name, uint32_t fallback) {
    const IniValue* v = findValue(ini, section, name);
    uint32_t number;
    return v && parseNumber(v->text, number) ? number : fallback;
}

bool iniReadString(const IniFile& ini, const char* section, const char* name, std::string& out) {
    const IniValue* v = findValue(ini, section, name);
    if (!v) return false;
    out = v->text;
    return true;
}

void iniWriteString(IniFile& ini, const char* section, const char* name, const std::string& value) {
    IniSection* s = findSection(ini, section);
    if (!s) {
        ini.sections.push_back({section, {}, {}});
        s = &ini.sections.back();
    }
    if (IniValue* v = findValue(*s, name))
        v->text = value;
    else
        addValue(*s, name, value);
}

void iniWriteNumber(IniFile& ini, const char* section, const char* name, uint32_t value) {
    iniWriteString(ini, section, name, std::to_string(value));
}

void iniDeleteSection(IniFile& ini, const char* section) {
    for (auto it = ini.sections.begin(); it != ini.sections.end(); ++it)
        if (sameName(it->name, section)) {
            ini.sections.erase(it);
            return;
        }
}

size_t iniValueCount(const IniFile& ini, const char* section) {
    const IniSection* s = findSection(ini, section);
    return s ? s->values.size() : 0;
}
