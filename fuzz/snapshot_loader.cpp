// The snapshot loader on any file: it must refuse what it cannot read whole, without
// reading outside the file or writing outside the machine's state.
#include <cstdint>
#include <cstring>

#include "cpu/cpu.h"
#include "fuzz_input_file.h"
#include "machine/hardware_state.h"
#include "machine/io_dispatch.h"
#include "machine/memory_map.h"
#include "machine/snapshot.h"
#include "video/video_event_log.h"

static bool setUpMachine() {
    if (!allocateHostMemory()) return false;
    buildAddressMaps();
    buildIoTables();
    cpuSetMaps({FetchMap, ReadByteMap, ReadWordMap, WriteByteMap, WriteWordMap});
    videoEventLogReset();
    registerSnapshotSections();
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = setUpMachine();
    static const std::string path = fuzzInputPath("snapshot.Quarv");
    if (!ready || !writeFuzzInput(path, data, size)) return 0;
    loadSnapshot(path);
    return 0;
}
