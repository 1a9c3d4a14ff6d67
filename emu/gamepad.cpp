// Game pads: SDL2's game controllers, opened as they come, read once a
// sample. Every call is on the game thread; SDL's event queue is drained
// here, since nothing else in the program reads it.
#include "emu/gamepad.h"

#include <SDL.h>

#include <atomic>

#include "emu/bindings.h"

constexpr int32_t PAD_SLOTS = 8;          // pads read at once
constexpr int32_t STICK_DEAD_ZONE = 8000; // of 32767: where a pad at rest may stand
constexpr int32_t EVENTS_AT_ONCE = 16;

// The pad button each PAD_x reads, in PAD_x order.
static const SDL_GameControllerButton PAD_SDL_BUTTONS[PAD_BUTTON_COUNT] = {
    SDL_CONTROLLER_BUTTON_A,         SDL_CONTROLLER_BUTTON_B,          SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,         SDL_CONTROLLER_BUTTON_BACK,       SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, SDL_CONTROLLER_BUTTON_DPAD_UP,
    SDL_CONTROLLER_BUTTON_DPAD_DOWN, SDL_CONTROLLER_BUTTON_DPAD_LEFT,  SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
};

static int32_t padsState = 0;  // 0: not started, 1: started, -1: SDL cannot
static SDL_GameController* pads[PAD_SLOTS];

static int8_t stickFromAxis(int32_t axis);
static void startPads();
static void openPad(int32_t deviceIndex);
static void takePadEvents();

PadStick updateGamepads()
{
    if (padsState == 0) {
        startPads();
    }
    if (padsState < 0) {
        return PadStick{0, 0};
    }
    SDL_PumpEvents();  // reads the devices and queues the plugging in and out
    takePadEvents();
    uint32_t held = 0;
    PadStick stick = {0, 0};
    for (SDL_GameController* pad : pads) {
        if (pad == nullptr) {
            continue;
        }
        for (int32_t button = 0; button < PAD_BUTTON_COUNT; ++button) {
            if (SDL_GameControllerGetButton(pad, PAD_SDL_BUTTONS[button]) != 0) {
                held |= 1u << button;
            }
        }
        int8_t x = stickFromAxis(SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTX));
        int8_t y = stickFromAxis(SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTY));
        if ((stick.x == 0 && stick.y == 0) && (x != 0 || y != 0)) {
            stick = PadStick{x, y};
        }
    }
    padButtonsHeld.store(static_cast<int32_t>(held), std::memory_order_relaxed);
    return stick;
}

// A stick axis of SDL's range (-32768 .. 32767) as the controller's stick
// value: 0 within the dead zone a pad at rest stays in, -128 or 127 at the ends.
static int8_t stickFromAxis(int32_t axis)
{
    if (axis > -STICK_DEAD_ZONE && axis < STICK_DEAD_ZONE) {
        return 0;
    }
    int32_t value = axis / 256;  // -128 .. 127, as the keys' raw 0 .. 255 less 128
    return static_cast<int8_t>(value < -128 ? -128 : value > 127 ? 127 : value);
}

// The pads in place already come as "added" events too, so the first
// pumping opens them.
static void startPads()
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The program's window is not SDL's: pads count whichever window has the keyboard.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    padsState = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0 ? 1 : -1;
}

static void openPad(int32_t deviceIndex)
{
    SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    for (SDL_GameController* pad : pads) {
        if (pad != nullptr && SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad)) == id) {
            return;  // opened already
        }
    }
    for (SDL_GameController*& slot : pads) {
        if (slot == nullptr) {
            slot = SDL_GameControllerOpen(deviceIndex);
            return;
        }
    }
}

// Pads plugged in are opened and pads pulled out closed, which releases
// their buttons; every other event is dropped, so the queue never fills.
static void takePadEvents()
{
    SDL_Event events[EVENTS_AT_ONCE];
    int count = 0;
    while ((count = SDL_PeepEvents(events, EVENTS_AT_ONCE, SDL_GETEVENT, SDL_CONTROLLERDEVICEADDED,
                                   SDL_CONTROLLERDEVICEREMOVED)) > 0) {
        for (int i = 0; i < count; ++i) {
            if (events[i].type == SDL_CONTROLLERDEVICEADDED) {
                openPad(events[i].cdevice.which);
                continue;
            }
            for (SDL_GameController*& pad : pads) {
                if (pad != nullptr && SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad)) == events[i].cdevice.which) {
                    SDL_GameControllerClose(pad);
                    pad = nullptr;
                }
            }
        }
    }
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}
