#pragma once
// A fuzz target in the normal tests: its seeds, then deterministic pseudo-random
// mutations of them (bit flips, interesting values, cuts, repeated pieces), so that a
// short run finds the same inputs every time.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

void runMutations(int (*target)(const uint8_t*, size_t), const std::vector<std::vector<uint8_t>>& seeds, int count);

// The mutation runs assert nothing themselves: what they find, they find through the
// address and undefined-behaviour sanitizers, so they run in the sanitizer build only.
#ifdef QUARV_SANITIZED
#define SKIP_WITHOUT_SANITIZERS() (void)0
#else
#define SKIP_WITHOUT_SANITIZERS() GTEST_SKIP() << "a mutation run finds faults through the sanitizers (build-asan)"
#endif
