// The process entry of the Win32 host: the window, the game thread and the
// first thread's message loop.
#include "host/win32/window.h"

#include <string>

#include "host/host.h"

static DWORD WINAPI gameThreadStart(LPVOID);
static void enterDataDirectory();
static int runMessageLoop();

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (!createMainWindow()) {
        // A game with no window could neither be seen nor be closed.
        MessageBoxA(nullptr, "The main window could not be created.", gameInfoText(gameInfo.windowTitle, "Quorl"),
                    MB_OK | MB_ICONERROR);
        return 1;
    }
    enterDataDirectory();
    gameThread = CreateThread(nullptr, 0, gameThreadStart, nullptr, 0, nullptr);
    if (gameThread == nullptr) {
        // A window with no game behind it could only be closed twice.
        MessageBoxA(nullptr, "The game thread could not be started.", gameInfoText(gameInfo.windowTitle, "Quorl"),
                    MB_OK | MB_ICONERROR);
        endProcess(1);
    }
    return runMessageLoop();
}

static DWORD WINAPI gameThreadStart(LPVOID)
{
    gameThreadEntry();
    return 0;
}

// An installed game runs as <prefix>\bin\<name>.exe with its pictures in
// <prefix>\<dataDirectory>; run from anywhere else (a build folder), it reads
// the working directory it was given.
static void enterDataDirectory()
{
    if (gameInfo.dataDirectory == nullptr || gameInfo.dataDirectory[0] == '\0') {
        return;
    }
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    std::string folder(path, length);
    size_t end = folder.find_last_of("\\/");
    if (end == std::string::npos) {
        return;
    }
    folder.erase(end);  // <prefix>\bin
    size_t separator = folder.find_last_of("\\/");
    if (separator == std::string::npos || lstrcmpiA(folder.c_str() + separator + 1, "bin") != 0) {
        return;
    }
    std::string data = folder.substr(0, separator + 1) + gameInfo.dataDirectory;
    DWORD attributes = GetFileAttributesA(data.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        SetCurrentDirectoryA(data.c_str());
    }
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
