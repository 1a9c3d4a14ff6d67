// The few X11 calls the Qt host needs, kept apart because Xlib's macros
// (KeyPress, None, Bool...) clash with Qt's names. All are no-ops when the
// application does not run on X11.
#pragma once

#include <cstdint>

// Asks the X server to send no release for an auto-repeated key, so that a
// held key stays down in the key table.
void enableDetectableAutoRepeat();

// Makes a broken connection to the X server end the program as endProcess(1)
// does, whichever thread finds it, instead of Xlib's default of calling
// exit() (which, from the game thread, would race the first thread's own).
void endOnLostServer();

// Calls windowDestroyed (host/window.h) when X window `window` is destroyed
// by someone else (xkill-like tools, a window manager's "destroy").
void watchForDestruction(unsigned long window);

struct VisualMasks {
    uint32_t red, green, blue;
    int32_t depth;
};

// The channel masks of the visual of X window `window`; false off X11 or when
// the window's visual is not a true-colour one.
bool visualMasksOf(unsigned long window, VisualMasks* out);
