// Quorl: what a host provides, and what the library offers a host.
//
// A host is the program around a game on one platform: the process entry,
// the window with its menu, the keyboard, the settings store, the GL context
// and the clock. Quorl has one for Linux (Qt), one for Windows (Win32) and
// one for the browser; the tests have a headless one. A host is written
// against this header and quorl/quorl.h alone: it defines every function of
// the first half and calls the library's functions of the second half.
// Games never include this header.
//
// What a host does, in this order, on its first thread:
//   1. loadSettings();
//   2. create the window, titled gameWindowTitle(), with a 480 x 272 screen
//      area and the menu of MENU_ENTRIES, marked by updateMenuChecks(), then
//      size it by emuWindowScale and emuFullScreen (updateWindowSize);
//   3. chooseDataFolder() with the folder of the program;
//   4. run gameThreadEntry() on a thread of its own (a host with a single
//      thread runs it in place and lets hostSleepUntil hand control back);
//   5. deliver events until the process ends: a key going down or up to
//      keyEvent, a lost keyboard to releaseAllKeys, a close request (close
//      box, Quit) to closeRequest, a menu command to menuCommand (F11 and
//      Alt+Enter are CMD_FULL_SCREEN), an end from outside (signal, lost
//      display, log-off) to endProcess, and every change of the screen
//      area's size to screenAreaWidth and screenAreaHeight.
// The game thread makes every GL call and every call of the window-system
// seam below; the first thread makes every call of the window and menu.
#pragma once

#include <cstdint>

#include "quorl/quorl.h"

// ==== What a host provides ====================================================

// ---- The window-system seam (game thread) -----------------------------------

// A pixel format: channel sizes and positions of a pixel of the frame buffer.
struct PixelFormatDescription {
    int32_t colorBits;
    int32_t redBits, redShift;
    int32_t greenBits, greenShift;
    int32_t blueBits, blueShift;
    int32_t alphaBits, alphaShift;
    int32_t depthBits;
    int32_t stencilBits;
    int32_t doubleBuffer;  // flag
    int32_t needPalette;   // flag: the surface shows its colours through a palette
};

struct PaletteEntry {
    uint8_t red, green, blue, flags;
};

// Results of the seam's two set-up steps.
constexpr int32_t WS_OK = 0;
constexpr int32_t WS_NO_PIXEL_FORMAT = 1;       // no format like the request exists
constexpr int32_t WS_PIXEL_FORMAT_REFUSED = 2;  // the window would not take it
constexpr int32_t WS_CONTEXT_FAILED = 3;        // no GL context could be made on it
constexpr int32_t WS_MAKE_CURRENT_FAILED = 4;   // the context could not be made current

// Chooses a pixel format like `request` for the window's screen area and
// gives it to the window. A window system that settles for less (no double
// buffering, less depth) may; wsDescribePixelFormat then says what it got.
int32_t wsSelectPixelFormat(const PixelFormatDescription& request);

// Creates the GL context on the selected format and makes it current on the
// calling thread, for good.
int32_t wsCreateContext();

// Describes the pixel format the window now has (all zero before one is set).
void wsDescribePixelFormat(PixelFormatDescription* out);

// Installs a palette on a surface that needs one.
void wsSetPalette(const PaletteEntry* entries, int32_t count);

// Shows the back buffer.
void wsSwapBuffers();

// Looks up a GL entry point by name; null when the name is unknown. A non-null
// result does not prove the driver implements the function.
void* wsGetProcAddress(const char* name);

// Shows a modal message box with an OK button and returns once it is closed.
// Called from the game thread; the window must stay usable meanwhile (a close
// request still arrives).
void wsMessageBox(const char* text, const char* caption);

// ---- The clock (game thread) ------------------------------------------------

// Ticks per second of hostCounter; constant for the whole run.
int64_t hostCounterFrequency();

// A monotonic counter, in ticks; never goes back.
int64_t hostCounter();

