// The Controls dialog on Win32: a window made in code (no resource), with a
// label and two buttons per row of the controls model, a status line and
// Defaults, OK and Cancel, run modal by a message loop of its own. What it
// shows and does comes from the model (quorl/host.h); while a cell waits,
// every key pressed in the dialog goes to the model and nowhere else.
#include <windows.h>

#include "host/win32/menu.h"
#include "host/win32/window.h"
#include "quorl/host.h"

static constexpr UINT PAD_POLL_MS = 30;
static constexpr const char* DIALOG_CLASS = "QuorlControls";
static constexpr int32_t MARGIN = 12;
static constexpr int32_t LABEL_WIDTH = 100;
static constexpr int32_t KEYS_WIDTH = 170;
static constexpr int32_t PAD_WIDTH = 120;
static constexpr int32_t ROW_HEIGHT = 24;
static constexpr int32_t BUTTON_WIDTH = 80;
static constexpr int32_t BUTTON_HEIGHT = 24;
static constexpr int32_t STATUS_HEIGHT = 34;
static constexpr int ID_DEFAULTS = 100;
static constexpr int ID_FIRST_CELL = 1000;  // then row * 2 + column

static HWND dialog;
static HWND cells[CONTROL_ROW_COUNT][2];
static HWND statusLine;
static int dialogResult;  // 0 while open, IDOK or IDCANCEL once closed

static LRESULT CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
static HWND addChild(const char* windowClass, const char* text, DWORD style, int32_t x, int32_t y,
                     int32_t width, int32_t height, int id);
static void setText(HWND control, const char* text);
static void refreshControls();
static bool takeKey(const MSG& message);

void showControlsDialog()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = dialogProc;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = DIALOG_CLASS;
    RegisterClassA(&windowClass);  // fails harmlessly the second time

    const int32_t rowsTop = MARGIN + ROW_HEIGHT;
    const int32_t statusTop = rowsTop + CONTROL_ROW_COUNT * ROW_HEIGHT + 6;
    const int32_t buttonsTop = statusTop + STATUS_HEIGHT + 6;
    const int32_t clientWidth = 2 * MARGIN + LABEL_WIDTH + KEYS_WIDTH + PAD_WIDTH + 8;
    const int32_t clientHeight = buttonsTop + BUTTON_HEIGHT + MARGIN;
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    RECT outer = {0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&outer, style, FALSE, WS_EX_DLGMODALFRAME);
    RECT owner = {0, 0, 0, 0};
    GetWindowRect(mainWindow, &owner);
    int32_t width = outer.right - outer.left;
    int32_t height = outer.bottom - outer.top;
    int32_t left = (owner.left + owner.right - width) / 2;
    int32_t top = (owner.top + owner.bottom - height) / 2;
    dialog = CreateWindowExA(WS_EX_DLGMODALFRAME, DIALOG_CLASS, "Controls", style, left < 0 ? 0 : left,
                             top < 0 ? 0 : top, width, height, mainWindow, nullptr, nullptr, nullptr);
    if (dialog == nullptr) {
        return;
    }
    const int32_t keysLeft = MARGIN + LABEL_WIDTH;
    const int32_t padLeft = keysLeft + KEYS_WIDTH + 8;
    addChild("Static", "Control", SS_LEFT, MARGIN, MARGIN + 4, LABEL_WIDTH, 16, 0);
    addChild("Static", "Keys", SS_LEFT, keysLeft, MARGIN + 4, KEYS_WIDTH, 16, 0);
    addChild("Static", "Game pad", SS_LEFT, padLeft, MARGIN + 4, PAD_WIDTH, 16, 0);
    for (int32_t row = 0; row < CONTROL_ROW_COUNT; ++row) {
        int32_t y = rowsTop + row * ROW_HEIGHT;
        setText(addChild("Static", "", SS_LEFT, MARGIN, y + 4, LABEL_WIDTH, 16, 0), controlRowLabel(row));
        cells[row][CONTROL_KEYS] = addChild("Button", "", BS_PUSHBUTTON | WS_TABSTOP, keysLeft, y, KEYS_WIDTH,
                                            ROW_HEIGHT - 2, ID_FIRST_CELL + row * 2 + CONTROL_KEYS);
        cells[row][CONTROL_PAD] = addChild("Button", "", BS_PUSHBUTTON | WS_TABSTOP, padLeft, y, PAD_WIDTH,
                                           ROW_HEIGHT - 2, ID_FIRST_CELL + row * 2 + CONTROL_PAD);
    }
    statusLine = addChild("Static", "", SS_LEFT, MARGIN, statusTop, clientWidth - 2 * MARGIN, STATUS_HEIGHT, 0);
    int32_t buttonsLeft = clientWidth - MARGIN - 3 * BUTTON_WIDTH - 16;
    addChild("Button", "Defaults", BS_PUSHBUTTON | WS_TABSTOP, buttonsLeft, buttonsTop, BUTTON_WIDTH,
             BUTTON_HEIGHT, ID_DEFAULTS);
    addChild("Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, buttonsLeft + BUTTON_WIDTH + 8, buttonsTop,
             BUTTON_WIDTH, BUTTON_HEIGHT, IDOK);
    addChild("Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, buttonsLeft + 2 * (BUTTON_WIDTH + 8), buttonsTop,
             BUTTON_WIDTH, BUTTON_HEIGHT, IDCANCEL);

    controlsBegin();
    refreshControls();
    dialogResult = 0;
    // Modal: the main window takes no input meanwhile, but its messages (and
    // the game) go on.
    EnableWindow(mainWindow, FALSE);
    ShowWindow(dialog, SW_SHOW);
    SetTimer(dialog, 1, PAD_POLL_MS, nullptr);  // goes with the window
    SetForegroundWindow(dialog);
    SetFocus(cells[0][CONTROL_KEYS]);
    MSG message;
    while (dialogResult == 0 && GetMessageA(&message, nullptr, 0, 0) > 0) {
        bool forDialog = message.hwnd == dialog || IsChild(dialog, message.hwnd);
        if (forDialog && (takeKey(message) || IsDialogMessageA(dialog, &message))) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (dialogResult == IDOK) {
        controlsAccept();
    } else {
        controlsCancel();
    }
    // The owner first, so that it gets the keyboard back.
    EnableWindow(mainWindow, TRUE);
    DestroyWindow(dialog);
    dialog = nullptr;
    SetForegroundWindow(mainWindow);
    SetFocus(mainWindow);
}

