// The player's screenshots on Win32: the Pictures known folder, and the
// outcome in the window's title or a message box, looked at on a timer of
// the main window.
#include "host/win32/screenshots.h"

#include <shlobj.h>  // Required for: SHGetKnownFolderPath

#include "host/win32/menu.h"    // Required for: wideFromUtf8
#include "host/win32/window.h"
#include "quorl/host.h"

constexpr UINT_PTR TIMER_SCREENSHOT = 0x5153;   // looks at the outcome
constexpr UINT_PTR TIMER_SAVED_TITLE = 0x5154;  // puts the title back
constexpr UINT SCREENSHOT_POLL_MS = 30;
constexpr UINT SAVED_TITLE_MS = 2000;
constexpr int32_t OUTCOME_TEXT_BYTES = 1024;

int32_t hostPicturesFolder(char* buffer, int32_t size)
{
    PWSTR folder = nullptr;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_Pictures, KF_FLAG_CREATE, nullptr, &folder))) {
        CoTaskMemFree(folder);
        return -1;
    }
    int length = WideCharToMultiByte(CP_UTF8, 0, folder, -1, buffer, size, nullptr, nullptr);
    CoTaskMemFree(folder);
    return length > 0 ? length - 1 : -1;
}

void watchScreenshot()
{
    SetTimer(mainWindow, TIMER_SCREENSHOT, SCREENSHOT_POLL_MS, nullptr);
}

bool screenshotTimer(UINT_PTR timer)
{
    if (timer == TIMER_SAVED_TITLE) {
        KillTimer(mainWindow, TIMER_SAVED_TITLE);
        SetWindowTextW(mainWindow, wideFromUtf8(gameWindowTitle()).c_str());
        return true;
    }
    if (timer != TIMER_SCREENSHOT) {
        return false;
    }
    char text[OUTCOME_TEXT_BYTES];
    int32_t state = screenshotOutcome(text, sizeof(text));
    if (state == SCREENSHOT_PENDING) {
        return true;
    }
    KillTimer(mainWindow, TIMER_SCREENSHOT);
    if (state == SCREENSHOT_FAILED) {
        MessageBoxW(mainWindow, wideFromUtf8(text).c_str(), wideFromUtf8(gameWindowTitle()).c_str(), MB_OK | MB_ICONWARNING);
    } else {
        SetWindowTextW(mainWindow, wideFromUtf8(text).c_str());
        SetTimer(mainWindow, TIMER_SAVED_TITLE, SAVED_TITLE_MS, nullptr);  // a later one starts it anew
    }
    return true;
}
