// The page's events, handed to the library on the game's thread whenever it
// waits: the page queues them (page.js) while the program is suspended, and
// every library call is made here in the order they came. Keys come by
// their KeyboardEvent.code, the names the key bindings use.
#include <emscripten.h>

#include "host/web/web.h"
#include "quorl/host.h"

constexpr int32_t WEB_EVENT_CODE_SIZE = 32;
constexpr int32_t WEB_KEY_ALT = 1;  // a key event's value: Alt was held

// The page paused the game when it went to the background; it resumes it
// when it comes back, unless the player changed the pause meanwhile.
static bool pausedByPage = false;

static void keyDown(int32_t virtualKey, int32_t value);
static void pageHidden(bool hidden);

// The next queued event as kind << 16 | value, with a key's code in `code`;
// -1 when the queue is empty.
EM_JS(int, takePageEvent, (char* code, int size), {
    var event = quorlPage.events.shift();
    if (!event) {
        return -1;
    }
    stringToUTF8(event.code || "", code, size);
    return event.kind << 16 | event.value;
});

void webDeliverEvents()
{
    char code[WEB_EVENT_CODE_SIZE];
    for (int32_t event = takePageEvent(code, sizeof code); event >= 0;
         event = takePageEvent(code, sizeof code)) {
        int32_t kind = event >> 16;
        int32_t value = event & 0xFFFF;
        if (webControlsEvent(kind, value, code)) {
            continue;
        }
        switch (kind) {
        case WEB_EVENT_KEY_DOWN:
            keyDown(virtualKeyOfCode(code), value);
            break;
        case WEB_EVENT_KEY_UP:
            keyEvent(virtualKeyOfCode(code), 0);
            break;
        case WEB_EVENT_KEYS_LOST:
            releaseAllKeys();
            break;
        case WEB_EVENT_MENU:
            menuCommand(value);
            // A page can be closed at any moment without telling the
            // program: the store follows every change.
            saveSettings();
            break;
        case WEB_EVENT_HIDDEN:
            pageHidden(true);
            break;
        case WEB_EVENT_SHOWN:
            pageHidden(false);
            break;
        case WEB_EVENT_FULL_SCREEN_LEFT:
            // The browser left full screen on its own (Escape): the setting follows.
            if (emuFullScreen.load(std::memory_order_relaxed) != 0) {
                menuCommand(CMD_FULL_SCREEN);
                saveSettings();
            }
            break;
        default:
            break;
        }
    }
    webCheckScreenshot();
}

// F11 and Alt+Enter switch full screen, as on the desktop; every other key
// goes to the key table.
static void keyDown(int32_t virtualKey, int32_t value)
{
    if (virtualKey == KEY_F11 || (virtualKey == KEY_RETURN && (value & WEB_KEY_ALT) != 0)) {
        menuCommand(CMD_FULL_SCREEN);
        saveSettings();
        return;
    }
    keyEvent(virtualKey, 1);
}

static void pageHidden(bool hidden)
{
    int32_t state = pauseState.load(std::memory_order_relaxed);
    if (hidden && state == PAUSE_RUNNING) {
        pauseState.store(PAUSE_PAUSED, std::memory_order_relaxed);
        pausedByPage = true;
        updateMenuChecks();
    } else if (!hidden && pausedByPage) {
        if (state == PAUSE_PAUSED) {
            pauseState.store(PAUSE_RUNNING, std::memory_order_relaxed);
            updateMenuChecks();
        }
        pausedByPage = false;
    }
}
