// The window's part on the browser host: the page's title, its menu bar
// built from the menu model with its marks, the size the page shows the
// canvas at, the wait overlay, the player's screenshots (handed to the
// browser as downloads), and the end of the program, which the page shows
// with its exit code.
#include <emscripten.h>

#include <cstring>
#include <string>

#include "host/web/web.h"
#include "quorl/host.h"

// Where the player's screenshots are written before the browser takes them.
static const char* const PICTURES_FOLDER = "/pictures";
constexpr int32_t SCREENSHOT_TEXT_BYTES = 1024;
constexpr int32_t SAVED_TITLE_MS = 2000;

static bool watchingScreenshot = false;

static int32_t markedEntry(const MenuMark& mark, int32_t* popupEnd);

EM_JS(void, openPageWindow, (const char* title), {
    quorlPage.open(UTF8ToString(title));
});

EM_JS(void, addPageMenuEntry, (int index, int depth, const char* text, int command, int grayed, int radio), {
    quorlPage.addMenuEntry(index, depth, UTF8ToString(text), command, grayed != 0, radio != 0);
});

EM_JS(void, setPageWindowSize, (int scale, int fullScreen), {
    quorlPage.setWindowSize(scale, fullScreen != 0);
});

EM_JS(int, pageScaleThatFits, (), {
    return quorlPage.scaleThatFits();
});

EM_JS(void, showPageTitle, (const char* text, int ms), {
    quorlPage.showTitle(UTF8ToString(text), ms);
});

// Hands every file of the folder to the browser as a download, and removes it.
EM_JS(void, downloadPageFiles, (const char* folder), {
    quorlPage.downloadFiles(UTF8ToString(folder));
});

EM_JS(void, setPageMenuMark, (int index, int shows), {
    quorlPage.setMenuMark(index, shows != 0);
});

EM_JS(void, showPageWaitOverlay, (), {
    quorlPage.showWait();
});

EM_JS(void, endPage, (int exitCode), {
    quorlPage.end(exitCode);
});

// Never resolves: the program stops where it is, as a process ends.
EM_ASYNC_JS(void, stopForGood, (), {
    await new Promise(function () {});
});

void webOpenWindow()
{
    openPageWindow(gameWindowTitle());
    for (int32_t i = 0; i < MENU_ENTRY_COUNT; ++i) {
        const MenuEntry& entry = MENU_ENTRIES[i];
        addPageMenuEntry(i, entry.depth, entry.text, entry.command, entry.grayed, entry.radio);
    }
    // With no size stored yet, a page opens as large as fits, up to 4x.
    int32_t stored = 0;
    if (storeReadValue("", "emuWindowScale", &stored) == 0) {
        int32_t fits = pageScaleThatFits();
        emuWindowScale.store(fits < WINDOW_SCALE_MAX ? fits : WINDOW_SCALE_MAX, std::memory_order_relaxed);
    }
    updateMenuChecks();
    updateWindowSize();
}

// The canvas stays the GL drawable of 480 x 272; the page shows it enlarged
// by the window size's whole multiple (less when it does not fit), or as
// large as fits in full screen, pixels kept sharp. The library has nothing
// to enlarge.
void updateWindowSize()
{
    screenAreaWidth.store(SCREEN_WIDTH, std::memory_order_relaxed);
    screenAreaHeight.store(SCREEN_HEIGHT, std::memory_order_relaxed);
    setPageWindowSize(emuWindowScale.load(std::memory_order_relaxed),
                      emuFullScreen.load(std::memory_order_relaxed));
}

int32_t hostPicturesFolder(char* buffer, int32_t size)
{
    int32_t length = static_cast<int32_t>(std::strlen(PICTURES_FOLDER));
    if (buffer == nullptr || size <= length) {
        return -1;
    }
    std::memcpy(buffer, PICTURES_FOLDER, static_cast<size_t>(length) + 1);
    return length;
}

// The game saves the screenshot at its next frame; webDeliverEvents looks
// at it each time the game waits.
void watchScreenshot()
{
    watchingScreenshot = true;
}

void webCheckScreenshot()
{
    if (!watchingScreenshot) {
        return;
    }
    char text[SCREENSHOT_TEXT_BYTES];
    int32_t state = screenshotOutcome(text, sizeof text);
    if (state == SCREENSHOT_PENDING) {
        return;
    }
    watchingScreenshot = false;
    if (state == SCREENSHOT_SAVED) {
        std::string folder = std::string(PICTURES_FOLDER) + "/" + gameApplication();
        downloadPageFiles(folder.c_str());
        showPageTitle(text, SAVED_TITLE_MS);
    } else {
        wsMessageBox(text, gameWindowTitle());
    }
}

void updateMenuChecks()
{
    for (int32_t i = 0; i < MENU_MARK_COUNT; ++i) {
        const MenuMark& mark = MENU_MARKS[i];
        int32_t popupEnd = 0;
        int32_t entry = markedEntry(mark, &popupEnd);
        bool shows = menuMarkShows(mark.command);
        // The first item bearing the command gets the mark; the others of
        // the popup that bear it show none.
        for (int32_t j = entry; entry >= 0 && j < popupEnd; ++j) {
            if (MENU_ENTRIES[j].command == mark.command) {
                setPageMenuMark(j, j == entry && shows ? 1 : 0);
            }
        }
    }
}

void showWaitOverlay()
{
    showPageWaitOverlay();
}

void hostTerminateProcess(int32_t exitCode)
{
    endPage(exitCode);
    // Every call into the program comes from its one thread, which ends here.
    for (;;) {
        stopForGood();
    }
}

// Called by the page as it is left (closed, reloaded, navigated away): the
// program gets no other word of its end.
extern "C" EMSCRIPTEN_KEEPALIVE void webPageLeft()
{
    saveSettings();
}

// The entry of MENU_ENTRIES that a mark goes to, or -1; *popupEnd is the
// index just past the popup it lies in.
static int32_t markedEntry(const MenuMark& mark, int32_t* popupEnd)
{
    // The popup at barPosition in the bar, then the one at popupPosition in it.
    int32_t popup = -1;
    int32_t position = 0;
    for (int32_t i = 0; i < MENU_ENTRY_COUNT && popup < 0; ++i) {
        if (MENU_ENTRIES[i].depth == 0 && position++ == mark.barPosition) {
            popup = i;
        }
    }
    if (popup >= 0 && mark.popupPosition >= 0) {
        int32_t inside = -1;
        position = 0;
        for (int32_t i = popup + 1; i < MENU_ENTRY_COUNT && MENU_ENTRIES[i].depth > 0 && inside < 0; ++i) {
            if (MENU_ENTRIES[i].depth == 1 && position++ == mark.popupPosition) {
                inside = i;
            }
        }
        popup = inside;
    }
    if (popup < 0 || MENU_ENTRIES[popup].command != MENU_POPUP) {
        return -1;
    }
    int32_t end = popup + 1;
    while (end < MENU_ENTRY_COUNT && MENU_ENTRIES[end].depth > MENU_ENTRIES[popup].depth) {
        ++end;
    }
    *popupEnd = end;
    for (int32_t i = popup + 1; i < end; ++i) {
        if (MENU_ENTRIES[i].command == mark.command) {
            return i;
        }
    }
    return -1;
}
