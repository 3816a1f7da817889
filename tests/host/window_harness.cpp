#include "window_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include <stb/stb_image.h>

// Xvfb picks a free display itself and writes its number to the descriptor given by
// -displayfd once it accepts connections.
VirtualDisplay::VirtualDisplay() {
    int fds[2];
    if (::pipe(fds) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::close(fds[0]);
        int devnull = ::open("/dev/null", O_WRONLY);
        ::dup2(devnull, 1);
        ::dup2(devnull, 2);
        std::string fd = std::to_string(fds[1]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid_ < 0) {
        ::close(fds[0]);
        return;
    }
    std::string number;
    pollfd p = {fds[0], POLLIN, 0};
    char c;
    while (::poll(&p, 1, 10000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (!number.empty()) display_ = std::atoi(number.c_str());
}

VirtualDisplay::~VirtualDisplay() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
}

int runQuarvWindow(const VirtualDisplay& display, const WindowRun& run) {
    std::string settingsPath = run.folder + "/quarv.ini";
    {
        std::ofstream ini(settingsPath);
        ini << "[Graphics]\nbAskFullscreen=0\nbConfirmQuit=0\n" << run.settings;
    }
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(run.folder.c_str()) != 0) ::_exit(126);
        int errors = ::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (errors >= 0) ::dup2(errors, 2);
        ::setenv("DISPLAY", display.name().c_str(), 1);
        ::setenv("SDL_VIDEODRIVER", "x11", 1);
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        ::setenv("XDG_RUNTIME_DIR", run.folder.c_str(), 1);  // its own single-instance lock
        ::setenv("XDG_DATA_HOME", run.folder.c_str(), 1);    // and its own data folder
        ::setenv("QUARV_TEST_SCRIPT", run.script.c_str(), 1);
        ::setenv("ASAN_OPTIONS", "detect_leaks=0", 1);  // the X and GL libraries keep their allocations
        std::vector<std::string> args = {QUARV_PROGRAM, "--config", settingsPath, "--data-dir", "."};
        args.insert(args.end(), run.arguments.begin(), run.arguments.end());
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(QUARV_PROGRAM, argv.data());
        ::_exit(127);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(run.timeoutSeconds);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1000;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

bool loadPicture(const std::string& path, Picture& out) {
    int channels = 0;
    uint8_t* data = stbi_load(path.c_str(), &out.width, &out.height, &channels, 3);
    if (!data) return false;
    out.rgb.assign(data, data + size_t(out.width) * out.height * 3);
    stbi_image_free(data);
    return true;
}
