#include "host/x11.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

static Display* x11Display();

void enableDetectableAutoRepeat()
{
    Display* display = x11Display();
    if (!display) {
        return;
    }
    Bool supported = False;
    XkbSetDetectableAutoRepeat(display, True, &supported);
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

static Display* x11Display()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}
