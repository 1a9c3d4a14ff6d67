// Signals reach the first thread through a pipe: the handler does nothing
// but write one byte, which is all a signal handler may safely do, and a
// socket notifier on the first thread's event loop reads it.
#include "host/qt/signals.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <atomic>
#include <cstdint>
#include <cstdio>

#include "quorl/host.h"

static int signalPipe[2] = {-1, -1};
static std::atomic<int32_t> exitHandled{0};

static void onEndSignal(int signalNumber);
static void onExit(int status, void* unused);

void hostTerminateProcess(int32_t exitCode)
{
    _Exit(exitCode);
}

void catchEndSignals()
{
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;  // the default actions stay
    }
    struct sigaction action = {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signalNumber, &action, nullptr);
    }
}

void watchEndSignals()
{
    if (signalPipe[0] < 0) {
        return;
    }
    // Owned by the application object, which lives until the process ends.
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] { endProcess(0); });
}

// Handlers registered later run earlier: registered once the window and its
// settings are up, this runs before the destructors of what existed by then
// (the game thread's record among them), and ends the process in their place.
void endSafelyOnExit()
{
    exitHandled.store(1, std::memory_order_relaxed);
    on_exit(onExit, nullptr);
}

// The handler ends the process, so the copies further down never run.
void keepExitHandlerFirst()
{
    if (exitHandled.load(std::memory_order_relaxed) != 0) {
        on_exit(onExit, nullptr);
    }
}

static void onEndSignal(int)
{
    int savedErrno = errno;
    const char request = 1;
    ssize_t written = write(signalPipe[1], &request, 1);
    (void)written;  // a full pipe already holds a request
    errno = savedErrno;
}

static void onExit(int status, void*)
{
    endProcess(status);
}
