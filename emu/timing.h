// The emulated 60 Hz vertical blank: a 16666 us grid on a monotonic clock
// counted from the start of the game thread, and the per-frame sync.
#pragma once

#include <cstdint>

#include "quorl/quorl.h"

constexpr int64_t VBLANK_PERIOD_US = 16666;
// waitVBlank sleeps until this long before the grid line, then spins. Measured
// with bench_wait (3 600 frames, quiet and beside one busy process): 1 ms
// kept the 99th percentile of the wait's lateness near 30 us both ways with
// the game thread at 7 % of a core; 0.5 ms let it reach 220 us beside the
// busy process, 2 ms doubled the CPU for no gain.
constexpr int64_t VBLANK_SPIN_MARGIN_US = 1000;

// Time base: ticks per second and the tick count at game-thread start.
extern int64_t counterFrequency;
extern int64_t counterStart;

// Frame-timing state.
extern int32_t frameCount;
extern int32_t skipping;
extern int32_t skipCount;

// Reads the counter's frequency, then its value, into the time base.
void captureTimeBase();

// Microseconds since counterStart, in 64 bits: it never wraps in a real run.
int64_t timeSinceStartUs();

// Converts elapsed counter ticks to microseconds, truncating, without forming
// ticks x 1 000 000 (which would overflow after about 2.6 hours at 1 GHz).
int64_t ticksToMicroseconds(int64_t ticks, int64_t frequency);

// Waits for the next grid line, counts the vertical blank and holds the
// thread while the emulation is paused.
void waitVBlank();

// The counters syncFrame carries from one frame to the next.
struct FrameCounters {
    int32_t frameCount;
    int32_t skipping;
    int32_t skipCount;
};

// What syncFrame does with one frame, in this order: present at once, wait
// for waitCount vertical blanks, present, then set frameCount to vblankCount
// when the backlog is dropped.
struct FramePlan {
    FrameCounters next;         // the counters after this frame
    int32_t presentBeforeWait;  // flag
    int64_t waitCount;          // waitVBlank calls
    int32_t presentAfterWait;   // flag
    int32_t dropBacklog;        // flag
};

// The frame-skip decisions of syncFrame, from the counters and the
// vblankCount read before any waiting; touches no clock and no GL.
FramePlan planFrame(FrameCounters counters, int32_t vblankNow, int32_t frameSkipArg,
                    int32_t maxFrameSkipArg, int32_t vsyncFlagsArg);
