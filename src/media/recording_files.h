#pragma once
// The two music file formats: YM6 (big-endian, registers interleaved) and the 44-byte
// header of a 16-bit stereo 44100 Hz WAV file (little-endian).
#include <cstdint>
#include <string>
#include <vector>

constexpr int WAV_HEADER_BYTES = 44;

// A YM6 file of `frames` register frames of 14 bytes each, frame after frame.
std::vector<uint8_t> ym6FileImage(const std::string& songName, const uint8_t* registerFrames, uint32_t frames);
void wavHeader(uint8_t out[WAV_HEADER_BYTES], uint32_t dataBytes);
