// The quarv program as scripts and users run it: exit statuses and messages of runs that
// cannot do what they were asked.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "frontend/single_instance.h"
#include "support/test_machine.h"

namespace {

struct ProgramRun {
    int status;
    std::string output;  // standard output and error
};

// Runs quarv with the arguments in `folder`, with a settings file of its own and the
// folder as its runtime folder (where the single-instance lock lives), so that no other
// Quarv on the machine takes part.
ProgramRun quarv(const std::string& folder, const std::string& arguments) {
    std::string command = "cd '" + folder + "' && XDG_RUNTIME_DIR='" + folder + "' '" QUARV_PROGRAM
                          "' --config quarv.ini " + arguments + " 2>&1";
    ProgramRun r{-1, ""};
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return r;
    char buffer[512];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) r.output.append(buffer, n);
    int raw = ::pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

std::string runFolder() {
    std::string folder = makeTempDir("program");
    for (const char* file : {"QuarvDefault.ROM", "QuarvDefault.ST"})
        std::filesystem::copy_file(std::string(QUARV_BINARY_DIR) + "/run/" + file, folder + "/" + file);
    return folder;
}

// While another Quarv holds the default snapshot, headless runs that leave it alone go
// on (several at once); one that would share it is refused, and says so with a failure.
TEST(Program, HeadlessRunsShareNothingUnlessTheyUseTheDefaultSnapshot) {
    std::string folder = runFolder();
    ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    ASSERT_TRUE(acquireSingleInstance());
    EXPECT_EQ(quarv(folder, "--headless --frames 3").status, 0);
    ProgramRun refused = quarv(folder, "--headless --frames 3 --default-snapshot");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("Quarv is already running!"), std::string::npos) << refused.output;
}

TEST(Program, BadRequestsFailWithTheirReason) {
    std::string folder = runFolder();
    std::ofstream(folder + "/notes.txt") << "not a TOS image, nor a disk";
    std::filesystem::create_directory(folder + "/folder");
    struct Case {
        const char* arguments;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {"--headless --frames 99999999999", 2, "from 0 to"},
        {"--headless --rom notes.txt --frames 1", 1, "does not start with a TOS header"},
        {"--headless --snapshot-load folder --frames 1", 1, "cannot load the snapshot folder"},
        {"--headless --snapshot-save folder --frames 1", 1, "cannot write the snapshot folder"},
        {"--headless --png folder --frames 1", 1, "cannot save the picture folder"},
    };
    for (const Case& c : cases) {
        ProgramRun r = quarv(folder, c.arguments);
        EXPECT_EQ(r.status, c.status) << c.arguments << "\n" << r.output;
        EXPECT_NE(r.output.find(c.says), std::string::npos) << c.arguments << "\n" << r.output;
    }
}

// A default snapshot that cannot be written (MemoryShot is a file here) is a failed run,
// not a quiet one.
TEST(Program, AFailedDefaultSnapshotIsAFailure) {
    std::string folder = runFolder();
    std::ofstream(folder + "/MemoryShot") << "in the way";
    ProgramRun r = quarv(folder, "--headless --frames 2 --default-snapshot");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("cannot save the default snapshot"), std::string::npos) << r.output;
}

}  // namespace
