// The window-system seam on Qt. The GL surface is a native QWindow embedded
// in the screen area with QWidget::createWindowContainer; it is created and
// owned by the first thread, and its pixel format is settled when it is
// created. The QOpenGLContext is created by the game thread, made current
// there and never used anywhere else.

#include <GL/gl.h>
#include <QApplication>
#include <QEventLoop>
#include <QExposeEvent>
#include <QLabel>
#include <QMessageBox>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <functional>
#include <utility>
#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

#include "host/qt/signals.h"
#include "host/qt/window.h"
#include "host/qt/x11.h"
#include "quorl/host.h"

namespace {

// Keeps track of whether the surface can be shown: a minimised window is not
// exposed, and Qt complains at every swap on it.
struct SurfaceWindow : QWindow {
    void exposeEvent(QExposeEvent* event) override;
};

}  // namespace

static QOpenGLContext* glContext;  // game thread only
static QWindow* contextSurface;    // the surface selected, which glContext draws on
static VisualMasks surfaceVisual;
static bool surfaceVisualKnown;
static std::atomic<int32_t> surfaceExposed{0};
static std::function<void()> pendingWork;  // see runOnFirstThread

static QSurfaceFormat surfaceFormatFor(const PixelFormatDescription& request, int32_t depthBits);
static QWindow* prepareSurface(const QSurfaceFormat& format);
template <typename Function>
static void runOnFirstThread(Function function);
static void announceRelease(void* address);
static void announceAcquire(void* address);
static int32_t lowestBit(uint32_t mask);
static int32_t bitsAbove(uint32_t mask);

// Asks for the request first. Qt gives up double buffering before it lowers
// the depth when a request cannot be met, and the library never uses depth,
// so a single-buffered surface is tried again with a 24-bit depth; only
// when no double-buffered surface exists at all is a single-buffered one
// taken.
int32_t wsSelectPixelFormat(const PixelFormatDescription& request)
{
    if (!mainWindow || !qApp) {
        return WS_NO_PIXEL_FORMAT;
    }
    // A format chosen again replaces the surface, and with it the context.
    if (glContext) {
        glContext->doneCurrent();
        delete glContext;
        glContext = nullptr;
    }
    contextSurface = nullptr;
    int32_t depths[2] = {request.depthBits, 24};
    int32_t depthCount = request.depthBits > 24 ? 2 : 1;
    for (int32_t i = 0; i < depthCount; ++i) {
        QSurfaceFormat format = surfaceFormatFor(request, depths[i]);
        QWindow* surface = nullptr;
        runOnFirstThread([&format, &surface] { surface = prepareSurface(format); });
        if (!surface) {
            return WS_NO_PIXEL_FORMAT;
        }
        contextSurface = surface;
        // After creation a window's format is the one the system gave it.
        if (!request.doubleBuffer || surface->format().swapBehavior() != QSurfaceFormat::SingleBuffer) {
            return WS_OK;
        }
    }
    if (depthCount > 1) {
        QSurfaceFormat format = surfaceFormatFor(request, request.depthBits);
        runOnFirstThread([&format] { contextSurface = prepareSurface(format); });
    }
    return contextSurface ? WS_OK : WS_NO_PIXEL_FORMAT;
}

int32_t wsCreateContext()
{
    if (!contextSurface) {
        return WS_CONTEXT_FAILED;
    }
    auto* context = new QOpenGLContext;
    context->setFormat(contextSurface->format());
    if (!context->create()) {
        delete context;
        return WS_CONTEXT_FAILED;
    }
    if (!context->makeCurrent(contextSurface)) {
        delete context;
        return WS_MAKE_CURRENT_FAILED;
    }
    glContext = context;
    keepExitHandlerFirst();
    return WS_OK;
}

// Sizes from the surface's format, the double buffering from GL itself once
// there is a context; the channel positions from the X visual of the surface.
void wsDescribePixelFormat(PixelFormatDescription* out)
{
    *out = PixelFormatDescription{};
    if (!contextSurface) {
        return;
    }
    QSurfaceFormat format = glContext ? glContext->format() : contextSurface->format();
    out->redBits = format.redBufferSize();
    out->greenBits = format.greenBufferSize();
    out->blueBits = format.blueBufferSize();
    out->alphaBits = std::max(format.alphaBufferSize(), 0);
    out->colorBits = out->redBits + out->greenBits + out->blueBits + out->alphaBits;
    if (surfaceVisualKnown) {
        out->redShift = lowestBit(surfaceVisual.red);
        out->greenShift = lowestBit(surfaceVisual.green);
        out->blueShift = lowestBit(surfaceVisual.blue);
        out->alphaShift =
            out->alphaBits > 0 ? bitsAbove(surfaceVisual.red | surfaceVisual.green | surfaceVisual.blue) : 0;
    } else {
        out->redShift = 0;
        out->greenShift = out->redBits;
        out->blueShift = out->redBits + out->greenBits;
        out->alphaShift = out->redBits + out->greenBits + out->blueBits;
    }
    out->depthBits = std::max(format.depthBufferSize(), 0);
    out->stencilBits = std::max(format.stencilBufferSize(), 0);
    if (glContext) {
        GLint doubleBuffered = 0;
        glGetIntegerv(GL_DOUBLEBUFFER, &doubleBuffered);
        out->doubleBuffer = doubleBuffered ? 1 : 0;
    } else {
        out->doubleBuffer = format.swapBehavior() != QSurfaceFormat::SingleBuffer ? 1 : 0;
    }
    // Qt asks GLX for RGBA rendering, which only true-colour and direct-colour
    // visuals offer (visualMasksOf accepts no other kind), so the surface
    // never shows its colours through a palette.
    out->needPalette = 0;
}