// Sleeps until hostCounter reads about `ticks`, or returns at once when that
// has passed. It may wake somewhat late (up to about a millisecond under
// load), never meaningfully early. Every wait of the library goes through
// here, so a host whose game runs on its only thread yields here.
void hostSleepUntil(int64_t ticks);

// ---- The settings store (either thread) -----------------------------------

// A per-user store of small named values in named groups, kept between runs:
// group "" holds the emulation settings, "Controls" the key bindings, "Game"
// a game's saved data. Names and groups are short printable ASCII. Every call
// stands alone (opens and closes whatever it needs) and a write is on disk
// when it returns, so a crash just after it keeps it.

// Reads a 32-bit value into *value. Returns the bytes read (4 for a whole
// value), or 0 with *value unchanged when it is missing or unreadable.
int32_t storeReadValue(const char* group, const char* name, int32_t* value);

// Writes a 32-bit value; nonzero when it was stored.
int32_t storeWriteValue(const char* group, const char* name, int32_t value);

// Reads a text into `buffer`, NUL-terminated within `size` bytes. Returns the
// text's length in bytes, or -1 when it is missing (buffer then holds "").
int32_t storeReadText(const char* group, const char* name, char* buffer, int32_t size);

// Writes a text; nonzero when it was stored.
int32_t storeWriteText(const char* group, const char* name, const char* text);

// ---- The window (first thread) ----------------------------------------------

// Covers the whole screen area with "Please wait...", until the process ends.
void showWaitOverlay();

// Sets every check mark of the menu: each MENU_MARKS entry's item shows a mark
// exactly when menuMarkShows(its command) is true.
void updateMenuChecks();

// Sizes the window for emuWindowScale and emuFullScreen: a screen area of
// 480 x 272 times the scale under the menu bar, or, when it would not fit the
// screen, times the largest scale that fits (windowScaleThatFits); in full
// screen the whole screen with the menu bar hidden, until F10, Alt or a
// command leaves it. The area's new size goes to screenAreaWidth and
// screenAreaHeight; the library enlarges the picture to fit.
void updateWindowSize();

// Shows the Controls dialog, modal, and returns once it is closed: a row per
// CONTROL_ROW_COUNT with its label and the texts of its two cells, a status
// line, and the buttons Defaults, OK and Cancel, all driven by the controls
// model below (controlsBegin ... controlsAccept / controlsCancel).
void showControlsDialog();

// The player's pictures folder as UTF-8 into `buffer` (NUL-terminated within
// `size`): where a screenshot taken with F12 or "Save screenshot" goes, in a
// subfolder named after the game. Returns its length, or -1 when there is no
// such folder to be had.
int32_t hostPicturesFolder(char* buffer, int32_t size);

// A screenshot has been asked of the game thread: looks at
// screenshotOutcome() every few tens of milliseconds until it is no longer
// SCREENSHOT_PENDING, then shows its text: when SCREENSHOT_SAVED as the
// window's title for two seconds (then gameWindowTitle() again), when
// SCREENSHOT_FAILED in a message box.
void watchScreenshot();

// ---- The process -------------------------------------------------------------

// Ends the process with `exitCode` at once, whatever the other thread is
// doing, running no static destructors. Saves nothing: endProcess does that.
[[noreturn]] void hostTerminateProcess(int32_t exitCode);

// ==== What the library offers a host ===========================================

// ---- Values shared between the threads -----------------------------------------

// The emulation settings of the menu (0 or 1 each, 0 by default), stored in
// group "" of the store under these names; written by the first thread, read
// by the library, each whole with relaxed ordering. quitRequested and
// pauseState are in quorl/quorl.h.
extern std::atomic<int32_t> emuReuseTextures;    // "emuReuseTextures"
extern std::atomic<int32_t> emuUsePixelShaders;  // "emuUsePixelShaders"
extern std::atomic<int32_t> emuFrameSkipMode;    // "emuFrameSkipMode"

