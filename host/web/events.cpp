// The page's events, handed to the library on the game's thread whenever it
// waits: the page queues them (page.js) while the program is suspended, and
// every library call is made here in the order they came.
#include <emscripten.h>

#include "host/web/keymap.h"
#include "host/web/web.h"
#include "quorl/host.h"

// Event kinds, as page.js queues them.
constexpr int32_t WEB_EVENT_KEY_DOWN = 1;
constexpr int32_t WEB_EVENT_KEY_UP = 2;
constexpr int32_t WEB_EVENT_KEYS_LOST = 3;  // the canvas lost the keyboard
constexpr int32_t WEB_EVENT_MENU = 4;       // value: the command
constexpr int32_t WEB_EVENT_HIDDEN = 5;     // the tab went to the background
constexpr int32_t WEB_EVENT_SHOWN = 6;
constexpr int32_t WEB_EVENT_CODE_SIZE = 32;

// The page paused the game when it went to the background; it resumes it
// when it comes back, unless the player changed the pause meanwhile.
static bool pausedByPage = false;

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
        int32_t value = event & 0xFFFF;
        switch (event >> 16) {
        case WEB_EVENT_KEY_DOWN:
            keyEvent(virtualKeyFromCode(code), 1);
            break;
        case WEB_EVENT_KEY_UP:
            keyEvent(virtualKeyFromCode(code), 0);
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
        default:
            break;
        }
    }
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
