// The emulation menu on Win32, built from the menu model in display order.
// The marks are set by command inside the popup the model names, and land on
// the first item that bears the command. Texts are UTF-8 in the model, so
// items are made with the wide-character calls.
#include "host/win32/menu.h"

#include <string>

#include "quorl/host.h"

static HWND menuWindow;  // the window the menu bar belongs to
static HMENU menuBar;    // kept while full screen takes it off the window

static HMENU popupAt(HMENU bar, int32_t barPosition, int32_t popupPosition);

void buildMenu(HWND window)
{
    menuWindow = window;
    HMENU bar = CreateMenu();
    // menus[d] takes the entries of depth d: the bar, then the open popups.
    HMENU menus[3] = {bar, nullptr, nullptr};
    for (int32_t i = 0; i < MENU_ENTRY_COUNT; ++i) {
        const MenuEntry& entry = MENU_ENTRIES[i];
        std::wstring text = wideFromUtf8(entry.text);
        if (entry.command == MENU_POPUP) {
            // A popup shows the items appended to it later, too.
            menus[entry.depth + 1] = CreatePopupMenu();
            AppendMenuW(menus[entry.depth], MF_STRING | MF_POPUP,
                        reinterpret_cast<UINT_PTR>(menus[entry.depth + 1]), text.c_str());
        } else if (entry.command == MENU_SEPARATOR) {
            AppendMenuW(menus[entry.depth], MF_SEPARATOR, 0, nullptr);
        } else {
            UINT flags = MF_STRING | (entry.grayed != 0 ? MF_GRAYED : MF_ENABLED);
            AppendMenuW(menus[entry.depth], flags, static_cast<UINT_PTR>(entry.command), text.c_str());
            if (entry.radio != 0) {
                MENUITEMINFOW item = {};
                item.cbSize = sizeof(item);
                item.fMask = MIIM_FTYPE;
                GetMenuItemInfoW(menus[entry.depth], static_cast<UINT>(entry.command), FALSE, &item);
                item.fType |= MFT_RADIOCHECK;  // a check shows as a bullet
                SetMenuItemInfoW(menus[entry.depth], static_cast<UINT>(entry.command), FALSE, &item);
            }
        }
    }
    menuBar = bar;
    SetMenu(window, bar);

    loadSettings();
    updateMenuChecks();
}

void showMenuBar(bool shown)
{
    if (menuWindow != nullptr && (GetMenu(menuWindow) != nullptr) != shown) {
        SetMenu(menuWindow, shown ? menuBar : nullptr);
    }
}

void updateMenuChecks()
{
    if (menuBar == nullptr) {
        return;
    }
    for (int32_t i = 0; i < MENU_MARK_COUNT; ++i) {
        const MenuMark& mark = MENU_MARKS[i];
        HMENU popup = popupAt(menuBar, mark.barPosition, mark.popupPosition);
        if (popup != nullptr) {
            CheckMenuItem(popup, static_cast<UINT>(mark.command),
                          MF_BYCOMMAND | (menuMarkShows(mark.command) ? MF_CHECKED : MF_UNCHECKED));
        }
    }
    if (menuWindow != nullptr && GetMenu(menuWindow) != nullptr) {
        DrawMenuBar(menuWindow);
    }
}

std::wstring wideFromUtf8(const char* text)
{
    int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(length > 0 ? static_cast<size_t>(length) : 1, L'\0');
    if (length > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text, -1, &wide[0], length);
    }
    wide.resize(wcslen(wide.c_str()));
    return wide;
}

static HMENU popupAt(HMENU bar, int32_t barPosition, int32_t popupPosition)
{
    HMENU popup = GetSubMenu(bar, barPosition);
    if (popup == nullptr || popupPosition < 0) {
        return popup;
    }
    return GetSubMenu(popup, popupPosition);
}
