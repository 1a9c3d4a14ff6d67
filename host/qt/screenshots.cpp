// The player's screenshots on Qt: the pictures folder from Qt's standard
// locations, and the outcome in the window's title or a message box.
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>
#include <cstring>

#include "host/qt/window.h"
#include "quorl/host.h"

constexpr int SCREENSHOT_POLL_MS = 30;
constexpr int SAVED_TITLE_MS = 2000;
constexpr int32_t OUTCOME_TEXT_BYTES = 1024;

static int titleGeneration = 0;  // the last "Saved" title's, so an older one's timer leaves it

static void lookAtScreenshot();

int32_t hostPicturesFolder(char* buffer, int32_t size)
{
    QByteArray folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation).toUtf8();
    if (folder.isEmpty() || buffer == nullptr || size <= folder.size()) {
        return -1;
    }
    std::memcpy(buffer, folder.constData(), static_cast<size_t>(folder.size()) + 1);
    return static_cast<int32_t>(folder.size());
}

void watchScreenshot()
{
    QTimer::singleShot(SCREENSHOT_POLL_MS, hostWindow.top, lookAtScreenshot);
}

static void lookAtScreenshot()
{
    char text[OUTCOME_TEXT_BYTES];
    int32_t state = screenshotOutcome(text, sizeof(text));
    if (state == SCREENSHOT_PENDING) {
        watchScreenshot();
        return;
    }
    if (state == SCREENSHOT_FAILED) {
        QMessageBox box(QMessageBox::Warning, QString::fromUtf8(gameWindowTitle()), QString::fromUtf8(text),
                        QMessageBox::Ok, hostWindow.top);
        // A bare X server has no window manager to give the box the keyboard.
        QTimer::singleShot(0, &box, [&box] { box.activateWindow(); });
        box.exec();
        hostWindow.top->activateWindow();
        return;
    }
    hostWindow.top->setWindowTitle(QString::fromUtf8(text));
    int generation = ++titleGeneration;
    QTimer::singleShot(SAVED_TITLE_MS, hostWindow.top, [generation] {
        if (generation == titleGeneration) {
            hostWindow.top->setWindowTitle(QString::fromUtf8(gameWindowTitle()));
        }
    });
}