// The window-size settings, stored beside them: emuWindowScale 1 to 4 (1 by
// default; a stored value outside is taken as the nearer end), emuFullScreen
// 0 or 1 (0 by default; any nonzero value reads as 1).
extern std::atomic<int32_t> emuWindowScale;  // "emuWindowScale"
extern std::atomic<int32_t> emuFullScreen;   // "emuFullScreen"

// The Audio menu's settings, stored beside them too; the mixer reads them at
// every buffer. emuSound: 1 (the default) plays, 0 silences everything
// (voices and music go on unheard). emuVolume: the output level in percent,
// 25, 50, 75 or 100 (the default); a stored value is taken as the nearest.
extern std::atomic<int32_t> emuSound;   // "emuSound"
extern std::atomic<int32_t> emuVolume;  // "emuVolume"
constexpr int32_t WINDOW_SCALE_MAX = 4;

// Reads the emulation settings from the store; a value that is not there
// leaves its setting as it is, any nonzero value reads as 1 (the window
// scale excepted, see above). Reads the key bindings too (group "Controls").
void loadSettings();

// Writes the emulation settings to the store. Either thread may call it.
void saveSettings();

// ---- The screen area --------------------------------------------------------------

// The size of the window's screen area in device pixels, which is the size of
// the GL drawable: 480 x 272 until the host says otherwise. Written by the
// first thread whenever the area changes, read by the game thread when it
// shows a frame: a larger area shows the frame enlarged by the largest whole
// number that fits, centred on black (see presentFrame).
extern std::atomic<int32_t> screenAreaWidth;
extern std::atomic<int32_t> screenAreaHeight;

// The scale a window can take: `wanted` (1 to WINDOW_SCALE_MAX), or less when
// 480 x 272 times it would not fit in availableWidth x availableHeight (the
// room the screen leaves for the screen area), but never less than 1.
int32_t windowScaleThatFits(int32_t wanted, int32_t availableWidth, int32_t availableHeight);

// ---- Keys -------------------------------------------------------------------------

// Keys are numbered by Windows virtual-key code, 0 to 255: letters and the
// main row's digits by their upper-case ASCII code ('A', '2'), and these.
constexpr int32_t KEY_RETURN = 0x0D;
constexpr int32_t KEY_ESCAPE = 0x1B;
constexpr int32_t KEY_LEFT = 0x25;
constexpr int32_t KEY_UP = 0x26;
constexpr int32_t KEY_RIGHT = 0x27;
constexpr int32_t KEY_DOWN = 0x28;
constexpr int32_t KEY_NUMPAD0 = 0x60;  // keypad 0 .. 9: 0x60 .. 0x69, whatever NumLock says
constexpr int32_t KEY_F1 = 0x70;       // F1 .. F24: 0x70 .. 0x87
constexpr int32_t KEY_F10 = 0x79;
constexpr int32_t KEY_F11 = 0x7A;
constexpr int32_t KEY_F12 = 0x7B;
constexpr int32_t KEY_TABLE_SIZE = 256;

// A key went down (`down` nonzero) or up; an auto-repeated press may come
// again. Escape going down is a close request too, F12 a screenshot. Codes outside 0..255 are
// ignored. A key that goes down and up between two readController calls
// still counts as pressed in the next one.
void keyEvent(int32_t virtualKey, int32_t down);

// Every key counts as released: the keyboard went to another window or to the
// menu, which will get the releases.
void releaseAllKeys();

// The virtual-key code of a key named by its KeyboardEvent.code, the names
// the key bindings are stored by ("Numpad2", "Digit2", "KeyA", "ArrowLeft",
// "Enter", "F12"), or -1 for a name without one. For a host whose platform
// names keys that way (the browser): the code names a key's place, whatever
// the layout, Shift or NumLock say.
int32_t virtualKeyOfCode(const char* code);

// ---- Closing and ending ------------------------------------------------------------

// A close request: the first sets quitRequested and calls showWaitOverlay, so
// the game ends its loop and the program; a later one, or any once the game
// has set quitRequested itself, ends the process at once with the settings
// saved.
void closeRequest();

