#pragma once
// The settings store: an INI file of sections ("sub-keys") holding named values.
// Section and value names are matched without regard to letter case; numbers are
// decimal text.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct IniValue {
    std::string name;
    std::string text;
};

// Values keep the file's order; the index finds one by its name in lower case, so that
// a section of many values (a long ROM list) is read and written in linear time.
struct IniSection {
    std::string name;
    std::vector<IniValue> values;
    std::unordered_map<std::string, size_t> index;
};

struct IniFile {
    std::vector<IniSection> sections;
};

enum class IniLoad { Ok, Missing, Unreadable, Malformed };

// Reads a file; on any result but Ok the store is left empty. `problem` says, in a
// sentence naming the file, what is wrong with an unreadable or malformed one.
IniLoad iniLoad(const std::string& path, IniFile& ini, std::string& problem);
// Writes the whole store to a temporary file and renames it over `path`.
bool iniSave(const std::string& path, const IniFile& ini);

// A number, or the default when the value is missing or is not a number.
uint32_t iniReadNumber(const IniFile& ini, const char* section, const char* name, uint32_t fallback);
// A string; false (and `out` untouched) when missing.
bool iniReadString(const IniFile& ini, const char* section, const char* name, std::string& out);
void iniWriteNumber(IniFile& ini, const char* section, const char* name, uint32_t value);
void iniWriteString(IniFile& ini, const char* section, const char* name, const std::string& value);
void iniDeleteSection(IniFile& ini, const char* section);
// How many values the section holds (0 when it is missing).
size_t iniValueCount(const IniFile& ini, const char* section);
