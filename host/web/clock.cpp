// The clock of the browser host: the page's monotonic clock in
// microseconds, and the one way the game's thread, the page's only one,
// waits: it yields to the browser until an animation frame. The browser
// shows the canvas and delivers the page's events meanwhile.
#include <emscripten.h>

#include "host/web/gl_layer.h"  // Required for: glLayerShowFront
#include "host/web/web.h"
#include "quorl/host.h"

static constexpr int64_t WEB_TICKS_PER_SECOND = 1000000;
static constexpr double WEB_TICKS_PER_MS = 1000.0;
// The display's frame time before any is measured, and the range a
// measured one is believed in (a 240 Hz display down to 20 Hz).
static constexpr double WEB_FRAME_MS_DEFAULT = 1000.0 / 60.0;
static constexpr double WEB_FRAME_MS_SHORTEST = 4.0;
static constexpr double WEB_FRAME_MS_LONGEST = 50.0;
static constexpr int32_t WEB_FRAME_SAMPLES = 16;

// The display's frame time: the shortest of the last intervals between
// animation frames (a frame the game missed makes one longer, never shorter).
static double frameIntervals[WEB_FRAME_SAMPLES];
static int32_t nextInterval = 0;
static double lastFrameTime = -1.0;

static void noteFrame(double frameTime);
static double frameMs();

EM_ASYNC_JS(double, waitForAnimationFrame, (), {
    return await quorlPage.nextFrame();
});

int64_t hostCounterFrequency()
{
    return WEB_TICKS_PER_SECOND;
}

int64_t hostCounter()
{
    return static_cast<int64_t>(emscripten_get_now() * WEB_TICKS_PER_MS);
}

// Returns at the animation frame nearest to `ticks`: the display shows one
// picture per frame, and waking up to half a frame early (the library spins
// through the rest) is better than showing the next picture a whole frame
// late. On a 120 or 144 Hz display several frames go by before the time;
// the game keeps its 60 Hz.
void hostSleepUntil(int64_t ticks)
{
    if (ticks <= hostCounter()) {
        return;
    }
    for (;;) {
        glLayerShowFront();
        noteFrame(webNextAnimationFrame());
        webDeliverEvents();
        double leftMs = static_cast<double>(ticks - hostCounter()) / WEB_TICKS_PER_MS;
        if (leftMs <= frameMs() / 2) {
            return;
        }
    }
}

double webNextAnimationFrame()
{
    return waitForAnimationFrame();
}

static void noteFrame(double frameTime)
{
    if (frameTime < 0.0) {
        lastFrameTime = -1.0;
        return;
    }
    if (lastFrameTime >= 0.0) {
        frameIntervals[nextInterval] = frameTime - lastFrameTime;
        nextInterval = (nextInterval + 1) % WEB_FRAME_SAMPLES;
    }
    lastFrameTime = frameTime;
}

static double frameMs()
{
    double shortest = WEB_FRAME_MS_LONGEST;
    for (double interval : frameIntervals) {
        if (interval >= WEB_FRAME_MS_SHORTEST && interval < shortest) {
            shortest = interval;
        }
    }
    return shortest < WEB_FRAME_MS_LONGEST ? shortest : WEB_FRAME_MS_DEFAULT;
}
