// The window-system seam on GDI and WGL: the pixel format of the main
// window's device context, its palette, the GL context of the game thread,
// the buffer swap, GL entry points and message boxes.
#include <windows.h>

#include <vector>

#include "host/win32/wgl.h"
#include "host/win32/window.h"

static HDC deviceContext = nullptr;  // the main window's, taken once
static HGLRC glContext = nullptr;
static HPALETTE palette = nullptr;

int32_t wsSelectPixelFormat(const PixelFormatDescription& request)
{
    if (mainWindow == nullptr) {
        return WS_NO_PIXEL_FORMAT;
    }
    deviceContext = GetDC(mainWindow);
    return selectWglPixelFormat(deviceContext, request);
}

int32_t wsCreateContext()
{
    return createWglContext(deviceContext, &glContext);
}

void wsDescribePixelFormat(PixelFormatDescription* out)
{
    *out = describePixelFormatOf(deviceContext);
}

void wsSetPalette(const PaletteEntry* entries, int32_t count)
{
    if (deviceContext == nullptr || entries == nullptr || count <= 0 || count > 65536) {
        return;
    }
    // LOGPALETTE ends in a one-entry array that really holds `count`.
    std::vector<unsigned char> storage(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * (count - 1));
    LOGPALETTE* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(count);
    for (int32_t i = 0; i < count; ++i) {
        logical->palPalEntry[i] = {entries[i].red, entries[i].green, entries[i].blue, entries[i].flags};
    }
    palette = CreatePalette(logical);
    if (palette != nullptr) {
        SelectPalette(deviceContext, palette, FALSE);
        RealizePalette(deviceContext);
    }
}

void wsSwapBuffers()
{
    SwapBuffers(deviceContext);
}

void* wsGetProcAddress(const char* name)
{
    return glEntryPoint(name);
}

void wsMessageBox(const char* text, const char* caption)
{
    MessageBoxA(nullptr, text, caption, MB_OK);
}
