// What the headless host records for tests, and the switches that let a test
// drive its failure paths. The window-system seam of quorl/host.h is
// implemented with Xlib and GLX on a 480x272 window of the X display in
// DISPLAY (an Xvfb server in the test runs), or with WGL on Windows; the rest
// of the host (headless_host.cpp) keeps the store in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "quorl/host.h"

struct HeadlessSeamLog {
    int32_t messageCount;          // wsMessageBox calls
    std::string lastMessageText;
    std::string lastMessageCaption;
    int32_t swapCount;             // wsSwapBuffers calls
    int32_t paletteCount;          // wsSetPalette calls
    std::vector<PaletteEntry> lastPalette;
    int32_t overlayCount;          // showWaitOverlay calls
    int32_t menuCheckCount;        // updateMenuChecks calls
    int32_t windowSizeCount;       // updateWindowSize calls
    int32_t controlsDialogCount;   // showControlsDialog calls
};
extern HeadlessSeamLog headlessLog;

// When not WS_OK, wsSelectPixelFormat (a WS_NO_PIXEL_FORMAT or
// WS_PIXEL_FORMAT_REFUSED) or wsCreateContext (the other failures) returns
// this without creating anything.
extern int32_t headlessForcedResult;
bool headlessForcedAtSelection();  // the forced result is one of the selection step

// When true, wsSelectPixelFormat settles for a single-buffered format whatever
// is asked for, as a window system without double buffering would.
extern bool headlessSingleBufferOnly;

// When not null, wsDescribePixelFormat reports this format instead of the
// window's real one (for the palette path, which a true-colour X server
// never takes).
extern const PixelFormatDescription* headlessDescribeOverride;

// True once wsCreateContext has made a GL context current.
bool headlessHasContext();

// Gives the window a client area of width x height and tells the library, as
// a host does when its screen area changes size (screenAreaWidth, ...).
void headlessResizeWindow(int32_t width, int32_t height);

// The window's pixels as the window system shows them (what a swap or a
// flush put there), width x height from the top-left corner, top row first,
// as PF_8888 words with alpha 255; empty when they cannot be read.
std::vector<uint32_t> headlessShownPixels(int32_t width, int32_t height);

// Empties the headless host's store, as on a first run.
void headlessClearStore();

// Starts the library the way the game thread does (time base, initLibrary,
// initGraphics(PF_8888, 1)), once per process; later calls do nothing.
// Returns whether a GL context is current.
bool startLibraryOnce();
