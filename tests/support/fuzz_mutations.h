#pragma once
// A fuzz target in the normal tests: its seeds, then deterministic pseudo-random
// mutations of them (bit flips, interesting values, cuts, repeated pieces), so that a
// short run finds the same inputs every time.
#include <cstddef>
#include <cstdint>
#include <vector>

void runMutations(int (*target)(const uint8_t*, size_t), const std::vector<std::vector<uint8_t>>& seeds, int count);
