// The program's entry: the command line, the single-instance check, then the headless
// runner or the window.
#include <cstdio>
#include <string>

#include "frontend/command_line.h"
#include "frontend/headless_runner.h"
#include "frontend/single_instance.h"

int main(int argc, char** argv) {
    ProgramOptions options;
    std::string error;
    if (!parseCommandLine(argc, argv, options, error)) {
        if (error == "help") {
            std::fputs(commandLineHelp(), stdout);
            return 0;
        }
        std::fprintf(stderr, "quarv: %s\n%s", error.c_str(), commandLineHelp());
        return 2;
    }
    if (!acquireSingleInstance()) {
        std::fprintf(stderr, "Already Running...: Quarv is already running!\n");
        return 0;
    }
    return runHeadless(options);
}
