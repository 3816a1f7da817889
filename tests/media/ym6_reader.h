#pragma once
// An independent reader of YM6 files (big-endian header, interleaved registers), to
// check what the recorder writes.
#include <cstdint>
#include <string>
#include <vector>

struct Ym6Song {
    bool valid = false;
    uint32_t frames = 0, attributes = 0;
    std::string name;
    std::vector<uint8_t> registers[16];  // each register's value in every frame
};

inline Ym6Song readYm6(const std::vector<uint8_t>& file) {
    Ym6Song song;
    size_t at = 12;
    auto number = [&](int bytes) {
        uint32_t v = 0;
        for (int i = 0; i < bytes; ++i) v = v << 8 | file[at++];
        return v;
    };
    auto text = [&] {
        std::string s;
        while (at < file.size() && file[at]) s += char(file[at++]);
        ++at;
        return s;
    };
    if (file.size() < 34 || std::string(file.begin(), file.begin() + 12) != "YM6!KoRaNiX!") return song;
    song.frames = number(4);
    song.attributes = number(4);
    at += 2 + 4 + 2 + 4 + 2;  // digidrums, master clock, frame rate, loop frame, additional data
    song.name = text();
    text();  // author
    text();  // comment
    if (at + 16 * size_t(song.frames) + 4 > file.size()) return song;
    for (auto& r : song.registers) {
        r.assign(file.begin() + long(at), file.begin() + long(at + song.frames));
        at += song.frames;
    }
    song.valid = std::string(file.begin() + long(at), file.end()) == "End!";
    return song;
}