static LRESULT CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id == IDOK || id == IDCANCEL) {
            dialogResult = id;
        } else if (id == ID_DEFAULTS) {
            controlsDefaults();
            refreshControls();
        } else if (id >= ID_FIRST_CELL && id < ID_FIRST_CELL + 2 * CONTROL_ROW_COUNT) {
            controlsClick((id - ID_FIRST_CELL) / 2, (id - ID_FIRST_CELL) % 2);
            refreshControls();
        }
        return 0;
    }
    case WM_CLOSE:
        dialogResult = IDCANCEL;
        return 0;
    case WM_TIMER:
        // Pad buttons come from the game thread's reading of the pads.
        if (controlsPadPoll() != 0) {
            refreshControls();
        }
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

static HWND addChild(const char* windowClass, const char* text, DWORD style, int32_t x, int32_t y,
                     int32_t width, int32_t height, int id)
{
    HWND child = CreateWindowExA(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, dialog,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return child;
}

static void setText(HWND control, const char* text)
{
    SetWindowTextW(control, wideFromUtf8(text).c_str());
}

static void refreshControls()
{
    for (int32_t row = 0; row < CONTROL_ROW_COUNT; ++row) {
        for (int32_t column : {CONTROL_KEYS, CONTROL_PAD}) {
            setText(cells[row][column], controlsCellText(row, column));
        }
    }
    setText(statusLine, controlsStatus());
}

// A key for a waiting cell goes to the model (its character and release
// nowhere). Otherwise Enter is OK and Escape Cancel wherever the focus is,
// and a held key's repeats do nothing: one just bound must not go on to
// press OK. False for what the dialog's own keys (Tab, Space) should do.
static bool takeKey(const MSG& message)
{
    bool keyDown = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
    bool repeated = keyDown && (message.lParam & (1 << 30)) != 0;
    if (controlsWaiting() != 0) {
        if (keyDown && !repeated) {
            controlsKey(virtualKeyOfMessage(message.wParam, message.lParam));
            refreshControls();
        }
        return keyDown || message.message == WM_CHAR || message.message == WM_SYSCHAR;
    }
    if (repeated) {
        return true;
    }
    if (message.message == WM_KEYDOWN && (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE)) {
        dialogResult = message.wParam == VK_RETURN ? IDOK : IDCANCEL;
        return true;
    }
    return false;
}
