// The process entry: the Qt application, the main window, the game thread and
// the first thread's event loop.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "host/qt/signals.h"
#include "host/qt/window.h"
#include "quorl/host.h"

static QtMessageHandler defaultMessageHandler;
static bool windowShown;  // set once, before the game thread starts

static bool prepareEnvironment();
static void fatalMessageHandler(QtMsgType type, const QMessageLogContext& context,
                                const QString& message);

int main()
{
    catchEndSignals();
    if (!prepareEnvironment()) {
        std::fprintf(stderr, "quorl: the main window could not be created: there is no X display "
                             "(DISPLAY is not set); on a Wayland desktop Quorl runs through "
                             "XWayland\n");
        return 1;
    }
    // The program takes no command line; Qt gets a fixed one so that no
    // argument can change its behaviour.
    static int qtArgc = 1;
    static char qtProgramName[] = "quorl";
    static char* qtArgv[] = {qtProgramName, nullptr};

    // A fatal Qt error stops the program with its message and exit code 1
    // instead of an abort: before the window is up (no display, no platform
    // plugin) as it is, afterwards with the settings saved.
    defaultMessageHandler = qInstallMessageHandler(fatalMessageHandler);
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QCoreApplication::setApplicationName(QStringLiteral("Quorl"));  // the window class
    QApplication application(qtArgc, qtArgv);
    application.setQuitOnLastWindowClosed(false);
    if (!createMainWindow()) {
        std::fprintf(stderr, "quorl: the main window could not be created\n");
        return 1;
    }
    windowShown = true;
    chooseDataFolder(QCoreApplication::applicationDirPath().toLocal8Bit().constData(), DATA_UNDER_PREFIX);
    // Only now: ending saves the settings, which must have been loaded first.
    watchEndSignals();

    try {
        // Nothing waits for the game thread: the process ends while it runs.
        std::thread(gameThreadEntry).detach();
    } catch (const std::system_error& error) {
        // A window with no game behind it could only be closed twice.
        std::fprintf(stderr, "quorl: the game thread could not be started: %s\n", error.what());
        endProcess(1);
    }
    endSafelyOnExit();
    int exitCode = application.exec();
    endProcess(exitCode);
}

// Qt's own scaling would turn the 480x272 area into 960x544 on a 192-dpi
// screen; the console's screen is measured in device pixels. The window
// relies on X11 (detectable auto-repeat, the watch for its destruction, a
// native GL child under the wait overlay), so it runs on X11 whatever
// platform Qt would pick: on a Wayland desktop, through XWayland. False when
// there is no X display to run on.
static bool prepareEnvironment()
{
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
    qputenv("QT_QPA_PLATFORM", "xcb");
    return !qEnvironmentVariableIsEmpty("DISPLAY");
}

static void fatalMessageHandler(QtMsgType type, const QMessageLogContext& context,
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
    if (!windowShown) {
        std::fprintf(stderr, "quorl: the main window could not be created: %s\n",
                     qPrintable(message));
        std::fflush(stderr);
        std::_Exit(1);
    }
    std::fprintf(stderr, "quorl: %s\n", qPrintable(message));
    endProcess(1);
}
