// What the headless window-system seam records for tests, and the switches
// that let a test drive its failure paths. The seam itself is gfx/winsys.h,
// implemented with Xlib and GLX on a 480x272 window of the X display in
// DISPLAY (an Xvfb server in the test runs).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/winsys.h"

struct HeadlessSeamLog {
    int32_t messageCount;          // wsMessageBox calls
    std::string lastMessageText;
    std::string lastMessageCaption;
    int32_t swapCount;             // wsSwapBuffers calls
    int32_t paletteCount;          // wsSetPalette calls
    std::vector<PaletteEntry> lastPalette;
};
extern HeadlessSeamLog headlessLog;

// When not WS_OK, wsCreateContext returns this without creating anything.
extern int32_t headlessForcedResult;

// When true, wsCreateContext settles for a single-buffered context whatever
// is asked for, as a window system without double buffering would.
extern bool headlessSingleBufferOnly;

// When not null, wsDescribePixelFormat reports this format instead of the
// window's real one (for the palette path, which a true-colour X server
// never takes).
extern const PixelFormatDescription* headlessDescribeOverride;

// True once wsCreateContext has made a GL context current.
bool headlessHasContext();

// Starts the library the way the game thread does (time base, initLibrary,
// initGraphics(PF_8888, 1)), once per process; later calls do nothing.
// Returns whether a GL context is current.
bool startLibraryOnce();
