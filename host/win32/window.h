// The one top-level window of the Win32 host, its window procedure and the
// ways the program ends. mainWindow (host/host.h) holds its HWND once shown.
#pragma once

#include <windows.h>

#include <cstdint>

#include "emu/controller.h"

// The game thread, kept for the second close.
extern HANDLE gameThread;

// Registers the window class "Quorl" and creates, with its menu (which loads
// the settings), shows and paints black the window whose client area is
// exactly 480x272; sets mainWindow. False when no window could be made.
bool createMainWindow();

// Every message of the window; runs on the first thread.
LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A close request: the first sets quitRequested and covers the window with
// "Please wait..."; any later one, or one after the game set the flag, ends
// the process at once with the settings saved.
void closeRequest(HWND window);

// Saves the settings and ends the process with `exitCode`, whatever the other
// thread is doing.
[[noreturn]] void endProcess(int exitCode);
