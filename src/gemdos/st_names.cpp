#include "gemdos/st_names.h"

#include <cstring>

namespace {

char upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

// The characters of the ST's file names besides letters and digits.
bool stNameCharacter(char c) {
    c = upper(c);
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || (c && std::strchr("!#$%&'()-@^_{}~", c));
}

// What ends a part of a name for GEMDOS.
bool delimiter(char c) { return !c || c == '*' || c == '\\' || c == '.' || c == ' '; }

// Copies a part up to `width` characters; the rest of the part is skipped. The padding
// is '?' after a '*', else a space.
const char* entryPart(const char* s, char* out, int width, bool skipRest) {
    int i = 0;
    for (; i < width && !delimiter(*s); ++i) out[i] = upper(*s++);
    if (i == width && skipRest)
        while (*s && *s != '.' && *s != '\\') ++s;
    char pad = *s == '*' ? '?' : ' ';
    for (; i < width; ++i) out[i] = pad;
    return s;
}

uint32_t hashOf(const std::string& text, int salt) {
    uint32_t h = 2166136261u;
    for (unsigned char c : text) h = (h ^ c) * 16777619u;
    return (h ^ uint32_t(salt)) * 16777619u;
}

std::string cleaned(const std::string& part, size_t length) {
    std::string out;
    for (size_t i = 0; i < part.size() && out.size() < length; ++i)
        out += stNameCharacter(part[i]) ? upper(part[i]) : '_';
    return out;
}

}  // namespace

EntryName entryNameOf(const char* component) {
    EntryName e;
    const char* s = entryPart(component, e.c, 8, true);
    if (*s == '*') ++s;
    if (*s == '.') ++s;
    entryPart(s, e.c + 8, 3, false);
    return e;
}

EntryName dotEntryName(bool parent) {
    EntryName e;
    std::memset(e.c, ' ', sizeof e.c);
    e.c[0] = '.';
    if (parent) e.c[1] = '.';
    return e;
}

bool entryNameMatches(const EntryName& pattern, const EntryName& name) {
    for (int i = 0; i < 11; ++i)
        if (pattern.c[i] != '?' && pattern.c[i] != name.c[i]) return false;
    return true;
}

bool attributesMatch(uint8_t search, uint8_t entry) {
    if (search == FA_VOLUME) return entry & FA_VOLUME;
    search |= FA_ARCHIVE | FA_RDONLY;
    return !entry || (search & entry);
}

std::string stComponent(const char* component, size_t length) {
    std::string base, ext;
    int dots = 0;
    for (size_t i = 0; i < length; ++i) {
        char c = component[i];
        if (c == '.') {
            ++dots;
            continue;
        }
        if (!stNameCharacter(c)) return "";
        if (dots == 0 && base.size() < 8) base += upper(c);
        if (dots == 1 && ext.size() < 3) ext += upper(c);
    }
    if (base.empty()) return "";
    return ext.empty() ? base : base + "." + ext;
}

bool isShortStName(const std::string& host) {
    size_t dot = host.find('.');
    std::string base = host.substr(0, dot);
    std::string ext = dot == std::string::npos ? "" : host.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3 || (dot != std::string::npos && ext.empty())) return false;
    for (char c : base + ext)
        if (!stNameCharacter(c)) return false;
    return true;
}

std::string stNameOfHost(const std::string& host, int salt, bool& exact) {
    exact = false;
    if (host.empty() || host[0] == '.') return "";
    if (salt == 0 && isShortStName(host)) {
        std::string shown;
        for (char c : host) shown += upper(c);
        exact = shown == host;
        return shown;
    }
    size_t dot = host.rfind('.');
    bool hasExtension = dot != std::string::npos && dot + 1 < host.size();
    std::string base = cleaned(host.substr(0, hasExtension ? dot : host.size()), 5);
    static const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    uint32_t h = hashOf(host, salt);
    std::string name = base + '~' + digits[h % 36] + digits[h / 36 % 36];
    if (hasExtension) name += "." + cleaned(host.substr(dot + 1), 3);
    return name;
}

void dosDateTime(std::time_t t, uint16_t& time, uint16_t& date) {
    std::tm tm{};
    localtime_r(&t, &tm);
    if (tm.tm_year < 80) {
        time = 0, date = 1 << 5 | 1;  // 1 January 1980
        return;
    }
    if (tm.tm_year > 207) {
        time = 23 << 11 | 59 << 5 | 29, date = 127 << 9 | 12 << 5 | 31;  // the last second of 2107
        return;
    }
    time = uint16_t(tm.tm_hour << 11 | tm.tm_min << 5 | tm.tm_sec / 2);
    date = uint16_t((tm.tm_year - 80) << 9 | (tm.tm_mon + 1) << 5 | tm.tm_mday);
}

std::time_t hostTimeOf(uint16_t time, uint16_t date) {
    std::tm tm{};
    tm.tm_sec = (time & 31) * 2;
    tm.tm_min = (time >> 5) & 63;
    tm.tm_hour = time >> 11;
    tm.tm_mday = date & 31;
    tm.tm_mon = ((date >> 5) & 15) - 1;
    tm.tm_year = (date >> 9) + 80;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}
