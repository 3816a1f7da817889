// The program's entry: the command line, the single-instance check, then the window or,
// with --headless (or in a build without the window), the headless runner.
#include <cstdio>
#include <string>

#include "frontend/command_line.h"
#include "frontend/headless_runner.h"
#include "frontend/single_instance.h"
#ifdef QUARV_WITH_WINDOW
#include "host/host_messages.h"
#include "host/windowed_runner.h"
#endif

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
    if (options.version) {
        std::puts(QUARV_VERSION_STRING);
        return 0;
    }
    // Only runs that share the default snapshot exclude each other: headless runs without
    // it share nothing, so scripts and tests may run several at once. A refused start is
    // a failure for the caller.
    bool sharesDefaultSnapshot = !options.headless || options.defaultSnapshot;
    if (sharesDefaultSnapshot && !acquireSingleInstance()) {
#ifdef QUARV_WITH_WINDOW
        if (!options.headless) {
            showMessageBox("Already Running...", "Quarv is already running!", MessageIcon::Warning);
            return 1;
        }
#endif
        std::fprintf(stderr, "Already Running...: Quarv is already running!\n");
        return 1;
    }
#ifdef QUARV_WITH_WINDOW
    if (!options.headless) return runWindowed(options);
#endif
    return runHeadless(options);
}
