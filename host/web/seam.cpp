// The window-system seam on the page: the WebGL context made at the start
// (main.cpp) stands for the pixel format and the GL context, a buffer swap
// exchanges the two framebuffers of the GL layer, and a message box is a
// panel over the canvas that the program waits on while the page goes on.
#include <GL/gl.h>
#include <emscripten.h>

#include <cstring>

#include "host/web/gl_layer.h"
#include "host/web/web.h"
#include "quorl/host.h"

// The format of the screen buffers: 8 bits for each channel and alpha.
static const PixelFormatDescription SCREEN_FORMAT = {
    32, 8, 0, 8, 8, 8, 16, 8, 24, 0, 0, 1, 0,
};

EM_JS(void, showPagePanel, (const char* caption, const char* text), {
    quorlPage.showPanel(UTF8ToString(caption), UTF8ToString(text));
});

// 1 once the panel is closed, 0 when an event came first.
EM_ASYNC_JS(int, waitForPagePanel, (), {
    return await quorlPage.waitPanel();
});

EM_JS(void, noteFrameShown, (), {
    quorlPage.frameShown();
});

int32_t wsSelectPixelFormat(const PixelFormatDescription&)
{
    return glLayer.viewport[2] > 0 ? WS_OK : WS_NO_PIXEL_FORMAT;
}

int32_t wsCreateContext()
{
    return glLayer.viewport[2] > 0 ? WS_OK : WS_CONTEXT_FAILED;
}

void wsDescribePixelFormat(PixelFormatDescription* out)
{
    *out = glLayer.viewport[2] > 0 ? SCREEN_FORMAT : PixelFormatDescription{};
}

void wsSetPalette(const PaletteEntry*, int32_t)
{
}

void wsSwapBuffers()
{
    glLayerSwapBuffers();
    noteFrameShown();
}

void* wsGetProcAddress(const char* name)
{
    if (name != nullptr && std::strcmp(name, "glBlendEquation") == 0) {
        return reinterpret_cast<void*>(&glBlendEquation);
    }
    if (name != nullptr && std::strcmp(name, "glBlendColor") == 0) {
        return reinterpret_cast<void*>(&glBlendColor);
    }
    return nullptr;
}

void wsMessageBox(const char* text, const char* caption)
{
    glLayerShowFront();
    showPagePanel(caption != nullptr ? caption : "", text != nullptr ? text : "");
    // The menu and the keys still reach the library meanwhile (a close
    // request ends the program from here).
    while (waitForPagePanel() == 0) {
        webDeliverEvents();
    }
}
