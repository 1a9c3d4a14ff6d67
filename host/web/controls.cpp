// The Controls dialog on the page: a modal panel over the whole page with a
// row per console button and stick direction, driven by the library's
// controls model (quorl/host.h). The program waits on it as on a message
// box; keys pressed meanwhile act on the dialog, never on the game.
#include <emscripten.h>

#include "host/web/gl_layer.h"
#include "host/web/web.h"
#include "quorl/host.h"

// How often a waiting pad cell looks at the pads, in milliseconds.
constexpr int32_t CONTROLS_PAD_POLL_MS = 100;

static bool dialogOpen = false;

static void refreshDialog();

EM_JS(void, openPageControls, (), {
    quorlPage.openControls();
});

EM_JS(void, addPageControlsRow, (int row, const char* label), {
    quorlPage.addControlsRow(row, UTF8ToString(label));
});

EM_JS(void, setPageControlsCell, (int row, int column, const char* text), {
    quorlPage.setControlsCell(row, column, UTF8ToString(text));
});

EM_JS(void, setPageControlsStatus, (const char* text, int waiting), {
    quorlPage.setControlsStatus(UTF8ToString(text), waiting != 0);
});

EM_JS(void, closePageControls, (), {
    quorlPage.closeControls();
});

// Resolves when the page queues an event, or after `ms` milliseconds.
EM_ASYNC_JS(void, waitForPageEvent, (int ms), {
    await quorlPage.waitEvent(ms);
});

void showControlsDialog()
{
    if (dialogOpen) {
        return;
    }
    controlsBegin();
    releaseAllKeys();
    glLayerShowFront();
    openPageControls();
    for (int32_t row = 0; row < CONTROL_ROW_COUNT; ++row) {
        addPageControlsRow(row, controlRowLabel(row));
    }
    refreshDialog();
    dialogOpen = true;
    while (dialogOpen) {
        waitForPageEvent(CONTROLS_PAD_POLL_MS);
        webDeliverEvents();
        if (dialogOpen && controlsPadPoll() != 0) {
            refreshDialog();
        }
    }
    closePageControls();
}

bool webControlsEvent(int32_t kind, int32_t value, const char* code)
{
    if (!dialogOpen) {
        return false;
    }
    switch (kind) {
    case WEB_EVENT_CONTROLS_CELL:
        controlsClick(value / 2, value % 2);
        break;
    case WEB_EVENT_CONTROLS_DEFAULTS:
        controlsDefaults();
        break;
    case WEB_EVENT_CONTROLS_OK:
        controlsAccept();
        dialogOpen = false;
        return true;
    case WEB_EVENT_CONTROLS_CANCEL:
        controlsCancel();
        dialogOpen = false;
        return true;
    case WEB_EVENT_KEY_DOWN: {
        int32_t key = virtualKeyOfCode(code);
        if (controlsWaiting() != 0) {
            controlsKey(key);
        } else if (key == KEY_ESCAPE) {
            controlsCancel();
            dialogOpen = false;
            return true;
        }
        break;
    }
    case WEB_EVENT_KEY_UP:
    case WEB_EVENT_KEYS_LOST:
    case WEB_EVENT_MENU:
        // The game has none of the keys meanwhile; the menu is under the dialog.
        return true;
    default:
        return false;
    }
    refreshDialog();
    return true;
}

static void refreshDialog()
{
    for (int32_t row = 0; row < CONTROL_ROW_COUNT; ++row) {
        setPageControlsCell(row, CONTROL_KEYS, controlsCellText(row, CONTROL_KEYS));
        setPageControlsCell(row, CONTROL_PAD, controlsCellText(row, CONTROL_PAD));
    }
    setPageControlsStatus(controlsStatus(), controlsWaiting());
}
