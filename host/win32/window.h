// The one top-level window of the Win32 host and its window procedure.
// showWaitOverlay and hostTerminateProcess (quorl/host.h) are defined here.
#pragma once

#include <windows.h>

#include <cstdint>

// The main window, set once it is shown; null before.
extern HWND mainWindow;

// Registers the window class "Quorl" and creates, with its menu (which loads
// the settings), shows and paints black the window whose client area is
// exactly 480x272; sets mainWindow. False when no window could be made.
bool createMainWindow();

// Every message of the window; runs on the first thread.
LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
