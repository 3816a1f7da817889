// Hard disk images on any file: the layout check when one is attached, then the drive's
// commands over its sectors; and, when the first byte is odd, the rest as a write-back
// journal found beside a small image, which must be refused or applied within it.
#include <cstdint>
#include <vector>

#include "bus/memory_map.h"
#include "floppy/acsi_bus.h"
#include "floppy/hard_disk_image.h"
#include "floppy/hard_disk_journal.h"
#include "floppy/wd1772.h"
#include "fuzz_input_file.h"

static void runCommands() {
    const uint32_t last = hardDisks[0].sectors - 1;
    const uint8_t commands[][10] = {
        {0x25},                                                                          // read capacity
        {0x1A, 0, 0x3F, 0, 255},                                                         // mode sense, all pages
        {0x08, uint8_t(last >> 16 & 0x1F), uint8_t(last >> 8), uint8_t(last), 2},       // read(6) across the end
        {0x28, 0, uint8_t(last >> 24), uint8_t(last >> 16), uint8_t(last >> 8), uint8_t(last), 0, 0, 1},  // read(10)
        {0x0A, 0, 0, 0, 1},                                                              // write(6) of sector 0
        {0x03, 0, 0, 0, 18},                                                             // request sense
    };
    fdc.sectorCount = 2;
    for (const uint8_t* cdb : commands) {
        fdc.dmaAddress = 0x10000;
        fdc.dmaWrite = cdb[0] == 0x0A;
        acsiExecute(0, cdb);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool memoryReady = allocateHostMemory();  // the DMA's transfers reach ST memory
    static const std::string image = fuzzInputPath("hd.img");
    if (!memoryReady || size == 0) return 0;
    if (data[0] & 1) {
        std::vector<uint8_t> blank(64 * 512, 0);
        if (!writeFuzzInput(image, blank.data(), blank.size()) ||
            !writeFuzzInput(journalPath(image), data + 1, size - 1))
            return 0;
    } else if (!writeFuzzInput(image, data + 1, size - 1)) {
        return 0;
    }
    if (hardDiskAttach(0, image)) runCommands();
    hardDiskDetach(0);
    std::remove(journalPath(image).c_str());
    return 0;
}
