// The snapshot loader on any file: it must refuse what it cannot read whole, without
// reading outside the file or writing outside the machine's state; and a machine it
// accepted must run a frame.
#include <cstdint>
#include <cstring>

#include "frontend/frame_output.h"
#include "fuzz_input_file.h"
#include "machine/machine.h"
#include "machine/machine_reset.h"
#include "machine/snapshot.h"

static bool setUpMachine() {
    joinMachineParts();
    if (!machineInit()) return false;
    machineReset(true);
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = setUpMachine();
    static const std::string path = fuzzInputPath("snapshot.Quarv");
    if (!ready || !writeFuzzInput(path, data, size)) return 0;
    if (loadSnapshot(path) && emulateFrame() == FrameResult::Crashed) machineReset(true);
    return 0;
}
