// The main window. Key-down and key-up messages fill the key table by
// virtual-key code; the close box, Escape, "Quit" and the system menu's
// Close are close requests; menu commands go to the menu. Its client area is
// the screen area: 480x272 times the window scale, or the whole screen
// without caption or menu bar. Everything here runs on the first thread.
#include "host/win32/window.h"

#include "host/win32/menu.h"
#include "host/win32/screenshots.h"
#include "quorl/host.h"

HWND mainWindow = nullptr;

static constexpr const char* WINDOW_CLASS = "Quorl";
// Caption, system menu and minimise box: a fixed-size window. GL draws into
// the client area itself, so it must leave out the "Please wait..." child.
static constexpr DWORD WINDOW_STYLE = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
static constexpr DWORD FULL_SCREEN_STYLE = WS_POPUP | WS_CLIPCHILDREN;
static constexpr int32_t AREA_WIDTH = 480;  // at the scale of 1
static constexpr int32_t AREA_HEIGHT = 272;
static constexpr LPARAM KEY_EXTENDED = 1 << 24;  // key-message flag: not a keypad key
static constexpr LPARAM KEY_WAS_DOWN = 1 << 30;  // key-message flag: an auto-repeated press

static bool fullScreenShown = false;
static RECT windowedPlace;  // where the window was before full screen

static void keyMessage(WPARAM virtualKey, LPARAM flags, int32_t down);
static int32_t keypadDigitOf(int32_t code);
static BOOL CALLBACK fitChild(HWND child, LPARAM clientSize);

bool createMainWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_SAVEBITS;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = WINDOW_CLASS;
    RegisterClassA(&windowClass);

    RECT outer = {0, 0, AREA_WIDTH, AREA_HEIGHT};
    AdjustWindowRect(&outer, WINDOW_STYLE, TRUE);
    HWND window = CreateWindowExA(0, WINDOW_CLASS, gameWindowTitle(), WINDOW_STYLE,
                                  CW_USEDEFAULT, 0, outer.right - outer.left, outer.bottom - outer.top,
                                  nullptr, nullptr, nullptr, nullptr);
    buildMenu(window);  // also loads the settings, which endProcess saves
    if (window == nullptr) {
        return false;
    }
    ShowWindow(window, SW_SHOW);

    // The area is black until the game's first frame; the menu bar may have
    // wrapped to two lines on a narrow font, so the client area is checked.
    RECT client;
    GetClientRect(window, &client);
    if (client.bottom - client.top != AREA_HEIGHT) {
        outer.bottom += AREA_HEIGHT - (client.bottom - client.top);
        SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    HDC deviceContext = GetDC(window);
    PatBlt(deviceContext, 0, 0, AREA_WIDTH, AREA_HEIGHT, BLACKNESS);
    ReleaseDC(window, deviceContext);
    UpdateWindow(window);
    mainWindow = window;
    updateWindowSize();
    return true;
}

