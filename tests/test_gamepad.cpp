// Game pads at readController: a virtual pad attached in this process
// through SDL's game-controller API, as the library opens any pad: its
// buttons and stick, together with the keys, and pulled out.
#include <gtest/gtest.h>

#include <SDL.h>

#include "emu/controller.h"
#include "emu/gamepad.h"

namespace {

// A pad of SDL's game-controller layout, plugged in for one test.
struct VirtualPad {
    int deviceIndex = -1;
    SDL_Joystick* joystick = nullptr;

    VirtualPad()
    {
        SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
        SDL_VirtualJoystickDesc desc = {};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        deviceIndex = SDL_JoystickAttachVirtualEx(&desc);
        joystick = SDL_JoystickOpen(deviceIndex);
    }
    ~VirtualPad() { unplug(); }
    void button(SDL_GameControllerButton which, bool down)
    {
        SDL_JoystickSetVirtualButton(joystick, which, down ? 1 : 0);
    }
    void axis(SDL_GameControllerAxis which, int16_t value) { SDL_JoystickSetVirtualAxis(joystick, which, value); }
    void unplug()
    {
        if (joystick != nullptr) {
            SDL_JoystickClose(joystick);
            SDL_JoystickDetachVirtual(deviceIndex);
            joystick = nullptr;
        }
    }
};

class GamepadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        releaseAllKeys();
        controller = &record;
        ASSERT_GE(pad.deviceIndex, 0) << SDL_GetError();
        readController();  // takes the pad in
    }
    void TearDown() override { controller = nullptr; }
    ControllerState record{0, 0, 0, 0, 0x3F0, 0, 0, 0};
    VirtualPad pad;
};

}  // namespace

TEST_F(GamepadTest, EachPadButtonPressesItsConsoleButton)
{
    struct Case {
        SDL_GameControllerButton button;
        uint32_t pressed;
    };
    const Case cases[] = {
        {SDL_CONTROLLER_BUTTON_A, BTN_SOUTH},          {SDL_CONTROLLER_BUTTON_B, BTN_EAST},
        {SDL_CONTROLLER_BUTTON_X, BTN_WEST},           {SDL_CONTROLLER_BUTTON_Y, BTN_NORTH},
        {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, BTN_L},   {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, BTN_R},
        {SDL_CONTROLLER_BUTTON_START, BTN_START},      {SDL_CONTROLLER_BUTTON_BACK, BTN_SELECT},
        {SDL_CONTROLLER_BUTTON_DPAD_UP, BTN_UP},       {SDL_CONTROLLER_BUTTON_DPAD_DOWN, BTN_DOWN},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, BTN_LEFT},   {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, BTN_RIGHT},
    };
    for (const Case& c : cases) {
        pad.button(c.button, true);
        ControllerState* state = readController();
        EXPECT_EQ(state->held, c.pressed) << SDL_GameControllerGetStringForButton(c.button);
        EXPECT_EQ(state->pressed, c.pressed) << SDL_GameControllerGetStringForButton(c.button);
        EXPECT_EQ(readController()->pressed, 0u) << "once a press";
        pad.button(c.button, false);
        EXPECT_EQ(readController()->held, 0u);
    }
}

TEST_F(GamepadTest, TheLeftStickMovesTheStickAsTheKeysDo)
{
    struct Case {
        int16_t x, y;
        int8_t stickX, stickY;
    };
    const Case cases[] = {
        {-32768, 0, -128, 0}, {32767, 0, 127, 0}, {0, -32768, 0, -128}, {0, 32767, 0, 127},
        {3000, -3000, 0, 0},  // a pad at rest wanders a little
        {16384, -16384, 64, -64},
    };
    for (const Case& c : cases) {
        pad.axis(SDL_CONTROLLER_AXIS_LEFTX, c.x);
        pad.axis(SDL_CONTROLLER_AXIS_LEFTY, c.y);
        ControllerState* state = readController();
        EXPECT_EQ(state->stickX, c.stickX) << c.x;
        EXPECT_EQ(state->stickY, c.stickY) << c.y;
    }
}

TEST_F(GamepadTest, PadAndKeysTogether)
{
    keyEvent(KEY_LEFT, 1);
    pad.button(SDL_CONTROLLER_BUTTON_A, true);
    EXPECT_EQ(readController()->held, BTN_LEFT | BTN_SOUTH);
    keyEvent(KEY_LEFT, 0);
    EXPECT_EQ(readController()->held, BTN_SOUTH);
    // A stick key wins over the pad's stick.
    pad.axis(SDL_CONTROLLER_AXIS_LEFTX, -32768);
    keyEvent('D', 1);
    EXPECT_EQ(readController()->stickX, 127);
    keyEvent('D', 0);
    EXPECT_EQ(readController()->stickX, -128);
}

// Pulled out, a pad releases what it held; one plugged in later is taken in.
TEST_F(GamepadTest, UnpluggingReleasesEverythingAndAnotherPadIsTakenIn)
{
    pad.button(SDL_CONTROLLER_BUTTON_A, true);
    pad.button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    pad.axis(SDL_CONTROLLER_AXIS_LEFTX, 32767);
    ControllerState* state = readController();
    ASSERT_EQ(state->held, BTN_SOUTH | BTN_LEFT);
    pad.unplug();
    state = readController();
    EXPECT_EQ(state->held, 0u);
    EXPECT_EQ(state->stickX, 0);

    VirtualPad another;
    readController();
    another.button(SDL_CONTROLLER_BUTTON_B, true);
    EXPECT_EQ(readController()->held, BTN_EAST);
}
