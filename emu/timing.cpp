// The emulated vertical blank. Time is counted in ticks of the host's
// monotonic clock (emu/clock.h) from the start of the game thread; every 16666 us of it is a grid
// line. waitVBlank spins until the next line, syncFrame paces and presents
// frames on that grid and skips frames when the game asks for it.
#include "emu/timing.h"

#include <GL/gl.h>

#include "emu/gamepad.h"
#include "gfx/graphics.h"
#include "gfx/screenshot.h"  // Required for: serveScreenshotRequest
#include "quorl/host.h"
#include "snd/sound.h"

static constexpr int64_t MICROSECONDS_PER_SECOND = 1000000;
static constexpr int64_t PAUSE_POLL_PER_SECOND = 100;  // every 10 ms

// The frequency is 1 until captureTimeBase so that reading the time before
// it never divides by zero.
int64_t counterFrequency = 1;
int64_t counterStart = 0;

int32_t vblankCount = 0;
int32_t frameCount = 0;
int32_t skipping = 0;
int32_t skipCount = 0;

int32_t frameSkip = 0;
int32_t maxFrameSkip = 5;
int32_t vsyncFlags = VSYNC_FIXED_RATE;

static void sleepUntilShortlyBefore(int64_t lineUs);
static int64_t gridStep(int64_t timeUs);
static void holdWhilePaused();

void captureTimeBase()
{
    counterFrequency = hostCounterFrequency();
    counterStart = hostCounter();
}

int64_t timeSinceStartUs()
{
    return ticksToMicroseconds(hostCounter() - counterStart, counterFrequency);
}

double elapsedSeconds()
{
    return static_cast<double>(timeSinceStartUs()) / MICROSECONDS_PER_SECOND;
}

int64_t ticksToMicroseconds(int64_t ticks, int64_t frequency)
{
    // Whole seconds and the rest apart: the rest is below the frequency, so
    // rest x 1 000 000 stays far inside 64 bits for any real counter.
    const int64_t seconds = ticks / frequency;
    const int64_t rest = ticks % frequency;
    return seconds * MICROSECONDS_PER_SECOND + rest * MICROSECONDS_PER_SECOND / frequency;
}

void waitVBlank()
{
    // Drawing that shows directly must be complete before the blank.
    if (drawTarget == &displayBuffer || doubleBuffered == 0) {
        glFinish();
    }

    // Sleep until shortly before the next grid line, then spin until the
    // clock enters a later grid step than the one it was in on entry.
    // Comparing steps rather than phases still stops when the thread was
    // preempted across a whole step.
    int64_t now = timeSinceStartUs();
    const int64_t entryStep = gridStep(now);
    sleepUntilShortlyBefore((entryStep + 1) * VBLANK_PERIOD_US);
    now = timeSinceStartUs();
    while (gridStep(now) == entryStep) {
        now = timeSinceStartUs();
    }

    if (emuFrameSkipMode.load(std::memory_order_relaxed) != 0 ||
        pauseState.load(std::memory_order_relaxed) != PAUSE_RUNNING) {
        vblankCount += 1;
    } else {
        vblankCount = static_cast<int32_t>(gridStep(now));
    }

    const int32_t state = pauseState.load(std::memory_order_relaxed);
    if (state == PAUSE_STEP) {
        // The step is this return; the next wait holds again.
        pauseState.store(PAUSE_PAUSED, std::memory_order_relaxed);
        holdWhilePaused();
    } else if (state == PAUSE_PAUSED) {
        holdWhilePaused();
    } else {
        // Running again, also when the pause ended during a step's frame.
        resumeSoundOutput();
    }
}

int32_t syncFrame(int32_t frameSkipArg, int32_t maxFrameSkipArg, int32_t vsyncFlagsArg)
{
    requireGraphics("syncFrame()");
    const bool wasDrawing = drawingStarted != 0;
    if (wasDrawing) {
        endDrawing();
    }

    const FramePlan plan = planFrame({frameCount, skipping, skipCount}, vblankCount,
                                     frameSkipArg, maxFrameSkipArg, vsyncFlagsArg);
    if (plan.presentBeforeWait != 0) {
        presentFrame();
    }
    for (int64_t i = 0; i < plan.waitCount; ++i) {
        waitVBlank();
    }
    if (plan.presentAfterWait != 0) {
        presentFrame();
    }
    frameCount = plan.next.frameCount;
    skipping = plan.next.skipping;
    skipCount = plan.next.skipCount;
    if (plan.dropBacklog != 0) {
        frameCount = vblankCount;
    }

    if (wasDrawing) {
        startDrawing();
    }
    return skipping;
}

