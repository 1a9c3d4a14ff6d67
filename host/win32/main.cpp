// The process entry of the Win32 host: the window, the game thread and the
// first thread's message loop.
#include <windows.h>

#include <string>

#include "host/win32/window.h"
#include "quorl/host.h"

static DWORD WINAPI gameThreadStart(LPVOID);
static std::string programFolder();
static int runMessageLoop();

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (!createMainWindow()) {
        // A game with no window could neither be seen nor be closed.
        MessageBoxA(nullptr, "The main window could not be created.", gameWindowTitle(), MB_OK | MB_ICONERROR);
        return 1;
    }
    // A Windows game is a folder with its .exe and its files, started from
    // that folder or from anywhere else.
    chooseDataFolder(programFolder().c_str(), DATA_BESIDE_PROGRAM);
    // Nothing waits for the game thread or ends it: the process ends while it runs.
    HANDLE gameThread = CreateThread(nullptr, 0, gameThreadStart, nullptr, 0, nullptr);
    if (gameThread == nullptr) {
        // A window with no game behind it could only be closed twice.
        MessageBoxA(nullptr, "The game thread could not be started.", gameWindowTitle(), MB_OK | MB_ICONERROR);
        endProcess(1);
    }
    CloseHandle(gameThread);
    return runMessageLoop();
}

// mingw-w64's start-up code calls main, which its own runtime library turns
// into a call of WinMain; a linker that meets that library only after the
// host's archive would not look for WinMain there any more. Defined here, the
// entry is found in the archive whatever the order.
int main()
{
    return WinMain(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), SW_SHOWDEFAULT);
}

static DWORD WINAPI gameThreadStart(LPVOID)
{
    gameThreadEntry();
    return 0;
}

// The folder of the .exe; empty when it cannot be told.
static std::string programFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::string();
    }
    std::string folder(path, length);
    size_t end = folder.find_last_of("\\/");
    return end == std::string::npos ? std::string() : folder.substr(0, end);
}

// Every message of the thread's windows, until the quit message; a fetch
// error counts as a message. There are no accelerators to translate.
static int runMessageLoop()
{
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) != 0) {
        if (!TranslateAcceleratorA(message.hwnd, nullptr, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
