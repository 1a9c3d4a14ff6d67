// The main window: a fixed 480x272 screen area under a non-native menu bar.
// Key presses and releases fill the key table by virtual-key code; the close
// box, Escape and "Quit" are close requests, handled in two stages.
#include "host/qt/window.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <cstdlib>

#include "host/qt/keymap.h"
#include "host/qt/menu.h"
#include "host/qt/x11.h"
#include "quorl/host.h"

namespace {

// Routes the window's key and close events to the host; watches the top-level
// widget and the GL surface (which has the keyboard if it was clicked).
struct HostEvents : QObject {
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace

HostWindow hostWindow;
HostWindow* mainWindow = nullptr;
static HostEvents* hostEvents;  // owned by the top-level widget

static const QRgb OVERLAY_BACKGROUND = qRgb(0x20, 0x20, 0x20);
static const QRgb OVERLAY_TEXT = qRgb(0xE8, 0xE8, 0xE8);

static bool handleKey(QKeyEvent* event);
static void openMenuBar();
static QLabel* createWaitOverlay(QWidget* parent);

bool createMainWindow()
{
    auto* top = new QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                         Qt::WindowCloseButtonHint);
    top->setWindowTitle(QString::fromUtf8(gameWindowTitle()));
    top->setFocusPolicy(Qt::StrongFocus);

    auto* layout = new QVBoxLayout(top);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // no resizing, no maximising

    auto* bar = new QMenuBar(top);
    bar->setNativeMenuBar(false);
    layout->setMenuBar(bar);

    auto* area = new QWidget(top);
    area->setFixedSize(WINDOW_AREA_WIDTH, WINDOW_AREA_HEIGHT);
    QPalette black = area->palette();
    black.setColor(QPalette::Window, Qt::black);
    area->setPalette(black);
    area->setAutoFillBackground(true);
    layout->addWidget(area);

    hostWindow = HostWindow{top, bar, area, nullptr, nullptr, createWaitOverlay(area)};
    buildMenu();
    hostEvents = new HostEvents;
    hostEvents->setParent(top);
    top->installEventFilter(hostEvents);

    top->show();
    if (!top->windowHandle() || !top->windowHandle()->handle()) {
        return false;
    }
    // A bare X server has no window manager to hand out the focus.
    top->activateWindow();
    top->setFocus();
    enableDetectableAutoRepeat();
    endOnLostServer();
    watchForDestruction(top->winId());
    mainWindow = &hostWindow;
    return true;
}

void watchHostInput(QObject* target)
{
    if (hostEvents) {
        target->installEventFilter(hostEvents);
    }
}

void showWaitOverlay()
{
    if (!hostWindow.waitOverlay) {
        return;
    }
    hostWindow.waitOverlay->show();
    hostWindow.waitOverlay->raise();  // over the native GL window, which came later
}

void windowDestroyed()
{
    endProcess(0);
}

bool HostEvents::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return handleKey(static_cast<QKeyEvent*>(event));
    case QEvent::Close:
        if (watched == hostWindow.top) {
            event->ignore();  // the window stays; the game ends the program
            closeRequest();
            return true;
        }
        return false;
    case QEvent::FocusOut:
    case QEvent::WindowDeactivate:
        // A menu opened, or another window took the keyboard: the releases of
        // the keys held now go elsewhere, so none may stay down here.
        if (watched == hostWindow.top) {
            releaseAllKeys();
        }
        return false;
    default:
        return false;
    }
}

// Keys the system keeps (Alt, F10) are left to the menu bar; their presses
// never reach the table, but every release clears its entry so that no key
// stays stuck down after an Alt combination. F10 opens the menu bar, as it
// does in desktop programs; Qt's menu bar only answers Alt.
static bool handleKey(QKeyEvent* event)
{
    bool down = event->type() == QEvent::KeyPress;
    if (!down && event->isAutoRepeat()) {
        return true;  // a held key stays down
    }
    bool systemKey = isSystemKey(event->key(), event->modifiers());
    if (down && event->key() == Qt::Key_F10 && !event->isAutoRepeat()) {
        openMenuBar();
    }
    int32_t code = virtualKeyFromQt(event->key(), event->modifiers(), event->nativeVirtualKey());
    if (!down || !systemKey) {
        keyEvent(code, down ? 1 : 0);
    }
    return !systemKey;
}

static void openMenuBar()
{
    QMenuBar* bar = hostWindow.menuBar;
    if (bar && !bar->actions().isEmpty()) {
        bar->setActiveAction(bar->actions().first());
    }
}

// A native child, so that once raised it really covers the native GL window
// beside it; a plain widget would be painted underneath.
static QLabel* createWaitOverlay(QWidget* parent)
{
    auto* overlay = new QLabel(QStringLiteral("Please wait..."), parent);
    overlay->setAttribute(Qt::WA_NativeWindow);
    overlay->setGeometry(0, 0, WINDOW_AREA_WIDTH, WINDOW_AREA_HEIGHT);
    overlay->setAlignment(Qt::AlignCenter);
    QPalette colours = overlay->palette();
    colours.setColor(QPalette::Window, QColor(OVERLAY_BACKGROUND));
    colours.setColor(QPalette::WindowText, QColor(OVERLAY_TEXT));
    overlay->setPalette(colours);
    overlay->setAutoFillBackground(true);
    QFont font = overlay->font();
    font.setPointSize(font.pointSize() + 4);
    overlay->setFont(font);
    overlay->hide();
    return overlay;
}