// Nothing to install: see wsDescribePixelFormat, no surface here ever needs
// a palette, so the library never has a reason to call this.
void wsSetPalette(const PaletteEntry*, int32_t)
{
}

void wsSwapBuffers()
{
    if (glContext && contextSurface && surfaceExposed.load(std::memory_order_relaxed) != 0) {
        glContext->swapBuffers(contextSurface);
    }
}

void* wsGetProcAddress(const char* name)
{
    if (!glContext || !name) {
        return nullptr;
    }
    return reinterpret_cast<void*>(glContext->getProcAddress(name));
}

// The box belongs to no window, as the library's boxes are not about the
// game's window: the window stays usable (a close request still works) while
// the calling thread waits for OK.
void wsMessageBox(const char* text, const char* caption)
{
    if (!qApp) {
        return;
    }
    QString boxText = QString::fromLocal8Bit(text ? text : "");
    QString boxCaption = QString::fromLocal8Bit(caption ? caption : "");
    if (boxCaption.isEmpty()) {
        boxCaption = QStringLiteral(" ");  // Qt puts the program's name in an empty title
    }
    runOnFirstThread([&boxText, &boxCaption] {
        QMessageBox box(QMessageBox::NoIcon, boxCaption, boxText, QMessageBox::Ok);
        box.setWindowModality(Qt::NonModal);
        QEventLoop loop;
        QObject::connect(&box, &QMessageBox::finished, &loop, &QEventLoop::quit);
        box.show();
        box.activateWindow();
        loop.exec();
        if (hostWindow.top) {
            hostWindow.top->activateWindow();
        }
    });
}

void SurfaceWindow::exposeEvent(QExposeEvent* event)
{
    surfaceExposed.store(isExposed() ? 1 : 0, std::memory_order_relaxed);
    QWindow::exposeEvent(event);
}

static QSurfaceFormat surfaceFormatFor(const PixelFormatDescription& request, int32_t depthBits)
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setRedBufferSize(request.redBits);
    format.setGreenBufferSize(request.greenBits);
    format.setBlueBufferSize(request.blueBits);
    format.setAlphaBufferSize(request.alphaBits);
    format.setDepthBufferSize(depthBits);
    format.setStencilBufferSize(request.stencilBits);
    format.setSwapBehavior(request.doubleBuffer ? QSurfaceFormat::DoubleBuffer
                                                : QSurfaceFormat::SingleBuffer);
    format.setSwapInterval(0);  // the library paces frames itself
    return format;
}

// First thread. A native window takes its visual, and with it the pixel
// format, when it is created, so a surface with another format is replaced
// by a new one in the same place. The alpha channel gives the surface an ARGB
// visual; as a child of the opaque top-level window its pixels are copied
// into that window without blending, so the picture stays opaque on a
// compositing desktop whatever alpha the frame buffer holds.
static QWindow* prepareSurface(const QSurfaceFormat& format)
{
    HostWindow& window = *mainWindow;
    if (window.surface && window.surface->requestedFormat() == format) {
        return window.surface;
    }
    delete window.surfaceHost;  // takes its surface with it
    window.surfaceHost = nullptr;
    window.surface = nullptr;

    auto* surface = new SurfaceWindow;
    surface->setSurfaceType(QSurface::OpenGLSurface);
    surface->setFormat(format);
    QSize size = window.screenArea->size();
    surface->resize(size);  // native window made at its final size
    // A click on the picture must not take the keyboard from the main window.
    surface->setFlag(Qt::WindowDoesNotAcceptFocus);
    QWidget* host = QWidget::createWindowContainer(surface, window.screenArea);
    host->setGeometry(0, 0, size.width(), size.height());
    host->setFocusPolicy(Qt::NoFocus);
    // A native container puts the surface inside the screen area's own X
    // window, next to the wait overlay, so that raising the overlay covers it.
    host->setAttribute(Qt::WA_NativeWindow);
    host->show();
    surface->create();
    if (!surface->handle()) {
        delete host;
        return nullptr;
    }
    watchHostInput(surface);
    if (window.waitOverlay && window.waitOverlay->isVisible()) {
        window.waitOverlay->raise();
    }
    surfaceExposed.store(surface->isExposed() ? 1 : 0, std::memory_order_relaxed);
    surfaceVisualKnown = visualMasksOf(surface->winId(), &surfaceVisual);
    window.surface = surface;
    window.surfaceHost = host;
    return surface;
}

// Runs `function` on the first thread and waits for it; called by the game
// thread only. The queued call carries nothing of its own: the work is handed
// over in pendingWork, and the hand-over is announced to a ThreadSanitizer
// build, which cannot see the locks of Qt's event queue.
template <typename Function>
static void runOnFirstThread(Function function)
{
    if (QThread::currentThread() == qApp->thread()) {
        function();
        return;
    }
    pendingWork = [&function] { function(); };
    announceRelease(&pendingWork);
    QMetaObject::invokeMethod(
        qApp,
        [] {
            announceAcquire(&pendingWork);
            pendingWork();
            announceRelease(&pendingWork);
        },
        Qt::BlockingQueuedConnection);
    announceAcquire(&pendingWork);
    pendingWork = nullptr;
}

static void announceRelease(void* address)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_release(address);
#else
    (void)address;
#endif
}

static void announceAcquire(void* address)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(address);
#else
    (void)address;
#endif
}

static int32_t lowestBit(uint32_t mask)
{
    int32_t bit = 0;
    while (mask != 0 && (mask & 1u) == 0) {
        mask >>= 1;
        ++bit;
    }
    return bit;
}

static int32_t bitsAbove(uint32_t mask)
{
    int32_t bits = 0;
    while (mask != 0) {
        mask >>= 1;
        ++bits;
    }
    return bits;
}
