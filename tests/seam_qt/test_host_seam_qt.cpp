// The Qt side of the window-system seam on the X server of the test run: a
// game thread creates its context on the real window, draws and swaps, and
// the pixels are read back from the screen. Built apart from the test_*.cpp
// programs, which link the headless seam instead.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QOpenGLContext>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "quorl/host.h"
#include "host/qt/window.h"

// This program has no game; the window still needs its names.
const GameInfo gameInfo = {"Quorl Sample", "Quorl", "Configuration", nullptr};
void gameMain()
{
}

namespace {

// The pixel format the library asks for.
const PixelFormatDescription REQUEST = {32, 8, 0, 8, 8, 8, 16, 8, 24, 32, 0, 1, 0};

// One game thread for the whole process, as in the program: the context it
// creates may never be current on another thread. Jobs run on it one at a
// time while the first thread keeps handling events.
struct GameThread {
    std::mutex mutex;
    std::condition_variable wake;
    std::function<void()> job;
    std::atomic<bool> busy{false};
    std::thread thread;
};

GameThread* game;
int32_t createResult = -1;

// The seam's two set-up steps, as initLibrary takes them.
int32_t selectAndCreate(const PixelFormatDescription& request)
{
    int32_t result = wsSelectPixelFormat(request);
    return result != WS_OK ? result : wsCreateContext();
}

template <typename Predicate>
bool waitFor(Predicate done, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void startJob(std::function<void()> job)
{
    std::lock_guard<std::mutex> lock(game->mutex);
    game->busy = true;
    game->job = std::move(job);
    game->wake.notify_one();
}

// Runs `job` on the game thread and handles events until it is done.
void runOnGameThread(std::function<void()> job)
{
    startJob(std::move(job));
    ASSERT_TRUE(waitFor([] { return !game->busy; }));
}

void gameLoop()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> lock(game->mutex);
            game->wake.wait(lock, [] { return static_cast<bool>(game->job); });
            job = std::move(game->job);
            game->job = nullptr;
        }
        job();
        game->busy = false;
    }
}

// The window, with the game thread's context on it.
void setUp()
{
    if (game) {
        return;
    }
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    static int argc = 1;
    static char name[] = "test_host_seam_qt";
    static char* argv[] = {name, nullptr};
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    new QApplication(argc, argv);
    static QTemporaryDir settingsDir;
    qputenv("XDG_CONFIG_HOME", settingsDir.path().toLocal8Bit());
    ASSERT_TRUE(createMainWindow());
    ASSERT_TRUE(waitFor([] { return hostWindow.top->windowHandle()->isExposed(); }));
    game = new GameThread;
    game->thread = std::thread(gameLoop);
    game->thread.detach();  // ends with the process, as the game thread does
    runOnGameThread([] { createResult = selectAndCreate(REQUEST); });
    ASSERT_EQ(createResult, WS_OK);
    ASSERT_TRUE(waitFor([] { return hostWindow.surface && hostWindow.surface->isExposed(); }));
}

void clearAndSwap(float red, float green, float blue, float alpha)
{
    runOnGameThread([=] {
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glClearColor(red, green, blue, alpha);
        glClear(GL_COLOR_BUFFER_BIT);
        wsSwapBuffers();
        glFinish();
    });
}

QImage grabScreenArea()
{
    QCoreApplication::processEvents();
    QPoint origin = hostWindow.screenArea->mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, origin.x(), origin.y(), WINDOW_AREA_WIDTH, WINDOW_AREA_HEIGHT)
        .toImage();
}

// Every pixel of the area, or the count of those that differ.
int pixelsOtherThan(const QImage& image, QRgb colour)
{
    int other = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            other += (image.pixel(x, y) & 0xFFFFFF) != (colour & 0xFFFFFF);
        }
    }
    return other;
}

}  // namespace

