#pragma once
// Running the quarv program in a window on a private X server (Xvfb), driven by its
// test script, and reading the pictures it writes.
#include <cstdint>
#include <string>
#include <vector>

// An Xvfb server on the first free display; stopped when destroyed.
class VirtualDisplay {
public:
    VirtualDisplay();
    ~VirtualDisplay();
    bool started() const { return display_ >= 0; }
    std::string name() const { return ":" + std::to_string(display_); }

private:
    int pid_ = -1;
    int display_ = -1;
};

struct WindowRun {
    std::string folder;      // working folder: settings file, pictures, MemoryShot, stderr.txt
    std::string settings;    // settings file contents, besides no questions at start
    std::string script;      // QUARV_TEST_SCRIPT
    std::vector<std::string> arguments;
    int timeoutSeconds = 60;  // then the program is killed
};

// Runs the program in `run.folder` on the display with SDL's dummy sound driver; the
// exit status, or -1000 when it had to be killed after run.timeoutSeconds.
int runQuarvWindow(const VirtualDisplay& display, const WindowRun& run);

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    uint32_t at(int x, int y) const {  // 0xRRGGBB
        const uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
    // The R5G6B5 pixel that was shown: the top bits of each component. (Renderers widen
    // the components to 8 bits with different rounding.)
    uint16_t rgb565(int x, int y) const {
        const uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
        return uint16_t((p[0] >> 3) << 11 | (p[1] >> 2) << 5 | p[2] >> 3);
    }
};
// False when the file is missing or not a picture.
bool loadPicture(const std::string& path, Picture& out);
