// The emulation menu on Win32: a menu bar built with CreateMenu and
// AppendMenuA from the library's menu entries, with check marks set by
// command number. updateMenuChecks (quorl/host.h) is defined here.
#pragma once

#include <windows.h>

#include <string>

// Builds the menu bar, attaches it to `window`, loads the settings and sets
// the check marks. With a null window the menu is built but shown nowhere.
void buildMenu(HWND window);

// Attaches the menu bar to the window again, or takes it off (full screen);
// the marks keep following the settings either way.
void showMenuBar(bool shown);

// A UTF-8 text (the menu model's, the controls model's) for the wide-character
// calls.
std::wstring wideFromUtf8(const char* text);