TEST(HostSeamQt, ContextIsCurrentOnTheGameThreadWithTheRequestedFormat)
{
    setUp();
    PixelFormatDescription format{};
    bool currentHere = false;
    GLint doubleBuffered = 0, alphaBits = 0;
    void* blendEquation = nullptr;
    void* unknown = reinterpret_cast<void*>(1);
    runOnGameThread([&] {
        currentHere = QOpenGLContext::currentContext() != nullptr;
        wsDescribePixelFormat(&format);
        glGetIntegerv(GL_DOUBLEBUFFER, &doubleBuffered);
        glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
        blendEquation = wsGetProcAddress("glBlendEquation");
        unknown = wsGetProcAddress(nullptr);
    });
    EXPECT_TRUE(currentHere);
    EXPECT_EQ(QOpenGLContext::currentContext(), nullptr) << "never current on the first thread";
    EXPECT_EQ(doubleBuffered, 1);
    EXPECT_EQ(format.doubleBuffer, 1);
    EXPECT_EQ(format.redBits, 8);
    EXPECT_EQ(format.greenBits, 8);
    EXPECT_EQ(format.blueBits, 8);
    EXPECT_EQ(format.alphaBits, 8);
    EXPECT_EQ(alphaBits, 8);
    EXPECT_EQ(format.colorBits, 32);
    EXPECT_EQ(format.stencilBits, 0);
    EXPECT_GE(format.depthBits, 24);
    RecordProperty("depthBits", format.depthBits);
    RecordProperty("shifts", std::to_string(format.redShift) + "/" + std::to_string(format.greenShift) +
                                 "/" + std::to_string(format.blueShift) + "/" +
                                 std::to_string(format.alphaShift));
    EXPECT_EQ(format.needPalette, 0);
    // The channels sit in distinct bytes of the X visual.
    EXPECT_EQ((format.redShift | format.greenShift | format.blueShift | format.alphaShift) % 8, 0);
    EXPECT_NE(format.redShift, format.blueShift);
    EXPECT_EQ(format.alphaShift, 24);
    EXPECT_NE(blendEquation, nullptr);
    EXPECT_EQ(unknown, nullptr);
    // The surface fills the screen area exactly.
    EXPECT_EQ(hostWindow.surfaceHost->geometry(), QRect(0, 0, 480, 272));
    EXPECT_EQ(hostWindow.surfaceHost->parentWidget(), hostWindow.screenArea);
}

TEST(HostSeamQt, SwappedFramesReachTheScreenOpaque)
{
    setUp();
    clearAndSwap(0.0f, 0.0f, 1.0f, 1.0f);
    EXPECT_TRUE(waitFor([] { return pixelsOtherThan(grabScreenArea(), qRgb(0, 0, 255)) == 0; }))
        << "the blue frame fills the area";
    // The surface has an alpha channel, so X gives it an ARGB visual; a
    // frame whose alpha is 0 must still show its colour, not what lies below.
    clearAndSwap(1.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_TRUE(waitFor([] { return pixelsOtherThan(grabScreenArea(), qRgb(255, 0, 0)) == 0; }))
        << "transparent red shows as red";
    clearAndSwap(0.0f, 1.0f, 0.0f, 0.5f);
    EXPECT_TRUE(waitFor([] { return pixelsOtherThan(grabScreenArea(), qRgb(0, 255, 0)) == 0; }))
        << "half-transparent green shows as green";
}

TEST(HostSeamQt, WaitOverlayCoversTheDrawingSurface)
{
    setUp();
    clearAndSwap(1.0f, 1.0f, 0.0f, 1.0f);
    ASSERT_TRUE(waitFor([] { return pixelsOtherThan(grabScreenArea(), qRgb(255, 255, 0)) == 0; }));
    quitRequested = 0;
    closeRequest();
    ASSERT_EQ(quitRequested.load(), 1);
    // The game goes on drawing until it sees the flag; its frames stay hidden.
    for (int frame = 0; frame < 10; ++frame) {
        clearAndSwap(1.0f, 1.0f, 0.0f, 1.0f);
    }
    QImage area;
    EXPECT_TRUE(waitFor([&] {
        area = grabScreenArea();
        return (area.pixel(1, 1) & 0xFFFFFF) == 0x202020u;
    }));
    EXPECT_EQ(pixelsOtherThan(area, qRgb(255, 255, 0)), 480 * 272) << "no yellow shows through";
    hostWindow.waitOverlay->hide();
    quitRequested = 0;
}

// The box runs its own event loop on the first thread, so the checks run
// from a timer inside that loop.
TEST(HostSeamQt, MessageBoxWaitsForOkWithoutBlockingTheWindow)
{
    setUp();
    QMessageBox* box = nullptr;
    bool gameWaited = false;
    bool windowTookClose = false;
    QTimer checker;
    QObject::connect(&checker, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* candidate = qobject_cast<QMessageBox*>(widget);
            if (!box && candidate && candidate->isVisible()) {
                box = candidate;
                checker.setInterval(200);  // let the game thread show that it waits
                return;
            }
        }
        if (!box) {
            return;
        }
        checker.stop();
        gameWaited = game->busy;
        EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
        quitRequested = 0;
        hostWindow.top->close();
        windowTookClose = quitRequested.load() == 1;
        hostWindow.waitOverlay->hide();
        quitRequested = 0;
        EXPECT_EQ(box->text(), "GL_ARB_shader_objects extension not supported!");
        EXPECT_EQ(box->windowTitle(), "Error");
        ASSERT_EQ(box->buttons().size(), 1);
        EXPECT_EQ(box->standardButton(box->buttons()[0]), QMessageBox::Ok);
        box->buttons()[0]->click();
    });
    checker.start(10);
    runOnGameThread([] { wsMessageBox("GL_ARB_shader_objects extension not supported!", "Error"); });
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(gameWaited) << "the game thread waits for OK";
    EXPECT_TRUE(windowTookClose) << "a close still reaches the window behind the box";
    EXPECT_TRUE(waitFor([] { return QApplication::activeWindow() == hostWindow.top; }))
        << "the keyboard goes back to the main window";
}

