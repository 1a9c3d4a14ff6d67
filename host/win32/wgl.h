// GDI and WGL helpers of the window-system seam, shared with the tests' own
// seam on Windows: pixel formats both ways, context creation and GL
// entry-point lookup.
#pragma once

#include <windows.h>

#include "quorl/host.h"

// The 40-byte descriptor asking for `request`: RGBA drawn to a window with
// OpenGL, double-buffered when asked, channel widths and shifts, depth and
// stencil as given.
PIXELFORMATDESCRIPTOR pixelFormatDescriptor(const PixelFormatDescription& request);

// Chooses a pixel format like `request` for `deviceContext` and sets it:
// WS_OK, WS_NO_PIXEL_FORMAT or WS_PIXEL_FORMAT_REFUSED.
int32_t selectWglPixelFormat(HDC deviceContext, const PixelFormatDescription& request);

// Creates a GL context on the format set on `deviceContext` and makes it
// current on the calling thread: WS_OK, WS_CONTEXT_FAILED or
// WS_MAKE_CURRENT_FAILED (the context is then null).
int32_t createWglContext(HDC deviceContext, HGLRC* context);

// The format now set on `deviceContext`; all zero when it has none.
PixelFormatDescription describePixelFormatOf(HDC deviceContext);

// The GL entry point `name`, or null: wglGetProcAddress for what comes from
// the driver, opengl32.dll's own exports for GL 1.1.
void* glEntryPoint(const char* name);
