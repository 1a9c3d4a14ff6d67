// Game pads through SDL2's game-controller API: every connected pad is
// opened (pads plugged in later too), and at each readController their
// buttons reach the bindings (padButtonsHeld, emu/bindings.h) and their left
// sticks the controller's stick. A pad attached in the same process with
// SDL_JoystickAttachVirtualEx is opened like any other.
#pragma once

#include <cstdint>

// Where the pads' left sticks stand, -128 .. 127 each (0 at rest, and when
// no pad is connected), as the stick keys would put it.
struct PadStick {
    int8_t x;
    int8_t y;
};

// Game thread: starts SDL's game controllers the first time (nothing when
// SDL cannot), takes in pads plugged in and out since the last call, and
// reads every open pad: their buttons into padButtonsHeld, their sticks into
// the result (the first pad whose stick is off centre).
PadStick updateGamepads();

