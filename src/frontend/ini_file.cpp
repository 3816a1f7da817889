#include "frontend/ini_file.h"

#include <strings.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/safe_file.h"

static bool sameName(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

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
static const IniValue* findValue(const IniFile& ini, const char* section, const char* name) {
    if (const IniSection* s = findSection(ini, section))
        for (const IniValue& v : s->values)
            if (sameName(v.name, name)) return &v;
    return nullptr;
}

IniLoad iniLoad(const std::string& path, IniFile& ini, std::string& problem) {
    ini.sections.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (errno == ENOENT) return IniLoad::Missing;
        problem = "cannot be read";
        return IniLoad::Unreadable;
    }
    IniFile parsed;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::string t = trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t[0] == '[') {
            if (t.back() != ']' || t.size() < 3) {
                problem = "line " + std::to_string(number) + " is not a section header";
                return IniLoad::Malformed;
            }
            parsed.sections.push_back({trim(t.substr(1, t.size() - 2)), {}});
            continue;
        }
        size_t eq = t.find('=');
        if (eq == std::string::npos || eq == 0 || parsed.sections.empty()) {
            problem = "line " + std::to_string(number) + " is not a value of a section";
            return IniLoad::Malformed;
        }
        parsed.sections.back().values.push_back({trim(t.substr(0, eq)), trim(t.substr(eq + 1))});
    }
    if (in.bad()) {
        problem = "cannot be read";
        return IniLoad::Unreadable;
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
        ini.sections.push_back({section, {}});
        s = &ini.sections.back();
    }
    for (IniValue& v : s->values)
        if (sameName(v.name, name)) {
            v.text = value;
            return;
        }
    s->values.push_back({name, value});
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
