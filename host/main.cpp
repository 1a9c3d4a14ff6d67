// The process entry: the Qt application, the main window, the game thread and
// the first thread's event loop.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "emu/timing.h"
#include "game/game.h"
#include "host/host.h"
#include "host/window.h"

static std::thread gameThread;
static QtMessageHandler defaultMessageHandler;

static void prepareEnvironment();
static void startUpMessageHandler(QtMsgType type, const QMessageLogContext& context,
                                  const QString& message);

int main()
{
    prepareEnvironment();
    // The program takes no command line; Qt gets a fixed one so that no
    // argument can change its behaviour.
    static int qtArgc = 1;
    static char qtProgramName[] = "quorl";
    static char* qtArgv[] = {qtProgramName, nullptr};

    // Until the window is up, a fatal Qt error (no display, no platform
    // plugin) stops the program with its message and exit code 1 instead of
    // an abort.
    defaultMessageHandler = qInstallMessageHandler(startUpMessageHandler);
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QCoreApplication::setApplicationName(QStringLiteral("Quorl"));  // the window class
    QApplication application(qtArgc, qtArgv);
    application.setQuitOnLastWindowClosed(false);
    if (!createMainWindow()) {
        std::fprintf(stderr, "quorl: the main window could not be created\n");
        return 1;
    }
    qInstallMessageHandler(defaultMessageHandler);

    try {
        gameThread = std::thread(gameThreadEntry);
    } catch (const std::system_error& error) {
        // A window with no game behind it could only be closed twice.
        std::fprintf(stderr, "quorl: the game thread could not be started: %s\n", error.what());
        endProcess(1);
    }
    int exitCode = application.exec();
    endProcess(exitCode);
}

void gameThreadEntry()
{
    captureTimeBase();
    gameMain();
}

// Qt's own scaling would turn the 480x272 area into 960x544 on a 192-dpi
// screen; the console's screen is measured in device pixels.
static void prepareEnvironment()
{
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
}

static void startUpMessageHandler(QtMsgType type, const QMessageLogContext& context,
                                  const QString& message)
{
    if (type != QtFatalMsg) {
        if (defaultMessageHandler) {
            defaultMessageHandler(type, context, message);
        } else {
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
        }
        return;
    }
    std::fprintf(stderr, "quorl: the main window could not be created: %s\n",
                 qPrintable(message));
    std::fflush(stderr);
    std::_Exit(1);
}
