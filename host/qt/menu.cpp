// The emulation menu on Qt. Qt flips a checkable action by itself when it is
// triggered; here the marks are decided only by updateMenuChecks, which runs
// after every command and sets each of them from the shared values. An
// action is made checkable only while it carries a mark, so unmarked items
// show no indicator at all.
#include "host/qt/menu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include "host/qt/window.h"
#include "quorl/host.h"

static void addItem(QMenu* menu, const MenuEntry& entry);
static QMenu* popupAt(QMenuBar* bar, int barPosition, int position);
static void checkByCommand(QMenu* popup, int32_t command, bool checked);
static QAction* findCommand(QMenu* popup, int32_t command);

void buildMenu()
{
    QMenuBar* bar = hostWindow.menuBar;
    // menus[d] is the popup that entries of depth d + 1 go into. Popups are
    // owned by the bar, so that every one lives as long as the menu does.
    QMenu* menus[3] = {};
    for (int32_t i = 0; i < MENU_ENTRY_COUNT; ++i) {
        const MenuEntry& entry = MENU_ENTRIES[i];
        if (entry.command == MENU_SEPARATOR) {
            menus[entry.depth - 1]->addSeparator();
            continue;
        }
        if (entry.command != MENU_POPUP) {
            addItem(menus[entry.depth - 1], entry);
            continue;
        }
        QMenu* popup = new QMenu(QString::fromUtf8(entry.text), bar);
        if (entry.depth == 0) {
            bar->addMenu(popup);
        } else {
            menus[entry.depth - 1]->addMenu(popup);
        }
        menus[entry.depth] = popup;
    }

    loadSettings();
    updateMenuChecks();
}

void updateMenuChecks()
{
    if (!hostWindow.menuBar) {
        return;
    }
    for (int32_t i = 0; i < MENU_MARK_COUNT; ++i) {
        const MenuMark& mark = MENU_MARKS[i];
        checkByCommand(popupAt(hostWindow.menuBar, mark.barPosition, mark.popupPosition), mark.command,
                       menuMarkShows(mark.command));
    }
}

// Radio items of a popup share one group, which makes Qt draw their marks as
// radio marks; the marks themselves still come from updateMenuChecks.
static void addItem(QMenu* menu, const MenuEntry& entry)
{
    QAction* action = menu->addAction(QString::fromUtf8(entry.text));
    action->setData(entry.command);
    action->setEnabled(entry.grayed == 0);
    if (entry.radio != 0) {
        auto* group = menu->findChild<QActionGroup*>(QString(), Qt::FindDirectChildrenOnly);
        if (!group) {
            group = new QActionGroup(menu);
            group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
        }
        group->addAction(action);
    }
    int32_t command = entry.command;
    QObject::connect(action, &QAction::triggered, action, [command] { menuCommand(command); });
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