// A window takes its pixel format when it is made, so another format needs a
// new surface in the place of the old one, still under the wait overlay.
TEST(HostSeamQt, AnotherFormatGetsANewSurfaceInThePlaceOfTheOld)
{
    setUp();
    WId before = hostWindow.surface->winId();
    quitRequested = 0;
    closeRequest();
    PixelFormatDescription singleBuffered = REQUEST;
    singleBuffered.doubleBuffer = 0;
    singleBuffered.depthBits = 24;
    int32_t result = -1;
    GLint doubleBuffered = 1;
    PixelFormatDescription format{};
    auto drawMagentaToTheFront = [&] {
        glGetIntegerv(GL_DOUBLEBUFFER, &doubleBuffered);
        wsDescribePixelFormat(&format);
        glDrawBuffer(GL_FRONT);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glFinish();
    };
    runOnGameThread([&] {
        result = selectAndCreate(singleBuffered);
        drawMagentaToTheFront();
    });
    ASSERT_EQ(result, WS_OK);
    EXPECT_NE(hostWindow.surface->winId(), before);
    EXPECT_EQ(doubleBuffered, 0);
    EXPECT_EQ(format.doubleBuffer, 0);
    EXPECT_EQ(hostWindow.surfaceHost->geometry(), QRect(0, 0, 480, 272));
    EXPECT_EQ(hostWindow.surfaceHost->parentWidget(), hostWindow.screenArea);
    waitFor([] { return false; }, 200);
    EXPECT_EQ(pixelsOtherThan(grabScreenArea(), qRgb(255, 0, 255)), 480 * 272)
        << "the new surface stays under the overlay";

    hostWindow.waitOverlay->hide();
    quitRequested = 0;
    runOnGameThread(drawMagentaToTheFront);
    EXPECT_TRUE(waitFor([] { return pixelsOtherThan(grabScreenArea(), qRgb(255, 0, 255)) == 0; }))
        << "front-buffer drawing shows without a swap";

    runOnGameThread([&] {
        result = selectAndCreate(REQUEST);
        glGetIntegerv(GL_DOUBLEBUFFER, &doubleBuffered);
    });
    EXPECT_EQ(result, WS_OK);
    EXPECT_EQ(doubleBuffered, 1);
}
