// The window-system seam for the library's suites in the browser: the
// browser host's GL layer on the test page's canvas. Its log and the calls
// that only log are in headless_log.cpp, the rest of the host in
// headless_host.cpp, as on the desktop.
#include "tests/support/headless_seam.h"

#include <GL/gl.h>

#include <cstring>
#include <vector>

#include "host/web/gl_layer.h"
#include "host/web/web.h"

static bool contextMade = false;

int32_t wsSelectPixelFormat(const PixelFormatDescription&)
{
    if (headlessForcedAtSelection()) {
        return headlessForcedResult;
    }
    return contextMade || glLayerStart("#canvas", SCREEN_WIDTH, SCREEN_HEIGHT) ? WS_OK : WS_NO_PIXEL_FORMAT;
}

int32_t wsCreateContext()
{
    if (headlessForcedResult != WS_OK && !headlessForcedAtSelection()) {
        return headlessForcedResult;
    }
    contextMade = glLayer.viewport[2] > 0;
    return contextMade ? WS_OK : WS_CONTEXT_FAILED;
}

void wsDescribePixelFormat(PixelFormatDescription* out)
{
    if (headlessDescribeOverride != nullptr) {
        *out = *headlessDescribeOverride;
        return;
    }
    *out = {32, 8, 0, 8, 8, 8, 16, 8, 24, 0, 0, headlessSingleBufferOnly ? 0 : 1, 0};
}

void wsSwapBuffers()
{
    ++headlessLog.swapCount;
    if (contextMade) {
        glLayerSwapBuffers();
    }
}

void* wsGetProcAddress(const char* name)
{
    if (std::strcmp(name, "glBlendEquation") == 0) {
        return reinterpret_cast<void*>(&glBlendEquation);
    }
    if (std::strcmp(name, "glBlendColor") == 0) {
        return reinterpret_cast<void*>(&glBlendColor);
    }
    return nullptr;
}

bool headlessHasContext()
{
    return contextMade;
}

void headlessResizeWindow(int32_t width, int32_t height)
{
    if (contextMade) {
        glLayerResize(width, height);
    }
    screenAreaWidth.store(width, std::memory_order_relaxed);
    screenAreaHeight.store(height, std::memory_order_relaxed);
}

// What the canvas shows once the front buffer is on it.
std::vector<uint32_t> headlessShownPixels(int32_t width, int32_t height)
{
    std::vector<uint32_t> pixels;
    if (!contextMade) {
        return pixels;
    }
    glLayer.frontChanged = 1;
    glLayerShowFront();
    std::vector<uint32_t> rows(static_cast<size_t>(width) * height);
    webglReadCanvas(width, height, reinterpret_cast<uint8_t*>(rows.data()));
    pixels.reserve(rows.size());
    for (int32_t y = height - 1; y >= 0; --y) {
        for (int32_t x = 0; x < width; ++x) {
            pixels.push_back(rows[static_cast<size_t>(y) * width + x] | 0xFF000000u);
        }
    }
    return pixels;
}

// The suites' pages take no keys or menu commands.
void webDeliverEvents()
{
}
