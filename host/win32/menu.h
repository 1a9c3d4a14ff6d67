// The emulation menu on Win32: a menu bar built with CreateMenu and
// AppendMenuA from the library's menu entries, with check marks set by
// command number. updateMenuChecks (quorl/host.h) is defined here.
#pragma once

#include <windows.h>

// Builds the menu bar, attaches it to `window`, loads the settings and sets
// the check marks. With a null window the menu is built but shown nowhere.
void buildMenu(HWND window);
