// GDI and WGL helpers shared by the Win32 seam and the tests' seam.
#include "host/win32/wgl.h"

#include <cstdint>

PIXELFORMATDESCRIPTOR pixelFormatDescriptor(const PixelFormatDescription& request)
{
    PIXELFORMATDESCRIPTOR descriptor = {};
    descriptor.nSize = sizeof(descriptor);
    descriptor.nVersion = 1;
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | (request.doubleBuffer != 0 ? PFD_DOUBLEBUFFER : 0);
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = static_cast<BYTE>(request.colorBits);
    descriptor.cRedBits = static_cast<BYTE>(request.redBits);
    descriptor.cRedShift = static_cast<BYTE>(request.redShift);
    descriptor.cGreenBits = static_cast<BYTE>(request.greenBits);
    descriptor.cGreenShift = static_cast<BYTE>(request.greenShift);
    descriptor.cBlueBits = static_cast<BYTE>(request.blueBits);
    descriptor.cBlueShift = static_cast<BYTE>(request.blueShift);
    descriptor.cAlphaBits = static_cast<BYTE>(request.alphaBits);
    descriptor.cAlphaShift = static_cast<BYTE>(request.alphaShift);
    descriptor.cDepthBits = static_cast<BYTE>(request.depthBits);
    descriptor.cStencilBits = static_cast<BYTE>(request.stencilBits);
    descriptor.iLayerType = PFD_MAIN_PLANE;
    return descriptor;
}

int32_t selectWglPixelFormat(HDC deviceContext, const PixelFormatDescription& request)
{
    PIXELFORMATDESCRIPTOR descriptor = pixelFormatDescriptor(request);
    int format = ChoosePixelFormat(deviceContext, &descriptor);
    if (format == 0) {
        return WS_NO_PIXEL_FORMAT;
    }
    if (!SetPixelFormat(deviceContext, format, &descriptor)) {
        return WS_PIXEL_FORMAT_REFUSED;
    }
    return WS_OK;
}

int32_t createWglContext(HDC deviceContext, HGLRC* context)
{
    *context = nullptr;
    HGLRC made = wglCreateContext(deviceContext);
    if (made == nullptr) {
        return WS_CONTEXT_FAILED;
    }
    if (!wglMakeCurrent(deviceContext, made)) {
        wglDeleteContext(made);
        return WS_MAKE_CURRENT_FAILED;
    }
    *context = made;
    return WS_OK;
}

PixelFormatDescription describePixelFormatOf(HDC deviceContext)
{
    PixelFormatDescription out = {};
    PIXELFORMATDESCRIPTOR descriptor = {};
    int format = deviceContext != nullptr ? GetPixelFormat(deviceContext) : 0;
    if (format == 0 || DescribePixelFormat(deviceContext, format, sizeof(descriptor), &descriptor) == 0) {
        return out;
    }
    out.colorBits = descriptor.cColorBits;
    out.redBits = descriptor.cRedBits;
    out.redShift = descriptor.cRedShift;
    out.greenBits = descriptor.cGreenBits;
    out.greenShift = descriptor.cGreenShift;
    out.blueBits = descriptor.cBlueBits;
    out.blueShift = descriptor.cBlueShift;
    out.alphaBits = descriptor.cAlphaBits;
    out.alphaShift = descriptor.cAlphaShift;
    out.depthBits = descriptor.cDepthBits;
    out.stencilBits = descriptor.cStencilBits;
    out.doubleBuffer = (descriptor.dwFlags & PFD_DOUBLEBUFFER) != 0 ? 1 : 0;
    out.needPalette = (descriptor.dwFlags & PFD_NEED_PALETTE) != 0 ? 1 : 0;
    return out;
}

// wglGetProcAddress knows only what opengl32.dll does not export itself, and
// some drivers answer an unknown name with a small number rather than null.
void* glEntryPoint(const char* name)
{
    PROC entry = wglGetProcAddress(name);
    intptr_t value = reinterpret_cast<intptr_t>(entry);
    if (value == 0 || value == 1 || value == 2 || value == 3 || value == -1) {
        entry = GetProcAddress(GetModuleHandleA("opengl32.dll"), name);
    }
    return reinterpret_cast<void*>(entry);
}
