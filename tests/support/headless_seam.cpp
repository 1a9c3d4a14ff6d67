// The window-system seam for tests: a 480x272 X window with a GLX context,
// on whatever display DISPLAY names. Its log and the calls that only
// log are in headless_log.cpp.
#include "tests/support/headless_seam.h"

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "gfx/library.h"  // Required for: SCREEN_WIDTH, SCREEN_HEIGHT

static Display* display = nullptr;
static Window window = 0;
static XVisualInfo* visual = nullptr;
static GLXContext context = nullptr;

static XVisualInfo* chooseVisual(const PixelFormatDescription& request, int32_t depthBits);
static Bool isMapNotify(Display* display, XEvent* event, XPointer window);
static int32_t lowestBit(unsigned long mask);

int32_t wsSelectPixelFormat(const PixelFormatDescription& request)
{
    if (headlessForcedAtSelection()) {
        return headlessForcedResult;
    }
    display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return WS_NO_PIXEL_FORMAT;
    }
    // Like the desktop seam: settle for less depth rather than lose double
    // buffering; the library never uses depth.
    const int32_t depths[] = {request.depthBits, 24, 16, 0};
    for (int32_t depth : depths) {
        visual = chooseVisual(request, depth);
        if (visual != nullptr) {
            break;
        }
    }
    if (visual == nullptr) {
        return WS_NO_PIXEL_FORMAT;
    }
    Window root = RootWindow(display, visual->screen);
    XSetWindowAttributes attributes = {};
    attributes.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
    attributes.background_pixel = 0;
    attributes.border_pixel = 0;
    attributes.event_mask = StructureNotifyMask;
    window = XCreateWindow(display, root, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, 0, visual->depth,
                           InputOutput, visual->visual,
                           CWColormap | CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
    XStoreName(display, window, "Quorl Sample");
    XMapWindow(display, window);
    XEvent event;
    XIfEvent(display, &event, isMapNotify, reinterpret_cast<XPointer>(window));
    return WS_OK;
}

int32_t wsCreateContext()
{
    if (headlessForcedResult != WS_OK && !headlessForcedAtSelection()) {
        return headlessForcedResult;
    }
    if (display == nullptr || visual == nullptr) {
        return WS_CONTEXT_FAILED;
    }
    context = glXCreateContext(display, visual, nullptr, True);
    if (context == nullptr) {
        return WS_CONTEXT_FAILED;
    }
    if (!glXMakeCurrent(display, window, context)) {
        context = nullptr;
        return WS_MAKE_CURRENT_FAILED;
    }
    return WS_OK;
}

void wsDescribePixelFormat(PixelFormatDescription* out)
{
    if (headlessDescribeOverride != nullptr) {
        *out = *headlessDescribeOverride;
        return;
    }
    *out = {};
    if (display == nullptr || visual == nullptr) {
        return;
    }
    int value = 0;
    glXGetConfig(display, visual, GLX_BUFFER_SIZE, &value);
    out->colorBits = value;
    glXGetConfig(display, visual, GLX_RED_SIZE, &value);
    out->redBits = value;
    glXGetConfig(display, visual, GLX_GREEN_SIZE, &value);
    out->greenBits = value;
    glXGetConfig(display, visual, GLX_BLUE_SIZE, &value);
    out->blueBits = value;
    glXGetConfig(display, visual, GLX_ALPHA_SIZE, &value);
    out->alphaBits = value;
    glXGetConfig(display, visual, GLX_DEPTH_SIZE, &value);
    out->depthBits = value;
    glXGetConfig(display, visual, GLX_STENCIL_SIZE, &value);
    out->stencilBits = value;
    glXGetConfig(display, visual, GLX_DOUBLEBUFFER, &value);
    out->doubleBuffer = value;
    out->redShift = lowestBit(visual->red_mask);
    out->greenShift = lowestBit(visual->green_mask);
    out->blueShift = lowestBit(visual->blue_mask);
    // Alpha, when there is any, takes the bits above the colour channels.
    out->alphaShift = out->alphaBits > 0 ? out->redBits + out->greenBits + out->blueBits : 0;
    out->needPalette = visual->c_class == PseudoColor || visual->c_class == GrayScale;
}

void wsSwapBuffers()
{
    ++headlessLog.swapCount;
    if (context != nullptr) {
        glXSwapBuffers(display, window);
    }
}

void* wsGetProcAddress(const char* name)
{
    return reinterpret_cast<void*>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

bool headlessHasContext()
{
    return context != nullptr;
}

void headlessResizeWindow(int32_t width, int32_t height)
{
    if (display != nullptr && window != 0) {
        XResizeWindow(display, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
        XSync(display, False);
    }
    screenAreaWidth.store(width, std::memory_order_relaxed);
    screenAreaHeight.store(height, std::memory_order_relaxed);
}

std::vector<uint32_t> headlessShownPixels(int32_t width, int32_t height)
{
    std::vector<uint32_t> pixels;
    if (display == nullptr || window == 0) {
        return pixels;
    }
    glFinish();
    XSync(display, False);
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (image == nullptr) {
        return pixels;
    }
    int32_t redShift = lowestBit(image->red_mask);
    int32_t greenShift = lowestBit(image->green_mask);
    int32_t blueShift = lowestBit(image->blue_mask);
    pixels.reserve(static_cast<size_t>(width) * height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            unsigned long pixel = XGetPixel(image, x, y);
            pixels.push_back(0xFF000000u | ((pixel >> redShift) & 0xFF) | (((pixel >> greenShift) & 0xFF) << 8) |
                             (((pixel >> blueShift) & 0xFF) << 16));
        }
    }
    XDestroyImage(image);
    return pixels;
}

static XVisualInfo* chooseVisual(const PixelFormatDescription& request, int32_t depthBits)
{
    int attributes[] = {
        GLX_RGBA,
        GLX_RED_SIZE, request.redBits,
        GLX_GREEN_SIZE, request.greenBits,
        GLX_BLUE_SIZE, request.blueBits,
        GLX_ALPHA_SIZE, request.alphaBits,
        GLX_DEPTH_SIZE, depthBits,
        GLX_STENCIL_SIZE, request.stencilBits,
        request.doubleBuffer && !headlessSingleBufferOnly ? GLX_DOUBLEBUFFER : 0,
        None,
    };
    return glXChooseVisual(display, DefaultScreen(display), attributes);
}

static Bool isMapNotify(Display*, XEvent* event, XPointer window)
{
    return event->type == MapNotify && event->xmap.window == reinterpret_cast<Window>(window);
}

static int32_t lowestBit(unsigned long mask)
{
    if (mask == 0) {
        return 0;
    }
    int32_t bit = 0;
    while ((mask & 1) == 0) {
        mask >>= 1;
        ++bit;
    }
    return bit;
}
