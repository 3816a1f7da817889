#pragma once
// Expected pictures built from first principles: the bit-plane layout read pixel by
// pixel, the line layouts of the open borders, and the colour conversion, compared
// slot by slot with what the renderer drew.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "bus/st_memory.h"
#include "video/renderer.h"

// Each component: the three ST bits and the STE bit below them are the top four bits of
// the host component (R5G6B5); bits 12-15 of the word do not count.
inline uint16_t hostPixelOf(uint16_t w) {
    auto c = [w](int shift) { return uint32_t(((w >> shift) & 7) << 1 | ((w >> (shift + 3)) & 1)); };
    return uint16_t(c(8) << 12 | c(4) << 7 | c(0) << 1);
}
inline uint32_t doubled(uint16_t p) { return uint32_t(p) << 16 | p; }

// Colour index of pixel x of the line at `offset` (ST memory order): `planes` plane
// words per 16 pixels, four in low resolution and two in medium.
inline int pixelIndex(const uint8_t* mem, uint32_t offset, int x, int planes = 4) {
    uint32_t block = offset + uint32_t(x / 16) * 2 * planes;
    int index = 0;
    for (int p = 0; p < planes; ++p) index |= ((stReadWord(mem, block + 2 * p) >> (15 - x % 16)) & 1) << p;
    return index;
}

struct ExpectedPicture {
    std::vector<uint32_t> slots = std::vector<uint32_t>(PICTURE_SLOTS * PICTURE_LINES);

    uint32_t& at(int line, int s) { return slots[line * PICTURE_SLOTS + s]; }

    void borderLine(int line, uint32_t colour) {
        for (int s = 0; s < PICTURE_SLOTS; ++s) at(line, s) = colour;
    }
    // Border lines outside [top, top + display); in between, display lines drawn by
    // line(picture line, source offset) -> the next offset, from offset 0.
    template <class Line>
    void frame(int top, int display, uint32_t border, Line line) {
        uint32_t offset = 0;
        for (int l = 0; l < PICTURE_LINES; ++l)
            if (l < top || l >= top + display)
                borderLine(l, border);
            else
                offset = line(l, offset);
    }
    // A low-resolution display line: the left border (44 slots), or with the left border
    // open the right half of the block before the picture (8 slots); 20 blocks, 2 more
    // for each open border; the right border, or the start of the next block (4 slots,
    // 8 with the left border open). The line's pixels show from `scroll` on: those that
    // move in come from the bytes after the line, or are colour 0 when the line fetched
    // nothing after its blocks (right border closed, no extra fetch). Returns the offset
    // after the line's fetch without the extra group.
    uint32_t displayLine(int line, const uint8_t* mem, uint32_t offset, const uint32_t palette[16],
                         bool leftOpen = false, bool rightOpen = false, int scroll = 0, bool fetched = true) {
        int blocks = 20 + 2 * leftOpen + 2 * rightOpen;
        int first = leftOpen ? 8 : 0;  // the first pixel shown, counted from the line's start
        int end = first + (leftOpen ? 8 : 0) + 16 * blocks;  // after the last block
        int shown = end - first + (rightOpen ? (leftOpen ? 8 : 4) : 0);
        auto pixel = [&](int x) {
            x += scroll;
            return !fetched && !rightOpen && x >= end ? 0 : pixelIndex(mem, offset, x);
        };
        int s = 0;
        if (!leftOpen)
            while (s < 44) at(line, s++) = palette[0];
        for (int x = first; x < first + shown; ++x) at(line, s++) = palette[pixel(x)];
        while (s < PICTURE_SLOTS) at(line, s++) = palette[0];
        return offset + uint32_t(8 * blocks) + (leftOpen ? 10 : 0) + (rightOpen ? 28 : 0);
    }
    // Medium resolution: each of the 320 picture slots holds two pixels, the left one in
    // the low half; the scroll counts medium pixels.
    uint32_t mediumLine(int line, const uint8_t* mem, uint32_t offset, const uint32_t palette[16], int scroll = 0,
                        bool fetched = true) {
        auto pixel = [&](int x) {
            x += scroll;
            return !fetched && x >= 640 ? 0 : pixelIndex(mem, offset, x, 2);
        };
        for (int s = 0; s < PICTURE_SLOTS; ++s) at(line, s) = palette[0];
        for (int s = 0; s < 320; ++s)
            at(line, 44 + s) = (palette[pixel(2 * s)] & 0xFFFF) | (palette[pixel(2 * s + 1)] & 0xFFFF0000);
        return offset + 160;
    }

    // Compares with a picture whose line n starts at frame + 2n pitches.
    void compare(const uint8_t* frame, int pitch) const {
        int mismatches = 0;
        for (int l = 0; l < PICTURE_LINES; ++l) {
            auto* row = reinterpret_cast<const uint32_t*>(frame + 2 * l * pitch);
            for (int s = 0; s < PICTURE_SLOTS; ++s)
                if (row[s] != slots[l * PICTURE_SLOTS + s] && ++mismatches <= 10)
                    ADD_FAILURE() << "line " << l << " slot " << s << ": " << std::hex << row[s] << " instead of "
                                  << slots[l * PICTURE_SLOTS + s];
        }
        EXPECT_EQ(mismatches, 0);
    }
};
