// The player's screenshots on Win32: hostPicturesFolder and watchScreenshot
// (quorl/host.h) are defined in screenshots.cpp, with the timers they use.
#pragma once

#include <windows.h>

// Handles a WM_TIMER of the main window: true when the timer was one of
// the screenshots'.
bool screenshotTimer(UINT_PTR timer);
