#pragma once
// What the program needs from its host beyond the sound and input devices: the main
// window, its message loop, message boxes and the display. The headless host has no
// window; the SDL host fills every entry.
#include <cstdint>

struct HostPlatform {
    // Start-up, in this order. Display and input failures are reported by the host and
    // end the program; a sound failure is reported and the program runs silent.
    bool (*createWindow)();
    bool (*initDisplay)();
    bool (*initInput)();
    void (*initSound)();
    // Shutdown, in this order.
    void (*releaseSound)();
    void (*shutdownInput)();
    void (*shutdownDisplay)();
    void (*destroyWindow)();
    // Handles the waiting host events; false when the program was asked to quit.
    bool (*processMessages)();
    // The menu while the emulation is stopped: shown on entry, then one pass per loop.
    void (*enterMenu)(int page);
    void (*menuPass)();
    // Message boxes.
    bool (*askYesNo)(const char* caption, const char* text);
    void (*showMessageBox)(const char* caption, const char* text);
    // After each emulated frame: the machine's picture (video/picture.h) on screen; between
    // states, an empty screen.
    void (*presentFrame)();
    void (*clearDisplay)();
    // Full screen with forced vertical sync: the display, not the sound, paces the frames.
    bool (*pacedByDisplay)();
    // F11 and F12 are the emulator's own keys (the window), not keys for the ST.
    bool emulatorKeys;
};