void updateWindowSize()
{
    if (mainWindow == nullptr) {
        return;
    }
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoA(MonitorFromWindow(mainWindow, MONITOR_DEFAULTTONEAREST), &monitor);
    if (emuFullScreen.load(std::memory_order_relaxed) != 0) {
        if (!fullScreenShown) {
            GetWindowRect(mainWindow, &windowedPlace);
        }
        fullScreenShown = true;
        showMenuBar(false);
        SetWindowLongPtrA(mainWindow, GWL_STYLE, FULL_SCREEN_STYLE | WS_VISIBLE);
        const RECT& screen = monitor.rcMonitor;
        SetWindowPos(mainWindow, HWND_TOP, screen.left, screen.top, screen.right - screen.left,
                     screen.bottom - screen.top, SWP_FRAMECHANGED | SWP_NOOWNERZORDER);
        return;
    }
    RECT place;
    GetWindowRect(mainWindow, &place);
    if (fullScreenShown) {
        place = windowedPlace;
        fullScreenShown = false;
        SetWindowLongPtrA(mainWindow, GWL_STYLE, WINDOW_STYLE | WS_VISIBLE);
        showMenuBar(true);
    }
    // The room the work area leaves for the client area.
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRect(&frame, WINDOW_STYLE, TRUE);
    const RECT& work = monitor.rcWork;
    int32_t frameWidth = frame.right - frame.left;
    int32_t frameHeight = frame.bottom - frame.top;
    int32_t scale = windowScaleThatFits(emuWindowScale.load(std::memory_order_relaxed),
                                        work.right - work.left - frameWidth, work.bottom - work.top - frameHeight);
    int32_t width = AREA_WIDTH * scale + frameWidth;
    int32_t height = AREA_HEIGHT * scale + frameHeight;
    // A window that grows stays on the screen.
    int32_t left = place.left + width > work.right ? work.right - width : place.left;
    int32_t top = place.top + height > work.bottom ? work.bottom - height : place.top;
    left = left < work.left ? work.left : left;
    top = top < work.top ? work.top : top;
    SetWindowPos(mainWindow, nullptr, left, top, width, height, SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOACTIVATE);
    // The menu bar may have wrapped to two lines on a narrow font.
    RECT client;
    GetClientRect(mainWindow, &client);
    if (client.bottom - client.top != AREA_HEIGHT * scale) {
        height += AREA_HEIGHT * scale - (client.bottom - client.top);
        SetWindowPos(mainWindow, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

int32_t virtualKeyOfMessage(WPARAM virtualKey, LPARAM flags)
{
    if (virtualKey >= KEY_TABLE_SIZE) {
        return -1;
    }
    int32_t code = static_cast<int32_t>(virtualKey);
    if ((flags & KEY_EXTENDED) == 0 && keypadDigitOf(code) >= 0) {
        code = KEY_NUMPAD0 + keypadDigitOf(code);
    }
    return code;
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN:
        if (wParam == VK_F11) {
            if ((lParam & KEY_WAS_DOWN) == 0) {
                menuCommand(CMD_FULL_SCREEN);
            }
            return 0;
        }
        keyMessage(wParam, lParam, 1);
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+Enter; the default procedure still sees it, so that it knows
        // Alt was not pressed alone.
        if (wParam == VK_RETURN && (lParam & KEY_WAS_DOWN) == 0) {
            menuCommand(CMD_FULL_SCREEN);
        }
        break;
    case WM_SYSCHAR:
        if (wParam == '\r') {
            return 0;  // Alt+Enter is no menu key: no beep
        }
        break;
    case WM_SYSCOMMAND:
        // F10 or Alt alone in full screen: the menu bar comes back, with the
        // window, for the default procedure to open.
        if ((wParam & 0xFFF0) == SC_KEYMENU && lParam == 0 && emuFullScreen.load(std::memory_order_relaxed) != 0) {
            menuCommand(CMD_FULL_SCREEN);
        }
        break;
    case WM_SIZE: {
        // The drawable is the client area: the library enlarges the picture to it.
        int32_t width = LOWORD(lParam);
        int32_t height = HIWORD(lParam);
        screenAreaWidth.store(width, std::memory_order_relaxed);
        screenAreaHeight.store(height, std::memory_order_relaxed);
        POINT size = {width, height};
        EnumChildWindows(window, fitChild, reinterpret_cast<LPARAM>(&size));
        return 0;
    }
    case WM_KEYUP:
        keyMessage(wParam, lParam, 0);
        return 0;
    case WM_SYSKEYUP:
        // Keys pressed with Alt (and F10) are the system's and never set an
        // entry; a key released with Alt still clears its own, so that none
        // stays down after an Alt combination.
        keyMessage(wParam, lParam, 0);
        break;
    case WM_KILLFOCUS:
    case WM_ENTERMENULOOP:
        // A menu opened, or another window took the keyboard: the releases
        // of the keys held now go elsewhere, so none may stay down here.
        releaseAllKeys();
        break;
    case WM_CLOSE:
        closeRequest();
        return 0;
    case WM_TIMER:
        if (screenshotTimer(wParam)) {
            return 0;
        }
        break;
    case WM_DESTROY:
        // Destroyed from outside: nothing is left to show the overlay or to
        // take a second close, so the program ends now.
        endProcess(0);
    case WM_ENDSESSION:
        // The user logs off or the system shuts down: the process is ended
        // after this returns, so the settings are saved first, as a close.
        if (wParam != 0) {
            endProcess(0);
        }
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the area under the GL picture is never cleared
    case WM_COMMAND:
        menuCommand(LOWORD(wParam));
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A "Static" child over the whole client area, which it follows when the
// area changes size; it stays until the process ends. Each first close adds
// one (a close forgotten by initLibrary's reset leaves its overlay in place).
void showWaitOverlay()
{
    RECT client;
    GetClientRect(mainWindow, &client);
    HWND overlay = CreateWindowExA(0, "Static", "Please wait...", WS_CHILD | SS_CENTER | SS_CENTERIMAGE, 0, 0,
                                   client.right, client.bottom, mainWindow, nullptr, nullptr, nullptr);
    if (overlay != nullptr) {
        ShowWindow(overlay, SW_SHOW);
    }
}

// The quit message goes to the calling thread's queue, as the first thread's
// loop would end on it; the termination ends the process first.
void hostTerminateProcess(int32_t exitCode)
{
    PostQuitMessage(0);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
    ExitProcess(static_cast<UINT>(exitCode));  // not reached
}

// Codes beyond the table are dropped.
static void keyMessage(WPARAM virtualKey, LPARAM flags, int32_t down)
{
    int32_t code = virtualKeyOfMessage(virtualKey, flags);
    if (code >= 0) {
        keyEvent(code, down);
    }
}

// With NumLock off the keypad's digits report the navigation keys they carry
// (keypad 2 as Down, keypad 5 as Clear); the dedicated navigation keys are
// told apart by the extended-key flag. The digit a code stands for, or -1.
static int32_t keypadDigitOf(int32_t code)
{
    // Keypad 0 to 9 with NumLock off: Insert, End, Down, Page Down, Left,
    // Clear, Right, Home, Up, Page Up.
    static const int32_t NAVIGATION_CODES[10] = {0x2D, 0x23, 0x28, 0x22, 0x25, 0x0C, 0x27, 0x24, 0x26, 0x21};
    for (int32_t digit = 0; digit < 10; ++digit) {
        if (NAVIGATION_CODES[digit] == code) {
            return digit;
        }
    }
    return -1;
}

// Each child (the wait overlays) covers the whole client area.
static BOOL CALLBACK fitChild(HWND child, LPARAM clientSize)
{
    const POINT* size = reinterpret_cast<const POINT*>(clientSize);
    if (GetParent(child) == mainWindow) {
        MoveWindow(child, 0, 0, size->x, size->y, TRUE);
    }
    return TRUE;
}