// Saves the settings, then ends the process with `exitCode` at once. For
// every end that does not come through the game: a second close, a window
// destroyed from outside, a termination signal, a lost display.
[[noreturn]] void endProcess(int32_t exitCode);

// ---- Screenshots for the player --------------------------------------------------

constexpr int32_t SCREENSHOT_PENDING = 1;  // the game thread has yet to save it
constexpr int32_t SCREENSHOT_SAVED = 2;
constexpr int32_t SCREENSHOT_FAILED = 3;

// F12 and "Save screenshot" (first thread): asks the game thread to save the
// frame on the screen, 480 x 272 as the game drew it, as
// <pictures>/<application>/<application>-YYYYMMDD-HHMMSS-mmm.png, then calls
// watchScreenshot. A folder that cannot be made fails at once.
void saveScreenshotForPlayer();

// Where the last saveScreenshotForPlayer stands, with the text to show in
// `text` (NUL-terminated within `size`): "Saved <file name>", or why it
// failed and where.
int32_t screenshotOutcome(char* text, int32_t size);

// ---- The menu ------------------------------------------------------------------------

constexpr int32_t CMD_PAUSE = 0;
constexpr int32_t CMD_STEP_FRAME = 1;
constexpr int32_t CMD_QUIT = 2;
constexpr int32_t CMD_REUSE_TEXTURES = 3;
constexpr int32_t CMD_USE_SHADERS = 4;
constexpr int32_t CMD_FRAMESKIP_NORMAL = 5;
constexpr int32_t CMD_FRAMESKIP_NONE = 6;
constexpr int32_t CMD_WINDOW_SCALE_1 = 7;  // 1x .. 4x: CMD_WINDOW_SCALE_1 + scale - 1
constexpr int32_t CMD_WINDOW_SCALE_2 = 8;
constexpr int32_t CMD_WINDOW_SCALE_3 = 9;
constexpr int32_t CMD_WINDOW_SCALE_4 = 10;
constexpr int32_t CMD_FULL_SCREEN = 11;
constexpr int32_t CMD_CONTROLS = 12;
constexpr int32_t CMD_SAVE_SCREENSHOT = 13;
constexpr int32_t CMD_SOUND = 14;
constexpr int32_t CMD_VOLUME_25 = 15;  // 25 % .. 100 %: CMD_VOLUME_25 + percent / 25 - 1
constexpr int32_t CMD_VOLUME_50 = 16;
constexpr int32_t CMD_VOLUME_75 = 17;
constexpr int32_t CMD_VOLUME_100 = 18;

constexpr int32_t MENU_POPUP = -1;      // the command of an entry that opens a popup
constexpr int32_t MENU_SEPARATOR = -2;  // the command of a separator line (no text)

// One entry of the menu tree. The entries after a popup with a depth one
// greater belong to it, up to the next entry of the popup's depth or less.
struct MenuEntry {
    int32_t depth;  // 0: in the menu bar
    const char* text;  // UTF-8
    int32_t command;  // CMD_*, MENU_POPUP or MENU_SEPARATOR
    int32_t grayed;   // flag: shown but cannot be chosen
    int32_t radio;    // flag: its mark is a radio mark (one of a group)
};

// The whole menu in display order: "Application" (Step frame, Pause, Quit,
// a separator, Controls..., Save screenshot), "Video" with its "Performance"
// and "Frameskip" popups, a separator and the "Window size" popup (1x to 4x,
// radio-marked, and Full screen), and "Audio" (Sound, and the "Volume"
// popup, 25 % to 100 %, radio-marked).
extern const MenuEntry MENU_ENTRIES[];
extern const int32_t MENU_ENTRY_COUNT;

// Where a check mark is set: the popup at barPosition in the bar, or the
// popup at popupPosition inside that one (-1: the bar's popup itself;
// separators count as positions); the mark goes to the first item there that
// bears the command.
struct MenuMark {
    int32_t barPosition;
    int32_t popupPosition;
    int32_t command;
};
extern const MenuMark MENU_MARKS[];
extern const int32_t MENU_MARK_COUNT;

