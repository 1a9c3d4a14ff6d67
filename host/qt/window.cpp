// The main window: a screen area of 480x272 times the window scale under a
// non-native menu bar, fixed in size, or the whole screen without the menu
// bar. Key presses and releases fill the key table by virtual-key code; the
// close box, Escape and "Quit" are close requests, handled in two stages.
#include "host/qt/window.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
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

// An Alt press with no other key before its release; in full screen, where
// the menu bar is hidden, it brings the menu bar back as F10 does.
static bool altAlone = false;
// F11 or Enter went down as a full-screen key and is not up yet: the X
// server's repeats of a held key come as presses Qt does not always mark as
// repeated, and each would switch again. (A release that goes to another
// window costs one press that does nothing.)
static bool fullScreenKeyHeld = false;

static bool handleKey(QKeyEvent* event);
static void openMenuBar();
static void screenAreaResized();
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
    area->setFixedSize(WINDOW_AREA_WIDTH, WINDOW_AREA_HEIGHT);  // until updateWindowSize
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
    area->installEventFilter(hostEvents);

    top->show();
    updateWindowSize();
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

// The window takes the size the layout gives it: the area's fixed size plus
// the menu bar's height. In full screen the area is the screen's size and
// the menu bar is hidden.
void updateWindowSize()
{
    HostWindow& window = hostWindow;
    if (!window.top) {
        return;
    }
    QScreen* screen = window.top->screen();
    if (emuFullScreen.load(std::memory_order_relaxed) != 0) {
        window.menuBar->hide();
        window.screenArea->setFixedSize(screen->geometry().size());
        window.top->showFullScreen();
        // Without a window manager nothing moves the window to the corner,
        // nor gives the keyboard back to a window shown anew.
        window.top->move(screen->geometry().topLeft());
        window.top->activateWindow();
        return;
    }
    window.menuBar->show();
    if (window.top->isFullScreen()) {
        window.top->showNormal();
        window.top->activateWindow();
    }
    // The room the screen leaves for the area: its free part less the
    // window's frame and the menu bar.
    QRect room = screen->availableGeometry();
    QSize frame = window.top->frameGeometry().size() - window.top->geometry().size();
    int32_t scale = windowScaleThatFits(emuWindowScale.load(std::memory_order_relaxed),
                                        room.width() - frame.width(),
                                        room.height() - frame.height() - window.menuBar->sizeHint().height());
    window.screenArea->setFixedSize(WINDOW_AREA_WIDTH * scale, WINDOW_AREA_HEIGHT * scale);
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
    case QEvent::Resize:
        if (watched == hostWindow.screenArea) {
            screenAreaResized();
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
// does in desktop programs; Qt's menu bar only answers Alt. F11 and
// Alt+Enter switch full screen on and off, once per press.
static bool handleKey(QKeyEvent* event)
{
    bool down = event->type() == QEvent::KeyPress;
    if (!down && event->isAutoRepeat()) {
        return true;  // a held key stays down
    }
    int key = event->key();
    bool firstPress = down && !event->isAutoRepeat();
    bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (down) {
        altAlone = key == Qt::Key_Alt && (firstPress || altAlone);
    }
    // Their releases go on below, so that a key held from before is let go.
    if (down && (key == Qt::Key_F11 || (enter && (event->modifiers() & Qt::AltModifier)))) {
        if (firstPress && !fullScreenKeyHeld) {
            menuCommand(CMD_FULL_SCREEN);
        }
        fullScreenKeyHeld = true;
        return true;
    }
    if (!down && (key == Qt::Key_F11 || enter)) {
        fullScreenKeyHeld = false;
    }
    bool systemKey = isSystemKey(key, event->modifiers());
    if (firstPress && key == Qt::Key_F10) {
        openMenuBar();
    }
    if (!down && key == Qt::Key_Alt && altAlone && emuFullScreen.load(std::memory_order_relaxed) != 0) {
        openMenuBar();
    }
    int32_t code = virtualKeyFromQt(key, event->modifiers(), event->nativeVirtualKey());
    if (!down || !systemKey) {
        keyEvent(code, down ? 1 : 0);
    }
    return !systemKey;
}

// In full screen the menu bar is hidden: the window comes back first.
static void openMenuBar()
{
    if (emuFullScreen.load(std::memory_order_relaxed) != 0) {
        menuCommand(CMD_FULL_SCREEN);
    }
    QMenuBar* bar = hostWindow.menuBar;
    if (bar && !bar->actions().isEmpty()) {
        bar->setActiveAction(bar->actions().first());
    }
}

// The GL surface and the overlay cover the whole area; the library learns
// the drawable's new size.
static void screenAreaResized()
{
    QSize size = hostWindow.screenArea->size();
    if (hostWindow.surfaceHost) {
        hostWindow.surfaceHost->setGeometry(0, 0, size.width(), size.height());
    }
    if (hostWindow.waitOverlay) {
        hostWindow.waitOverlay->setGeometry(0, 0, size.width(), size.height());
    }
    screenAreaWidth.store(size.width(), std::memory_order_relaxed);
    screenAreaHeight.store(size.height(), std::memory_order_relaxed);
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
