// The window-system seam for tests on Windows: a 480x272 window of its own
// with a WGL context, made on the calling thread. Its log and the calls that
// only log are in ../headless_log.cpp.
#include "tests/support/headless_seam.h"

#include <windows.h>


#include "gfx/library.h"  // Required for: SCREEN_WIDTH, SCREEN_HEIGHT
#include "host/win32/wgl.h"

static HDC deviceContext = nullptr;
static HGLRC context = nullptr;

static HWND createTestWindow();

// Wine draws GL straight to the X window, where GDI cannot read it back.
std::vector<uint32_t> headlessShownPixels(int32_t, int32_t)
{
    return {};
}

int32_t wsSelectPixelFormat(const PixelFormatDescription& request)
{
    if (headlessForcedAtSelection()) {
        return headlessForcedResult;
    }
    HWND window = createTestWindow();
    if (window == nullptr) {
        return WS_NO_PIXEL_FORMAT;
    }
    deviceContext = GetDC(window);
    PixelFormatDescription wanted = request;
    wanted.doubleBuffer = request.doubleBuffer != 0 && !headlessSingleBufferOnly ? 1 : 0;
    return selectWglPixelFormat(deviceContext, wanted);
}

int32_t wsCreateContext()
{
    if (headlessForcedResult != WS_OK && !headlessForcedAtSelection()) {
        return headlessForcedResult;
    }
    return createWglContext(deviceContext, &context);
}

void wsDescribePixelFormat(PixelFormatDescription* out)
{
    *out = headlessDescribeOverride != nullptr ? *headlessDescribeOverride : describePixelFormatOf(deviceContext);
}

void wsSwapBuffers()
{
    ++headlessLog.swapCount;
    if (context != nullptr) {
        SwapBuffers(deviceContext);
    }
}

void* wsGetProcAddress(const char* name)
{
    return glEntryPoint(name);
}

bool headlessHasContext()
{
    return context != nullptr;
}

void headlessResizeWindow(int32_t width, int32_t height)
{
    HWND window = deviceContext != nullptr ? WindowFromDC(deviceContext) : nullptr;
    if (window != nullptr) {
        SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    screenAreaWidth.store(width, std::memory_order_relaxed);
    screenAreaHeight.store(height, std::memory_order_relaxed);
}

// A shown popup window at the screen's corner whose client area is the
// screen; nothing ever reads its messages but the default procedure.
static HWND createTestWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "QuorlTest";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "QuorlTest", "Quorl Sample", WS_POPUP | WS_CLIPCHILDREN, 0, 0,
                                  SCREEN_WIDTH, SCREEN_HEIGHT, nullptr, nullptr, nullptr, nullptr);
    if (window != nullptr) {
        ShowWindow(window, SW_SHOW);
    }
    return window;
}
