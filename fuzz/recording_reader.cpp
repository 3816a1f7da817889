// The input recording reader on any file: refused with a reason, or read whole, and a
// file read is written back byte for byte.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "frontend/recording_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Recording recording;
    std::string error;
    if (!readRecording(data, size, recording, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    std::vector<uint8_t> again;
    writeRecording(recording, again);
    if (again != std::vector<uint8_t>(data, data + size)) std::abort();
    return 0;
}
