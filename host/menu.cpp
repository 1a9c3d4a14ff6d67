// The emulation menu. Qt flips a checkable action by itself when it is
// triggered; here the marks are decided only by updateMenuChecks, which runs
// after every command and sets each of them from the shared values. An
// action is made checkable only while it carries a mark, so unmarked items
// show no indicator at all.
#include "host/menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "host/host.h"
#include "host/settings.h"
#include "host/window.h"

static QMenu* newPopup(QMenuBar* bar, const char* title);
static void addItem(HostWindow& window, QMenu* menu, const char* text, int32_t command,
                    bool grayed);
static QMenu* popupAt(QMenuBar* bar, int barPosition, int position);
static void checkByCommand(QMenu* popup, int32_t command, bool checked);
static QAction* findCommand(QMenu* popup, int32_t command);
static int32_t toggled(int32_t value);

void buildMenu(HostWindow& window)
{
    QMenuBar* bar = window.menuBar;
    QMenu* application = newPopup(bar, "Application");
    addItem(window, application, "Step frame", CMD_STEP_FRAME, false);
    addItem(window, application, "Pause", CMD_PAUSE, false);
    addItem(window, application, "Quit", CMD_QUIT, false);

    QMenu* performance = newPopup(bar, "Performance");
    addItem(window, performance, "Reuse textures (faster)", CMD_REUSE_TEXTURES, false);
    addItem(window, performance, "Use shaders", CMD_USE_SHADERS, true);
    QMenu* frameskip = newPopup(bar, "Frameskip");
    addItem(window, frameskip, "None", CMD_FRAMESKIP_NONE, false);
    addItem(window, frameskip, "Normal (PC-timed)", CMD_FRAMESKIP_NORMAL, false);
    addItem(window, frameskip, "Frameskip (PC-sided)", CMD_FRAMESKIP_NORMAL, true);

    QMenu* video = newPopup(bar, "Video");
    video->addMenu(performance);
    video->addMenu(frameskip);

    bar->addMenu(application);
    bar->addMenu(video);

    loadSetting("emuReuseTextures", emuReuseTextures);
    loadSetting("emuUsePixelShaders", emuUsePixelShaders);
    loadSetting("emuFrameSkipMode", emuFrameSkipMode);
    updateMenuChecks(window);
}

void updateMenuChecks(HostWindow& window)
{
    QMenuBar* bar = window.menuBar;
    QMenu* application = popupAt(bar, 0, -1);
    QMenu* performance = popupAt(bar, 1, 0);
    QMenu* frameskip = popupAt(bar, 1, 1);
    int32_t mode = emuFrameSkipMode.load(std::memory_order_relaxed);
    checkByCommand(application, CMD_PAUSE, pauseState.load(std::memory_order_relaxed) != 0);
    checkByCommand(performance, CMD_REUSE_TEXTURES,
                   emuReuseTextures.load(std::memory_order_relaxed) != 0);
    checkByCommand(performance, CMD_USE_SHADERS,
                   emuUsePixelShaders.load(std::memory_order_relaxed) != 0);
    checkByCommand(frameskip, CMD_FRAMESKIP_NORMAL, mode == 0);
    checkByCommand(frameskip, CMD_FRAMESKIP_NONE, mode == 1);
}

void menuCommand(HostWindow& window, int32_t command)
{
    switch (command) {
    case CMD_PAUSE:
        pauseState.store(pauseState.load(std::memory_order_relaxed) == PAUSE_RUNNING
                             ? PAUSE_PAUSED
                             : PAUSE_RUNNING,
                         std::memory_order_relaxed);
        break;
    case CMD_STEP_FRAME:
        pauseState.store(PAUSE_STEP, std::memory_order_relaxed);
        break;
    case CMD_QUIT:
        closeRequest();
        return;
    case CMD_REUSE_TEXTURES:
        emuReuseTextures.store(toggled(emuReuseTextures.load(std::memory_order_relaxed)),
                               std::memory_order_relaxed);
        break;
    case CMD_USE_SHADERS:
        emuUsePixelShaders.store(toggled(emuUsePixelShaders.load(std::memory_order_relaxed)),
                                 std::memory_order_relaxed);
        break;
    case CMD_FRAMESKIP_NORMAL:
        emuFrameSkipMode.store(0, std::memory_order_relaxed);
        break;
    case CMD_FRAMESKIP_NONE:
        emuFrameSkipMode.store(1, std::memory_order_relaxed);
        break;
    default:
        return;
    }
    updateMenuChecks(window);
}

// Owned by the bar, so that every popup lives as long as the menu does.
static QMenu* newPopup(QMenuBar* bar, const char* title)
{
    return new QMenu(QString::fromLatin1(title), bar);
}

static void addItem(HostWindow& window, QMenu* menu, const char* text, int32_t command,
                    bool grayed)
{
    QAction* action = menu->addAction(QString::fromLatin1(text));
    action->setData(command);
    action->setEnabled(!grayed);
    HostWindow* target = &window;
    QObject::connect(action, &QAction::triggered, action,
                     [target, command] { menuCommand(*target, command); });
}

// The popup at `barPosition` in the bar, or the one at `position` inside it.
static QMenu* popupAt(QMenuBar* bar, int barPosition, int position)
{
    QList<QAction*> barItems = bar->actions();
    if (barPosition >= barItems.size() || !barItems[barPosition]->menu()) {
        return nullptr;
    }
    QMenu* popup = barItems[barPosition]->menu();
    if (position < 0) {
        return popup;
    }
    QList<QAction*> items = popup->actions();
    return position < items.size() ? items[position]->menu() : nullptr;
}

static void checkByCommand(QMenu* popup, int32_t command, bool checked)
{
    QAction* action = popup ? findCommand(popup, command) : nullptr;
    if (!action) {
        return;
    }
    action->setCheckable(checked);
    action->setChecked(checked);
}

// Depth first, in display order: the first item bearing the command.
static QAction* findCommand(QMenu* popup, int32_t command)
{
    for (QAction* action : popup->actions()) {
        if (action->menu()) {
            if (QAction* found = findCommand(action->menu(), command)) {
                return found;
            }
        } else if (action->data().isValid() && action->data().toInt() == command) {
            return action;
        }
    }
    return nullptr;
}

static int32_t toggled(int32_t value)
{
    return value == 0 ? 1 : 0;
}
