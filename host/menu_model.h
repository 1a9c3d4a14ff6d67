// The emulation menu as every host shows it: its entries in display order,
// what each command does to the shared values, and which marks show. A host
// only builds the entries with its own toolkit and hands commands back here.
#pragma once

#include <cstdint>

constexpr int32_t CMD_PAUSE = 0;
constexpr int32_t CMD_STEP_FRAME = 1;
constexpr int32_t CMD_QUIT = 2;
constexpr int32_t CMD_REUSE_TEXTURES = 3;
constexpr int32_t CMD_USE_SHADERS = 4;
constexpr int32_t CMD_FRAMESKIP_NORMAL = 5;
constexpr int32_t CMD_FRAMESKIP_NONE = 6;

constexpr int32_t MENU_POPUP = -1;  // the command of an entry that opens a popup

// One entry of the menu tree. The entries after a popup with a depth one
// greater belong to it, up to the next entry of the popup's depth or less.
struct MenuEntry {
    int32_t depth;  // 0: in the menu bar
    const char* text;
    int32_t command;  // CMD_*, or MENU_POPUP
    int32_t grayed;   // flag: shown but cannot be chosen
};

// "Application" (Step frame, Pause, Quit) and "Video" with its "Performance"
// and "Frameskip" popups, in display order.
extern const MenuEntry MENU_ENTRIES[];
extern const int32_t MENU_ENTRY_COUNT;

// Where a check mark is set: the popup at barPosition in the bar, or the
// popup at popupPosition inside that one (-1: the bar's popup itself); the
// mark goes to the first item there that bears the command.
struct MenuMark {
    int32_t barPosition;
    int32_t popupPosition;
    int32_t command;
};
extern const MenuMark MENU_MARKS[];
extern const int32_t MENU_MARK_COUNT;

// Carries out a command on pauseState and the settings and returns true
// when it did; CMD_QUIT (a close request, which the host carries out) and
// commands above 6 change nothing and return false.
bool applyMenuCommand(int32_t command);

// Whether the mark of `command` shows now: "Pause" while paused or stepping,
// the two settings while on, "Normal (PC-timed)" in frame-skip mode 0 and
// "None" in mode 1 (any other mode marks neither).
bool menuMarkShows(int32_t command);
