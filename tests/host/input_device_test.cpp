// SDL events into the keyboard processor's view of the host devices, and the choice of
// display and refresh rate from the saved settings.
#include <SDL.h>
#include <gtest/gtest.h>

#include "host/display_adapters.h"
#include "host/sdl_input.h"
#include "frontend/input_devices.h"
#include "peripherals/input.h"

namespace {
SDL_Event keyEvent(Uint32 type, SDL_Scancode scancode) {
    SDL_Event e = {};
    e.type = type;
    e.key.keysym.scancode = scancode;
    return e;
}
SDL_Event motion(int dx, int dy) {
    SDL_Event e = {};
    e.type = SDL_MOUSEMOTION;
    e.motion.xrel = dx;
    e.motion.yrel = dy;
    return e;
}
SDL_Event button(Uint32 type, Uint8 which) {
    SDL_Event e = {};
    e.type = type;
    e.button.button = which;
    return e;
}

class InputDevice : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(InitInput()); }
    void TearDown() override { ShutdownInput(); }
};
}  // namespace

// Keys follow their events by DirectInput code, in the menu too, so that the machine
// finds the real keyboard when it takes over; a lost focus releases every key.
TEST_F(InputDevice, KeyStateFollowsEventsAndFocus) {
    inputHandleEvent(keyEvent(SDL_KEYDOWN, SDL_SCANCODE_A));
    inputHandleEvent(keyEvent(SDL_KEYDOWN, SDL_SCANCODE_F12));
    EXPECT_EQ(hostKeyState()[30], KEY_STATE_DOWN);
    EXPECT_EQ(hostKeyState()[KEY_F12], KEY_STATE_DOWN);
    inputHandleEvent(keyEvent(SDL_KEYUP, SDL_SCANCODE_A));
    EXPECT_EQ(hostKeyState()[30], 0);

    AcquireInput();
    PollKeyboard();
    EXPECT_TRUE(hostKeyWentDown(KEY_F12));  // held across the take-over: a fresh press

    SDL_Event focusLost = {};
    focusLost.type = SDL_WINDOWEVENT;
    focusLost.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    inputHandleEvent(focusLost);
    PollKeyboard();
    EXPECT_TRUE(hostKeyWentUp(KEY_F12));
    UnacquireInput();
}

// Motion and buttons count only while the machine has the mouse; the deltas of several
// events add up until the next read.
TEST_F(InputDevice, MouseCountsOnlyWhileAcquired) {
    EXPECT_FALSE(inputHandleEvent(motion(5, 5)));  // the menu's
    AcquireInput();
    takeMouseReport();
    pollInputDevices();
    MouseReport r = takeMouseReport();
    EXPECT_EQ(r.dx, 0);

    inputHandleEvent(motion(3, -2));
    inputHandleEvent(motion(4, -1));
    inputHandleEvent(button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT));
    pollInputDevices();
    r = takeMouseReport();
    EXPECT_EQ(r.dx, 7);
    EXPECT_EQ(r.dy, -3);
    EXPECT_EQ(r.right, 1);
    EXPECT_EQ(r.rightChanged, 1);
    EXPECT_EQ(r.left, 0);
    pollInputDevices();
    r = takeMouseReport();
    EXPECT_EQ(r.dx, 0);
    EXPECT_EQ(r.rightChanged, 0);

    UnacquireInput();
    EXPECT_FALSE(inputHandleEvent(motion(1, 1)));
}

// Two game controllers, scripted through SDL's virtual devices: the first is the ST's
// joystick 1 and the STE's joypad A, the second joypad B, with the buttons the README
// names.
TEST_F(InputDevice, GameControllersAreTheJoypads) {
    SDL_VirtualJoystickDesc desc = {};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    SDL_Joystick* pads[JOYPAD_COUNT];
    int indices[JOYPAD_COUNT];
    for (int i = 0; i < JOYPAD_COUNT; ++i) {
        indices[i] = SDL_JoystickAttachVirtualEx(&desc);
        ASSERT_GE(indices[i], 0) << SDL_GetError();
        ASSERT_TRUE(SDL_IsGameController(indices[i]));
        pads[i] = SDL_JoystickOpen(indices[i]);
    }
    SDL_Event added = {};
    added.type = SDL_JOYDEVICEADDED;
    inputHandleEvent(added);

    const struct {
        int pad;
        SDL_GameControllerButton button;  // SDL_CONTROLLER_BUTTON_INVALID: the stick pushed left
        uint32_t joypad;
    } cases[] = {
        {0, SDL_CONTROLLER_BUTTON_DPAD_UP, JOYPAD_UP},      {0, SDL_CONTROLLER_BUTTON_INVALID, JOYPAD_LEFT},
        {0, SDL_CONTROLLER_BUTTON_A, JOYPAD_A},             {0, SDL_CONTROLLER_BUTTON_B, JOYPAD_B},
        {1, SDL_CONTROLLER_BUTTON_X, JOYPAD_C},             {1, SDL_CONTROLLER_BUTTON_Y, JOYPAD_OPTION},
        {1, SDL_CONTROLLER_BUTTON_BACK, JOYPAD_OPTION},     {1, SDL_CONTROLLER_BUTTON_START, JOYPAD_PAUSE},
        {1, SDL_CONTROLLER_BUTTON_LEFTSHOULDER, JOYPAD_STAR}, {1, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, JOYPAD_HASH},
        {1, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, JOYPAD_RIGHT},
    };
    for (const auto& c : cases) {
        auto press = [&](bool down) {
            if (c.button == SDL_CONTROLLER_BUTTON_INVALID)
                SDL_JoystickSetVirtualAxis(pads[c.pad], SDL_CONTROLLER_AXIS_LEFTX, down ? -32768 : 0);
            else
                SDL_JoystickSetVirtualButton(pads[c.pad], c.button, down);
            SDL_JoystickUpdate();
            pollInputDevices();
        };
        press(true);
        EXPECT_EQ(joypadButtons(c.pad), c.joypad) << "button " << c.button;
        EXPECT_EQ(joypadButtons(1 - c.pad), 0u);
        press(false);
    }
    for (int i = JOYPAD_COUNT - 1; i >= 0; --i) {
        SDL_JoystickClose(pads[i]);
        SDL_JoystickDetachVirtual(indices[i]);
    }
}

TEST(DisplayChoice, SavedAdapterAndRefreshWhenTheyExist) {
    EXPECT_EQ(chooseAdapter(2, 1), 1u);
    EXPECT_EQ(chooseAdapter(2, 2), 0u);  // a display no longer there
    AdapterRecord display = {};
    display.refreshCount = 3;
    display.refreshRates[0] = 60;
    display.refreshRates[1] = 50;
    display.refreshRates[2] = 75;
    EXPECT_EQ(chooseRefresh(display, 50), 50u);
    EXPECT_EQ(chooseRefresh(display, 85), 60u);  // not listed: the first listed
}
