// The emulation menu on Win32, built from the menu model in display order.
// The marks are set by command inside the popup the model names, and land on
// the first item that bears the command.
#include "host/win32/menu.h"

#include "quorl/host.h"

static HWND menuWindow;  // the window the menu bar belongs to

static HMENU popupAt(HMENU bar, int32_t barPosition, int32_t popupPosition);

void buildMenu(HWND window)
{
    menuWindow = window;
    HMENU bar = CreateMenu();
    // menus[d] takes the entries of depth d: the bar, then the open popups.
    HMENU menus[3] = {bar, nullptr, nullptr};
    for (int32_t i = 0; i < MENU_ENTRY_COUNT; ++i) {
        const MenuEntry& entry = MENU_ENTRIES[i];
        if (entry.command == MENU_POPUP) {
            // A popup shows the items appended to it later, too.
            menus[entry.depth + 1] = CreatePopupMenu();
            AppendMenuA(menus[entry.depth], MF_STRING | MF_POPUP,
                        reinterpret_cast<UINT_PTR>(menus[entry.depth + 1]), entry.text);
        } else {
            UINT flags = MF_STRING | (entry.grayed != 0 ? MF_GRAYED : MF_ENABLED);
            AppendMenuA(menus[entry.depth], flags, static_cast<UINT_PTR>(entry.command), entry.text);
        }
    }
    SetMenu(window, bar);

    loadSettings();
    updateMenuChecks();
}

void updateMenuChecks()
{
    HMENU bar = GetMenu(menuWindow);
    if (bar == nullptr) {
        return;
    }
    for (int32_t i = 0; i < MENU_MARK_COUNT; ++i) {
        const MenuMark& mark = MENU_MARKS[i];
        HMENU popup = popupAt(bar, mark.barPosition, mark.popupPosition);
        if (popup != nullptr) {
            CheckMenuItem(popup, static_cast<UINT>(mark.command),
                          MF_BYCOMMAND | (menuMarkShows(mark.command) ? MF_CHECKED : MF_UNCHECKED));
        }
    }
    DrawMenuBar(menuWindow);
}

static HMENU popupAt(HMENU bar, int32_t barPosition, int32_t popupPosition)
{
    HMENU popup = GetSubMenu(bar, barPosition);
    if (popup == nullptr || popupPosition < 0) {
        return popup;
    }
    return GetSubMenu(popup, popupPosition);
}
