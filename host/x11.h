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

// Starts loading the GL driver on a thread of its own, so that the libraries
// it brings (a software rasteriser's code generator alone is tens of
// megabytes to map and relocate) are in place by the time the game thread
// creates its context. Opens a connection of its own to the X server named by
// DISPLAY and asks GLX for its framebuffer configurations, which loads the
// driver; the connection stays open until the process ends, since closing it
// would unload the driver again. Nothing is drawn or shown. Call it before
// any other thread uses Xlib.
void startLoadingGlDriver();
