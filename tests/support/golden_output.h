#pragma once
// Fingerprints of what the machine shows and plays, taken from a known-good build: every
// front end (the headless runner, the libretro core) must give the same frames.
#include <cstddef>
#include <cstdint>

// FNV-1a over the bytes.
inline uint64_t fingerprint(const void* data, size_t bytes, uint64_t h = 14695981039346656037ull) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < bytes; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

// The 800 x 600 picture after frames 50, 100, ... 300, and the 300 x 881 samples of a
// channel (both carry the same in these runs).
struct GoldenOutput {
    uint64_t pictures[6];
    uint64_t samples;
};

// The built-in ROM booting the demo disk on an STFM with 2 MB.
constexpr GoldenOutput DEMO_DISK_STFM = {{13975634363361952213ull, 18018965837412549421ull, 753097102515393253ull,
                                          7456407284638627645ull, 8320032028417501933ull, 184122486265992125ull},
                                         10244571428410680666ull};
