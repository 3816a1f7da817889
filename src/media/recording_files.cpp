#include "media/recording_files.h"

#include "sound/mixer.h"
#include "sound/ym2149.h"

static void putText(std::vector<uint8_t>& out, const char* text, bool terminated) {
    for (; *text; ++text) out.push_back(uint8_t(*text));
    if (terminated) out.push_back(0);
}

static void putBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

std::vector<uint8_t> ym6FileImage(const std::string& songName, const uint8_t* registerFrames, uint32_t frames) {
    constexpr uint32_t ATTRIBUTE_INTERLEAVED = 1, YM6_MASTER_CLOCK = 2000000, FRAME_RATE = 50;
    std::vector<uint8_t> out;
    out.reserve(128 + songName.size() + size_t(frames) * 16);
    putText(out, "YM6!KoRaNiX!", false);
    putBigEndian(out, frames, 4);
    putBigEndian(out, ATTRIBUTE_INTERLEAVED, 4);
    putBigEndian(out, 0, 2);  // digidrums
    putBigEndian(out, YM6_MASTER_CLOCK, 4);
    putBigEndian(out, FRAME_RATE, 2);
    putBigEndian(out, 0, 4);  // loop frame
    putBigEndian(out, 0, 2);  // additional data
    putText(out, songName.c_str(), true);
    putText(out, "Unknown.", true);
    putText(out, "Generated with " QUARV_VERSION_STRING, true);
    // Each register's values over the whole song, then registers 14 and 15 as zeros.
    for (int reg = 0; reg < YM_REGISTERS; ++reg)
        for (uint32_t f = 0; f < frames; ++f) out.push_back(registerFrames[size_t(f) * YM_REGISTERS + reg]);
    out.insert(out.end(), size_t(frames) * 2, 0);
    putText(out, "End!", false);
    return out;
}

static void putLittleEndian(uint8_t*& at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) *at++ = uint8_t(value >> 8 * i);
}

void wavHeader(uint8_t out[WAV_HEADER_BYTES], uint32_t dataBytes) {
    uint8_t* at = out;
    auto tag = [&](const char* t) { for (int i = 0; i < 4; ++i) *at++ = uint8_t(t[i]); };
    tag("RIFF");
    putLittleEndian(at, dataBytes + 36, 4);
    tag("WAVE");
    tag("fmt ");
    putLittleEndian(at, 16, 4);
    putLittleEndian(at, 1, 2);  // PCM
    putLittleEndian(at, SOUND_CHANNELS, 2);
    putLittleEndian(at, 44100, 4);
    putLittleEndian(at, 44100 * SOUND_SAMPLE_BYTES, 4);  // bytes a second
    putLittleEndian(at, SOUND_SAMPLE_BYTES, 2);          // block alignment: one sample of each channel
    putLittleEndian(at, 16, 2);                          // bits a sample
    tag("data");
    putLittleEndian(at, dataBytes, 4);
}
