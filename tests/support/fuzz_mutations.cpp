#include "support/fuzz_mutations.h"

#include <algorithm>

void runMutations(int (*target)(const uint8_t*, size_t), const std::vector<std::vector<uint8_t>>& seeds, int count) {
    static const uint8_t interesting[] = {0x00, 0x01, 0x03, 0x04, 0x7F, 0x80, 0xE2, 0xE5, 0xFE, 0xFF};
    uint32_t x = 0x9E3779B9;
    auto below = [&](size_t n) { return n ? (x ^= x << 13, x ^= x >> 17, x ^= x << 5) % n : 0; };
    for (const std::vector<uint8_t>& seed : seeds) target(seed.data(), seed.size());
    for (int i = 0; i < count; ++i) {
        std::vector<uint8_t> b = seeds[i % seeds.size()];
        for (int edits = 1 + int(below(4)); edits > 0 && !b.empty(); --edits) {
            size_t at = below(b.size());
            switch (below(5)) {
            case 0: b[at] ^= uint8_t(1 << below(8)); break;
            case 1: b[at] = interesting[below(sizeof interesting)]; break;
            case 2: b[at] = uint8_t(below(256)); break;
            case 3: b.resize(at); break;
            default: {
                std::vector<uint8_t> piece(b.begin() + at, b.begin() + at + std::min<size_t>(1 + below(64), b.size() - at));
                b.insert(b.begin() + below(b.size()), piece.begin(), piece.end());
            }
            }
        }
        target(b.data(), b.size());
    }
}

