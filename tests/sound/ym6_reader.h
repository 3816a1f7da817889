#pragma once
// An independent reader of YM6 files (big-endian header, interleaved registers), to
// check what the recorder writes.
#include <cstdint>
#include <string>
#include <vector>

struct Ym6Song {
    bool valid = false;
    uint32_t frames = 0, attributes = 0, masterClock = 0, loopFrame = 0;
    uint16_t digidrums = 0, frameRate = 0, additionalData = 0;
    std::string name, author, comment;
    std::vector<uint8_t> registers[16];  // each register's value in every frame
};

inline Ym6Song readYm6(const std::vector<uint8_t>& file) {
    Ym6Song song;
    size_t at = 0;
    auto has = [&](size_t n) { return at + n <= file.size(); };
    auto number = [&](int bytes) {
        uint32_t v = 0;
        for (int i = 0; i < bytes; ++i) v = v << 8 | file[at++];
        return v;
    };
    auto text = [&] {
        std::string s;
        while (has(1) && file[at]) s += char(file[at++]);
        ++at;
        return s;
    };
    if (!has(34) || std::string(file.begin(), file.begin() + 12) != "YM6!KoRaNiX!") return song;
    at = 12;
    song.frames = number(4);
    song.attributes = number(4);
    song.digidrums = uint16_t(number(2));
    song.masterClock = number(4);
    song.frameRate = uint16_t(number(2));
    song.loopFrame = number(4);
    song.additionalData = uint16_t(number(2));
    song.name = text();
    song.author = text();
    song.comment = text();
    if (!has(16 * size_t(song.frames) + 4)) return song;
    for (auto& r : song.registers) {
        r.assign(file.begin() + long(at), file.begin() + long(at + song.frames));
        at += song.frames;
    }
    song.valid = std::string(file.begin() + long(at), file.end()) == "End!";
    return song;
}
