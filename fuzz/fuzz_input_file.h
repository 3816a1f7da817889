#pragma once
// Fuzz targets open their input through the product's own file path: the input is
// written to a file of this process in the temporary folder.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

inline std::string fuzzInputPath(const char* name) {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/quarv_fuzz_" + std::to_string(getpid()) + "_" + name;
}

// The old file is removed rather than truncated: rewriting a file in place makes the
// file system flush it, which would dominate each run.
inline bool writeFuzzInput(const std::string& path, const uint8_t* data, size_t size) {
    std::remove(path.c_str());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool written = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written;
}
