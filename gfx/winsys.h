// The window-system seam: the few things the library needs from the desktop's
// window system. host/seam_qt.cpp implements it on Qt; tests link a headless
// implementation instead. The build chooses one.
#pragma once

#include <cstdint>

struct PixelFormatDescription {
    int32_t colorBits;
    int32_t redBits, redShift;
    int32_t greenBits, greenShift;
    int32_t blueBits, blueShift;
    int32_t alphaBits, alphaShift;
    int32_t depthBits;
    int32_t stencilBits;
    int32_t doubleBuffer;  // flag
    int32_t needPalette;   // flag: the surface shows its colours through a palette
};

struct PaletteEntry {
    uint8_t red, green, blue, flags;
};

constexpr int32_t WS_OK = 0;
constexpr int32_t WS_NO_PIXEL_FORMAT = 1;       // no format like the request exists
constexpr int32_t WS_PIXEL_FORMAT_REFUSED = 2;  // the window would not take it

// Chooses a pixel format like `request` for mainWindow, gives it to the window,
// creates the GL context on it and makes that current on the calling thread.
int32_t wsCreateContext(const PixelFormatDescription& request);

// Describes the pixel format the window now has.
void wsDescribePixelFormat(PixelFormatDescription* out);

// Installs a palette on a surface that needs one.
void wsSetPalette(const PaletteEntry* entries, int32_t count);

// Shows the back buffer.
void wsSwapBuffers();

// Looks up a GL entry point by name; null when the name is unknown. A non-null
// result does not prove the driver implements the function.
void* wsGetProcAddress(const char* name);

// Shows a modal message box (OK button) and returns once it is closed.
// Callable from the game thread.
void wsMessageBox(const char* text, const char* caption);
