#include "host/qt/x11.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QGuiApplication>
#include <xcb/xcb.h>

#include <cstdio>

#include "host/qt/window.h"
#include "quorl/host.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

struct DestroyWatch : QAbstractNativeEventFilter {
    unsigned long window = 0;
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
};

}  // namespace

static DestroyWatch* destroyWatch;  // lives as long as the application

static Display* x11Display();
static int onLostServer(Display* display);

void enableDetectableAutoRepeat()
{
    Display* display = x11Display();
    if (!display) {
        return;
    }
    Bool supported = False;
    XkbSetDetectableAutoRepeat(display, True, &supported);
}

void endOnLostServer()
{
    if (x11Display()) {
        XSetIOErrorHandler(onLostServer);
    }
}

void watchForDestruction(unsigned long window)
{
    if (!x11Display() || destroyWatch) {
        return;
    }
    destroyWatch = new DestroyWatch;
    destroyWatch->window = window;
    qGuiApp->installNativeEventFilter(destroyWatch);
}

bool visualMasksOf(unsigned long window, VisualMasks* out)
{
    Display* display = x11Display();
    XWindowAttributes attributes;
    if (!display || window == 0 || !XGetWindowAttributes(display, window, &attributes) ||
        !attributes.visual) {
        return false;
    }
    XVisualInfo pattern{};
    pattern.visualid = XVisualIDFromVisual(attributes.visual);
    int count = 0;
    XVisualInfo* info = XGetVisualInfo(display, VisualIDMask, &pattern, &count);
    bool trueColor = info && count > 0 && (info->c_class == TrueColor || info->c_class == DirectColor);
    if (trueColor) {
        out->red = static_cast<uint32_t>(info->red_mask);
        out->green = static_cast<uint32_t>(info->green_mask);
        out->blue = static_cast<uint32_t>(info->blue_mask);
        out->depth = info->depth;
    }
    if (info) {
        XFree(info);
    }
    return trueColor;
}

bool DestroyWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) == XCB_DESTROY_NOTIFY &&
        reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window == window) {
        windowDestroyed();
    }
    return false;
}

static int onLostServer(Display*)
{
    std::fprintf(stderr, "quorl: the connection to the X server was lost\n");
    endProcess(1);
}

static Display* x11Display()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}
