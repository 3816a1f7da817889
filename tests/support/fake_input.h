#pragma once
// A host input layer the tests drive directly, and a fixture that starts every test
// with a freshly reset keyboard processor, nothing pressed and an empty queue.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "frontend/config.h"
#include "frontend/input_devices.h"
#include "peripherals/ikbd.h"
#include "peripherals/input.h"
#include "peripherals/scan_codes.h"

struct FakeDevices {
    uint8_t keys[256];
    MouseDeviceState mouse;
    JoystickDeviceState joystick;
    uint32_t joypads[JOYPAD_COUNT];
    bool keyboardFails, mouseFails, hasJoystick, hasJoypads;
    int acquires;
};
inline FakeDevices fake;

inline const InputBackend FakeBackend = {
    [](uint8_t s[256]) { if (!fake.keyboardFails) std::memcpy(s, fake.keys, 256); return !fake.keyboardFails; },
    [](MouseDeviceState& m) { m = fake.mouse; fake.mouse.dx = fake.mouse.dy = 0; return !fake.mouseFails; },
    [](JoystickDeviceState& j) { j = fake.joystick; return fake.hasJoystick; },
    [](int pad, uint32_t& b) { b = fake.joypads[pad]; return fake.hasJoypads; },
    [] { ++fake.acquires; },
    [] {},
};

inline void press(int key, bool down = true) { fake.keys[key] = down ? KEY_STATE_DOWN : 0; }

// Everything queued so far.
inline std::vector<uint8_t> drainQueue() {
    std::vector<uint8_t> bytes;
    while (ikbdQueueHasByte()) bytes.push_back(ikbdQueueGet());
    return bytes;
}

inline void sendCommand(std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) ikbdReceiveCommandByte(b);
}

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        config = Config{};
        fake = FakeDevices{};
        setInputBackend(&FakeBackend);
        AcquireInput();
        pollInputDevices();
        IkbdScan();  // brings the scan's own records in line with nothing pressed
        IkbdReset();
        ikbdQueueClear();
    }
};