// Carries out a menu command: CMD_QUIT is a close request, CMD_CONTROLS
// shows the Controls dialog, the others change the pause state or a setting
// and then call updateMenuChecks. A window size (which also leaves full
// screen) and CMD_FULL_SCREEN (on, or off again) call updateWindowSize
// first. Unknown commands are ignored.
void menuCommand(int32_t command);

// Whether the mark of `command` shows now: "Pause" while paused or stepping,
// the two settings while on, "Normal (PC-timed)" in frame-skip mode 0 and
// "None" in mode 1 (any other mode marks neither), the window size of
// emuWindowScale and "Full screen" while on, "Sound" while on and the volume
// of emuVolume.
bool menuMarkShows(int32_t command);

// ---- The Controls dialog's model -----------------------------------------------------

// The dialog edits a copy of the key bindings: one row per console button and
// stick direction, each with two cells, its keys and its pad button. A click
// on a cell makes it wait; the next key pressed is bound to the row (in place
// of its keys; a key bound elsewhere moves here), or refused (Escape stops
// the wait; F10, F11, F12 and keys the bindings do not know cannot be
// bound). Defaults puts back the keys every row has with nothing stored. OK
// stores the rows that changed (group "Controls", one text per row) and puts
// them in force; Cancel drops the copy. First thread only.
constexpr int32_t CONTROL_ROW_COUNT = 16;
constexpr int32_t CONTROL_KEYS = 0;  // the cell of a row's keys
constexpr int32_t CONTROL_PAD = 1;   // the cell of a row's pad button

// The row's label: "South", "East", ... "Stick down".
const char* controlRowLabel(int32_t row);

// The dialog opens: the copy starts from the bindings in force.
void controlsBegin();

// What a cell shows: its names joined by ", " ("Keypad 2, 2", "A"), "-" for
// none, or "Press a key..." while it waits. Valid until the next call.
const char* controlsCellText(int32_t row, int32_t column);

// The line under the rows: what to do now, or why a key was refused.
const char* controlsStatus();

// A cell was clicked: it waits for a key (or, in the pad column, a pad button).
void controlsClick(int32_t row, int32_t column);

// Nonzero while a cell waits: the host then hands every key going down to
// controlsKey and lets none of them act in the dialog.
int32_t controlsWaiting();

// A key went down while a cell waits (Escape: the wait ends, nothing changes).
void controlsKey(int32_t virtualKey);

// The host calls it a few times a second while the dialog is open: a pad
// button that went down since the last call, while a pad cell waits, is
// bound to that row. Nonzero when the dialog's texts changed.
int32_t controlsPadPoll();

// Every row takes its default keys and pad button.
void controlsDefaults();

// OK: the rows that differ from the bindings in force are stored and put in
// force. Cancel: the copy is dropped.
void controlsAccept();
void controlsCancel();

// ---- The game ---------------------------------------------------------------------

// The game thread's whole run: takes the clock's time base, runs gameMain and
// ends the program when gameMain returns. Start it once the window is up.
void gameThreadEntry();

// gameInfo's names, or the library's defaults where the game left one null or
// empty ("Quorl", "Quorl", "Configuration").
const char* gameWindowTitle();
const char* gameOrganization();
const char* gameApplication();

// Where a game's files come from, by platform custom.
constexpr int32_t DATA_UNDER_PREFIX = 0;      // <prefix>/bin/<program> reads <prefix>/<dataDirectory>
constexpr int32_t DATA_BESIDE_PROGRAM = 1;    // the working folder, then the program's own folder

// Applies a data-folder rule, given the folder the program file is in:
// DATA_UNDER_PREFIX makes <prefix>/<gameInfo.dataDirectory> the working
// folder when the program runs as <prefix>/bin/<name> and that folder exists
// (an installed game), and otherwise keeps the working folder;
// DATA_BESIDE_PROGRAM keeps the working folder and looks up each relative
// file name that is not there in the program's folder.
void chooseDataFolder(const char* programFolder, int32_t rule);
