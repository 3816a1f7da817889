// File names as the ST sees the folder: search patterns, attributes, the 8.3 names that
// stand for host names, dates; and the folder's listing, whose names stay unique and
// stable.
#include <gtest/gtest.h>

#include <cctype>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "gemdos/host_folder.h"
#include "gemdos/st_names.h"
#include "support/test_machine.h"

namespace {

TEST(StNames, PatternsMatchAsGemdosReadsThem) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"*.*", "README.TXT", true},     {"*.*", "SUB", true},          {"*.*", ".", true},
        {"*", "SUB", true},              {"*", "README.TXT", false},    {"*.TXT", "LOCKED.TXT", true},
        {"*.TXT", "TXT", false},         {"READ?E.TXT", "README.TXT", true}, {"R*.T*", "README.TXT", true},
        {"????????.???", "A.B", true},   {"readme.txt", "README.TXT", true}, {"LONGFILENAME.TXT", "LONGFILE.TXT", true},
        {"A.B.C", "A.B", true},          {"*.T", "A.TXT", false},       {"?", "AB", false},
        {"README", "README.TXT", false},
    };
    for (const Case& c : cases) {
        EntryName name = std::string(c.name) == "." ? dotEntryName(false) : entryNameOf(c.name);
        EXPECT_EQ(entryNameMatches(entryNameOf(c.pattern), name), c.matches) << c.pattern << " " << c.name;
    }
}

TEST(StNames, SearchAttributesFindWhatTheyAskFor) {
    const uint8_t entries[] = {0, FA_RDONLY, FA_ARCHIVE, FA_DIR, FA_HIDDEN, FA_SYSTEM, FA_VOLUME};
    struct Case {
        uint8_t search;
        const char* found;  // one letter per entry above: + found, - not
    };
    const Case cases[] = {
        {0, "+++----"}, {FA_DIR, "++++---"}, {FA_HIDDEN, "+++-+--"}, {FA_SYSTEM | FA_DIR, "++++-+-"},
        {FA_VOLUME, "------+"},
    };
    for (const Case& c : cases)
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(attributesMatch(c.search, entries[i]), c.found[i] == '+')
                << int(c.search) << " " << int(entries[i]);
}

// '#' stands for one character of the hash.
TEST(StNames, HostNamesShowIn83Form) {
    const std::pair<const char*, const char*> cases[] = {
        {"README.TXT", "README.TXT"}, {"readme.txt", "README.TXT"}, {"Makefile", "MAKEFILE"},
        {"a.b.c", "A_B~##.C"},        {"verylongname.txt", "VERYL~##.TXT"}, {"page.html", "PAGE~##.HTM"},
        {"with space.txt", "WITH_~##.TXT"}, {"\xc3\xbcnicode.txt", "__NIC~##.TXT"}, {"trailing.", "TRAIL~##"},
        {".profile", ""},
    };
    for (auto [host, shown] : cases) {
        bool exact;
        std::string name = stNameOfHost(host, 0, exact), masked = name;
        for (size_t i = 0; i < masked.size() && shown[i]; ++i)
            if (shown[i] == '#' && std::isalnum(static_cast<unsigned char>(masked[i]))) masked[i] = '#';
        EXPECT_EQ(masked, shown) << host;
        EXPECT_EQ(exact, std::string(host) == shown) << host;
        EXPECT_EQ(stNameOfHost(host, 0, exact), name) << "the same every time";
    }
}

TEST(StNames, AFolderListsEveryEntryUnderANameOfItsOwnThatStays) {
    std::string folder = makeTempDir("st_names");
    for (const char* name : {"readme.txt", "README.TXT", "ReadMe.txt", "longfilename1.txt", "longfilename2.txt"})
        std::ofstream(folder + "/" + name) << name;
    auto names = [&folder] {
        std::vector<FolderEntry> entries;
        listFolder(folder, folder, false, entries);
        std::map<std::string, std::string> byHost;
        for (const FolderEntry& e : entries) byHost[e.hostName] = e.stName;
        return byHost;
    };
    std::map<std::string, std::string> before = names();
    ASSERT_EQ(before.size(), 5u);
    EXPECT_EQ(before["README.TXT"], "README.TXT") << "the exact name keeps it";
    std::set<std::string> unique;
    for (const auto& [host, st] : before) unique.insert(st);
    EXPECT_EQ(unique.size(), 5u);
    std::ofstream(folder + "/another.txt") << "x";
    std::map<std::string, std::string> after = names();
    for (const auto& [host, st] : before) EXPECT_EQ(after[host], st) << host;
}

TEST(StNames, DatesAndTimesInDosForm) {
    struct Case {
        int year, month, day, hour, minute, second;
        uint16_t time, date;
    };
    const Case cases[] = {
        {2001, 2, 3, 4, 5, 6, 4 << 11 | 5 << 5 | 3, 21 << 9 | 2 << 5 | 3},
        {1980, 1, 1, 0, 0, 0, 0, 1 << 5 | 1},
        {1970, 6, 1, 12, 0, 0, 0, 1 << 5 | 1},  // before 1980: the first day there is
        {2107, 12, 31, 23, 59, 59, 23 << 11 | 59 << 5 | 29, 127 << 9 | 12 << 5 | 31},
    };
    for (const Case& c : cases) {
        std::tm tm{};
        tm.tm_year = c.year - 1900, tm.tm_mon = c.month - 1, tm.tm_mday = c.day;
        tm.tm_hour = c.hour, tm.tm_min = c.minute, tm.tm_sec = c.second, tm.tm_isdst = -1;
        uint16_t time, date;
        dosDateTime(std::mktime(&tm), time, date);
        EXPECT_EQ(time, c.time) << c.year;
        EXPECT_EQ(date, c.date) << c.year;
        if (c.year >= 1980) {
            dosDateTime(hostTimeOf(time, date), time, date);
            EXPECT_EQ(time, c.time) << "back and forth";
        }
    }
}

}  // namespace
