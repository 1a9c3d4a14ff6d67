// The one top-level window of the Qt host. mainWindow points at hostWindow
// once it is shown.
#pragma once

#include <cstdint>

class QLabel;
class QObject;
class QMenuBar;
class QWidget;
class QWindow;

struct HostWindow {
    QWidget* top;          // titled "Quorl Sample", fixed size, not native-menu
    QMenuBar* menuBar;     // the emulation menu, above the screen area; hidden in full screen
    QWidget* screenArea;   // 480x272 times the scale (or the screen), black until GL draws
    QWidget* surfaceHost;  // container of the GL surface inside screenArea (seam)
    QWindow* surface;      // the native GL window (seam)
    QLabel* waitOverlay;   // "Please wait...", a native child raised over the surface
};

extern HostWindow hostWindow;
extern HostWindow* mainWindow;  // null until the window is shown

constexpr int32_t WINDOW_AREA_WIDTH = 480;  // at the scale of 1
constexpr int32_t WINDOW_AREA_HEIGHT = 272;

// Creates and shows the window with its menu (loading the settings) at the
// stored size, takes the keyboard and sets mainWindow. Needs a QApplication. False when the
// window system could not give a window.
bool createMainWindow();

// The window was destroyed from outside: nothing is left to show the overlay
// or to take a second close, so the settings are saved and the process ends.
[[noreturn]] void windowDestroyed();

// Sends the key events of `target` (the GL surface) to the key table too.
void watchHostInput(QObject* target);
