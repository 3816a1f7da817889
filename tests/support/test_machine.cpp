#include "support/test_machine.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "cpu/cpu.h"
#include "machine/hardware_state.h"
#include "machine/io_dispatch.h"
#include "machine/memory_map.h"

void setUpMemoryMap() {
    allocateHostMemory();
    std::memset(hw.ram, 0, HOST_BLOCK_SIZE);
    buildAddressMaps();
    buildIoTables();
    cpuSetMaps({FetchMap, ReadByteMap, ReadWordMap, WriteByteMap, WriteWordMap});
}

std::string m68kProgramPath(const std::string& name) { return std::string(QUARV_M68K_DIR) + "/" + name + ".bin"; }

std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string makeTempDir(const std::string& tag) {
    auto dir = std::filesystem::temp_directory_path() / ("quarv_test_" + tag + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}
