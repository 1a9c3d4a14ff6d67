// The emulation menu on Win32: a menu bar built with CreateMenu and
// AppendMenuA, with check marks set by command number.
#pragma once

#include <windows.h>

#include <cstdint>

#include "host/menu_model.h"

// Builds the menu bar, attaches it to `window`, loads the three settings and
// sets the check marks. With a null window the menu is built but shown nowhere.
void buildMenu(HWND window);

// Sets every check mark from pauseState and the settings.
void updateMenuChecks(HWND window);

// Carries out a menu command (the low 16 bits of WM_COMMAND's wParam);
// commands above 6 are ignored.
void menuCommand(HWND window, int32_t command);
