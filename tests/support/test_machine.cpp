#include "support/test_machine.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <gtest/gtest.h>

#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "bus/memory_map.h"
#include "bus/sound_logs.h"
#include "bus/video_event_log.h"
#include "cpu/cpu.h"
#include "frontend/config.h"
#include "frontend/headless_runner.h"
#include "frontend/rom_list.h"
#include "frontend/run_loop.h"
#include "frontend/startup.h"
#include "machine/board_wiring.h"
#include "machine/rom_images.h"
#include "machine/snapshot.h"
#include "sound/dma_sound.h"

void setUpMemoryMap() {
    machineSettings = MachineSettings{};
    allocateHostMemory();
    std::memset(hw.ram, 0, HOST_BLOCK_SIZE);
    buildAddressMaps();
    buildIoTables();
    cpuSetMaps({FetchMap, ReadByteMap, ReadWordMap, WriteByteMap, WriteWordMap});
    videoEventLogReset();
    ymWriteLogReset();
    dmaSoundReset();
}

std::string m68kProgramPath(const std::string& name) { return std::string(QUARV_M68K_DIR) + "/" + name + ".bin"; }
std::string builtRomPath() { return std::string(QUARV_BINARY_DIR) + "/run/QuarvDefault.ROM"; }
std::string builtDiskPath() { return std::string(QUARV_BINARY_DIR) + "/run/QuarvDefault.ST"; }

std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool sharedDataRequired() {
    const char* v = std::getenv("QUARV_REQUIRE_SHARED");
    return v && *v && std::strcmp(v, "0") != 0;
}

std::string readFileText(const std::string& path) {
    std::vector<uint8_t> bytes = readFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::string makeTempDir(const std::string& tag) {
    auto dir = std::filesystem::temp_directory_path() / ("quarv_test_" + tag + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

FileSizeLimit::FileSizeLimit(unsigned long bytes) {
    std::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending the process
    rlimit limit;
    ::getrlimit(RLIMIT_FSIZE, &limit);
    previous[0] = limit.rlim_cur, previous[1] = limit.rlim_max;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    rlimit limit = {previous[0], previous[1]};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

void startTestMachine(const TestMachineSetup& setup) {
    config = Config{};
    machineSettings = MachineSettings{};
    ProgramOptions options;
    options.headless = true;
    options.romPath = setup.rom;
    options.diskPath = setup.disk;
    options.machine = setup.ste ? 1 : 0;
    options.ramIndex = setup.ramIndex;
    options.fastDisk = setup.fastDisk;
    options.hdFolder = setup.folder;
    options.programPath = setup.program;
    options.programArguments = setup.programArguments;
    options.noDisk = setup.noDisk;
    options.acsiPaths = setup.acsi;
    options.acsiWritable = setup.acsiWritable;
    options.clock = setup.clock;
    options.dataDir = ".";  // the test's working folder
    StartupSettings settings;
    settings.readConfig = false;
    settings.defaultSnapshot = false;
    StartupResult result = programStartup(options, headlessPlatform, settings);
    ASSERT_EQ(result, StartupResult::Ready) << startupError;
    ASSERT_TRUE(romLoaded) << romLoadError;
    setRunState(RUN_STATE_RUNNING);
}

void runTestFrames(int n) { runMainLoop(n); }

void stopTestMachine() { programShutdown(false, false); }

std::vector<uint8_t> machineState() {
    std::vector<uint8_t> state;
    saveSnapshotToBuffer(state);
    return state;
}
