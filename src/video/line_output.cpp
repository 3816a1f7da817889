#include "video/line_output.h"

#include <cstring>

#include "bus/machine_settings.h"

alignas(64) uint32_t LineBuffer[PICTURE_SLOTS];

constexpr size_t LINE_BYTES = sizeof LineBuffer;
// Halves every component of both pixels of a unit at once: the shift moves each
// component's low bit into its neighbour, the mask removes those bits.
constexpr uint32_t HALF_INTENSITY_MASK = 0x7BEF7BEF;

static void emitDoubled(const uint32_t* line, uint8_t* row, int pitch) {
    std::memcpy(row, line, LINE_BYTES);
    std::memcpy(row + pitch, line, LINE_BYTES);
}

static void emitBlended(const uint32_t* line, uint8_t* row, int pitch) {
    std::memcpy(row, line, LINE_BYTES);
    auto* below = reinterpret_cast<uint32_t*>(row + pitch);
    for (int i = 0; i < PICTURE_SLOTS; ++i) below[i] = (line[i] >> 1) & HALF_INTENSITY_MASK;
}

static const LineOutput direct = {nullptr};
static const LineOutput normal = {emitDoubled};
static const LineOutput blend = {emitBlended};

const LineOutput& chooseLineOutput() {
    if (machineSettings.singleRowLines) return direct;
    switch (machineSettings.softwareMode) {
        case 0: return normal;
        case 3: return blend;
        default: return direct;  // 1 "Half (fastest)", 2 "Interlace"
    }
}