FramePlan planFrame(FrameCounters counters, int32_t vblankNow, int32_t frameSkipArg,
                    int32_t maxFrameSkipArg, int32_t vsyncFlagsArg)
{
    FramePlan plan = {counters, 0, 0, 0, 0};
    const bool fixedRate = (vsyncFlagsArg & VSYNC_FIXED_RATE) != 0;
    // 64-bit sums and differences: no argument can make them overflow.
    const int64_t lastSkip = int64_t{maxFrameSkipArg} - 1;

    if (frameSkipArg == 0) {
        // One wait per frame unless the game is late and vsync is off.
        const bool wait = vsyncFlagsArg != 0 || int64_t{vblankNow} < int64_t{counters.frameCount} + 1;
        plan.waitCount = wait ? 1 : 0;
        plan.next.frameCount = static_cast<int32_t>(vblankNow + plan.waitCount);
        plan.presentAfterWait = 1;
        return plan;
    }

    const int64_t due = int64_t{counters.frameCount} + (fixedRate ? 1 : frameSkipArg);
    plan.next.frameCount = static_cast<int32_t>(due);
    const bool late = int64_t{vblankNow} + (vsyncFlagsArg != 0 ? 1 : 0) > due;
    const bool offBeat = fixedRate && due % frameSkipArg != 0;

    if ((late || offBeat) && counters.skipCount < lastSkip) {
        // Skip: the frame just drawn is shown at once if the previous one
        // was; the frames drawn after it are not shown.
        plan.presentBeforeWait = counters.skipping == 0 ? 1 : 0;
        plan.next.skipCount = counters.skipCount + 1;
        plan.next.skipping = 1;
        return plan;
    }

    plan.waitCount = due > vblankNow ? due - vblankNow : 0;
    plan.presentAfterWait = counters.skipping == 0 ? 1 : 0;
    plan.dropBacklog = counters.skipCount >= lastSkip ? 1 : 0;
    plan.next.skipCount = 0;
    plan.next.skipping = 0;
    return plan;
}

// Sleeps on the host's clock until VBLANK_SPIN_MARGIN_US before the grid
// line at `lineUs`, so that waiting for the line costs next to no CPU; the
// wait spins only through the margin, which covers the time a woken thread
// may take to run again, also beside a busy process.
static void sleepUntilShortlyBefore(int64_t lineUs)
{
    const int64_t wakeUs = lineUs - VBLANK_SPIN_MARGIN_US;
    if (wakeUs <= timeSinceStartUs()) {
        return;
    }
    // Microseconds to ticks, rounded up so that the wake is never before
    // the time asked for; whole seconds apart, as in ticksToMicroseconds.
    const int64_t seconds = wakeUs / MICROSECONDS_PER_SECOND;
    const int64_t rest = wakeUs % MICROSECONDS_PER_SECOND;
    const int64_t restTicks = (rest * counterFrequency + MICROSECONDS_PER_SECOND - 1) / MICROSECONDS_PER_SECOND;
    hostSleepUntil(counterStart + seconds * counterFrequency + restTicks);
}

// The number of the grid step a time falls in; rounds down for times before
// the start too, so that the step changes exactly at the grid lines.
static int64_t gridStep(int64_t timeUs)
{
    const int64_t step = timeUs / VBLANK_PERIOD_US;
    return timeUs % VBLANK_PERIOD_US < 0 ? step - 1 : step;
}

// Sleeps in short steps while the emulation is paused; any other state
// (running, or a step requested) lets the thread go on. Sound holds with the
// thread: a step lets one frame's worth of it through and keeps it held for
// the next wait, which turns the step back into a pause.
static void holdWhilePaused()
{
    holdSoundOutput();
    // On the host's clock: a host with a single thread hands control back
    // to its event loop there.
    do {
        hostSleepUntil(hostCounter() + hostCounterFrequency() / PAUSE_POLL_PER_SECOND);
        serveScreenshotRequest();  // a held picture can be saved too
        updateGamepads();          // and a pad button bound in the Controls dialog
    } while (pauseState.load(std::memory_order_relaxed) == PAUSE_PAUSED);
    if (pauseState.load(std::memory_order_relaxed) == PAUSE_STEP) {
        stepSoundOutput(SND_FRAMES_PER_VBLANK);
    } else {
        resumeSoundOutput();
    }
}
