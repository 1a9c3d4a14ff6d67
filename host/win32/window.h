// The one top-level window of the Win32 host and its window procedure.
// showWaitOverlay, updateWindowSize and hostTerminateProcess (quorl/host.h)
// are defined here.
#pragma once

#include <windows.h>

#include <cstdint>

// The main window, set once it is shown; null before.
extern HWND mainWindow;

// Registers the window class "Quorl" and creates, with its menu (which loads
// the settings), shows and paints black the window whose client area is
// exactly 480x272; sets mainWindow, then sizes the window by the settings
// (updateWindowSize). False when no window could be made.
bool createMainWindow();

// The key-table code of a key message's key, or -1 when it has none: the
// virtual-key code, except that the keypad's digits count whatever the
// NumLock state (without it they come as the navigation keys they carry,
// told from the dedicated ones by the extended-key flag).
int32_t virtualKeyOfMessage(WPARAM virtualKey, LPARAM flags);

// Every message of the window; runs on the first thread.
LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
