// The emulated vertical blank on the real clock, pause and step driven from a
// second thread, long runs, and the frame-skip decisions of syncFrame.
// Timing checks assert orderings and counts, not durations: the machine may
// be busy with other work.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "emu/timing.h"
#include "gfx/graphics.h"
#include "gfx/library.h"
#include "quorl/host.h"
#include "tests/support/headless_seam.h"

namespace {

constexpr int64_t PERIOD = VBLANK_PERIOD_US;

int64_t phaseOf(int64_t timeUs) { return timeUs % PERIOD; }

void spinFor(int64_t microseconds)
{
    const int64_t end = timeSinceStartUs() + microseconds;
    while (timeSinceStartUs() < end) {
    }
}

// Waits up to two seconds for a condition another thread brings about.
template <typename Condition>
bool eventually(Condition condition)
{
    for (int i = 0; i < 400; ++i) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
}

// A fresh time base and the running, PC-timed emulation. No GL context here:
// the draw target is the back buffer of a double-buffered screen, so
// waitVBlank has nothing to finish.
class VBlankTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        doubleBuffered = 1;
        drawTarget = &drawBuffer;
        emuFrameSkipMode.store(0, std::memory_order_relaxed);
        pauseState.store(PAUSE_RUNNING, std::memory_order_relaxed);
        vblankCount = 0;
        captureTimeBase();
    }
    void TearDown() override
    {
        emuFrameSkipMode.store(0, std::memory_order_relaxed);
        pauseState.store(PAUSE_RUNNING, std::memory_order_relaxed);
    }
};

// Calls waitVBlank `count` times in a row and checks that every call waited
// for a grid line of its own and returned right after it.
void expectPacedReturns(int count)
{
    // Enter off the grid: a wait that merely slept for a period would keep
    // this phase, a true wait snaps to the next line.
    spinFor(PERIOD / 3);
    waitVBlank();
    int64_t previousStep = timeSinceStartUs() / PERIOD;
    int32_t prompt = 0;
    for (int i = 0; i < count; ++i) {
        // Entered right after a grid line, the wait still waits for the next.
        waitVBlank();
        const int64_t now = timeSinceStartUs();
        EXPECT_GT(vblankCount, previousStep);
        EXPECT_LE(vblankCount, now / PERIOD);
        EXPECT_GE(phaseOf(now), 0);
        previousStep = now / PERIOD;
        if (phaseOf(now) < PERIOD / 4) {
            ++prompt;
        }
    }
    // The busy wait lets go within microseconds of the line, but a loaded
    // machine may take the processor away right after; one prompt return
    // out of several is proof enough.
    EXPECT_GE(prompt, 1);
}

TEST(TicksToMicroseconds, TruncatesAndNeverFormsTheOverflowingProduct)
{
    constexpr int64_t HOUR = 3600;
    const int64_t frequencies[] = {1000000000, 10000000, 3579545, 1000000, 1193182, 24000000};
    const int64_t seconds[] = {0, 1, 2147, 2148, 300 * HOUR, 100000 * HOUR};
    const int64_t extraTicks[] = {0, 1, 12345, 999999};
    for (int64_t frequency : frequencies) {
        for (int64_t whole : seconds) {
            for (int64_t extra : extraTicks) {
                const int64_t ticks = whole * frequency + extra % frequency;
                const __int128 exact = static_cast<__int128>(ticks) * 1000000 / frequency;
                SCOPED_TRACE(testing::Message() << ticks << " ticks at " << frequency << " Hz");
                EXPECT_EQ(ticksToMicroseconds(ticks, frequency), static_cast<int64_t>(exact));
            }
        }
    }
}

TEST_F(VBlankTest, FirstWaitAfterStartEndsAtTheFirstGridLineOrLater)
{
    waitVBlank();
    const int64_t after = timeSinceStartUs();
    EXPECT_GE(after, PERIOD);
    EXPECT_GE(vblankCount, 1);
    EXPECT_LE(vblankCount, after / PERIOD);
}

TEST_F(VBlankTest, EachWaitReturnsJustAfterTheNextGridLine)
{
    expectPacedReturns(10);
}

TEST_F(VBlankTest, CountFollowsTheClockInModeZeroAndAdvancesByOneOtherwise)
{
    struct Case {
        int32_t mode;
        bool followsClock;
    };
    for (const Case& c : {Case{0, true}, Case{1, false}, Case{2, false}, Case{-1, false}}) {
        SCOPED_TRACE(c.mode);
        emuFrameSkipMode.store(c.mode, std::memory_order_relaxed);
        waitVBlank();
        const int32_t before = vblankCount;
        spinFor(20000);  // a frame whose work overruns a grid step
        const int64_t enteredAt = timeSinceStartUs();
        waitVBlank();
        if (c.followsClock) {
            // Presented at the second grid line: the count jumps past the
            // step that was missed.
            EXPECT_GE(vblankCount, before + 2);
            EXPECT_GT(vblankCount, enteredAt / PERIOD);
            EXPECT_LE(vblankCount, timeSinceStartUs() / PERIOD);
        } else {
            EXPECT_EQ(vblankCount, before + 1);
        }
    }
}

// Calls waitVBlank in a loop on its own thread, as the game thread does.
struct WaitingThread {
    std::atomic<int32_t> returns{0};
    std::atomic<int32_t> countAtReturn{0};  // vblankCount, published by the thread
    std::atomic<int32_t> stop{0};
    std::thread thread;

    void start()
    {
        thread = std::thread([this] {
            while (stop.load(std::memory_order_relaxed) == 0) {
                waitVBlank();
                countAtReturn.store(vblankCount, std::memory_order_relaxed);
                returns.fetch_add(1, std::memory_order_release);
            }
        });
    }
    void finish()
    {
        stop.store(1, std::memory_order_relaxed);
        pauseState.store(PAUSE_RUNNING, std::memory_order_relaxed);
        if (thread.joinable()) {
            thread.join();
        }
    }
    ~WaitingThread() { finish(); }  // also when an assertion left the test early
};

TEST_F(VBlankTest, PauseHoldsTheWaitAndEachStepLetsExactlyOneWaitReturn)
{
    pauseState.store(PAUSE_PAUSED, std::memory_order_relaxed);
    WaitingThread game;
    game.start();

    // Paused: the first wait holds past many grid lines.
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    EXPECT_EQ(game.returns.load(), 0);

    std::vector<int32_t> counts;
    for (int32_t step = 1; step <= 2; ++step) {
        SCOPED_TRACE(step);
        pauseState.store(PAUSE_STEP, std::memory_order_relaxed);
        // The held wait returns, and the next one turns the step back into a
        // pause and holds there.
        ASSERT_TRUE(eventually([&] { return game.returns.load() == step; }));
        counts.push_back(game.countAtReturn.load(std::memory_order_relaxed));
        ASSERT_TRUE(eventually(
            [] { return pauseState.load(std::memory_order_relaxed) == PAUSE_PAUSED; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(80));
        EXPECT_EQ(game.returns.load(), step);
    }
    // Paused and stepped waits count one blank each, whatever the clock says.
    EXPECT_EQ(counts[1], counts[0] + 1);

    pauseState.store(PAUSE_RUNNING, std::memory_order_relaxed);
    EXPECT_TRUE(eventually([&] { return game.returns.load() >= 6; }));
    game.finish();
}

TEST_F(VBlankTest, KeepsPacingPastTwoToTheThirtyFirstMicroseconds)
{
    // Pretend the game thread started 2200 s ago.
    counterStart -= 2200 * counterFrequency;
    EXPECT_GT(timeSinceStartUs(), int64_t{1} << 31);
    expectPacedReturns(6);
    EXPECT_GE(vblankCount, int64_t{2200} * 1000000 / PERIOD);
}

TEST_F(VBlankTest, TimeStaysExactAfterThreeHundredHours)
{
    // 300 h of nanosecond ticks times 1 000 000 is far beyond 64 bits.
    const int64_t offsetSeconds = 300 * 3600;
    const int64_t before = timeSinceStartUs();
    counterStart -= offsetSeconds * counterFrequency;
    const int64_t after = timeSinceStartUs();
    EXPECT_GE(after - before, offsetSeconds * 1000000);
    EXPECT_LT(after - before, offsetSeconds * 1000000 + 1000000);

    waitVBlank();
    const int64_t now = timeSinceStartUs();
    EXPECT_GE(vblankCount, offsetSeconds * 1000000 / PERIOD);
    EXPECT_LE(vblankCount, now / PERIOD);
    EXPECT_GE(phaseOf(now), 0);
}

// Runs planFrame over a run of frames on a simulated grid: the game's work
// passes `workSteps` grid lines per frame, each wait passes one more.
struct FrameSkipCase {
    const char* name;
    int32_t frameSkip, maxFrameSkip, vsyncFlags, workSteps;
    std::vector<int32_t> returns;   // syncFrame's result per frame
    std::vector<int64_t> waits;     // waitVBlank calls per frame
    std::vector<int32_t> presents;  // presentFrame calls per frame
    std::vector<int32_t> drops;     // frames after which frameCount = vblankCount
};

TEST(PlanFrame, FrameSkipSequences)
{
    const FrameSkipCase cases[] = {
        {"game settings, on time: wait once, then present", 0, 5, 4, 0,
         {0, 0, 0, 0}, {1, 1, 1, 1}, {1, 1, 1, 1}, {0, 0, 0, 0}},
        {"game settings, late: still one wait per frame", 0, 5, 4, 2,
         {0, 0, 0, 0}, {1, 1, 1, 1}, {1, 1, 1, 1}, {0, 0, 0, 0}},
        {"no vsync, on time: wait for the frame's blank", 0, 5, 0, 0,
         {0, 0, 0}, {1, 1, 1}, {1, 1, 1}, {0, 0, 0}},
        {"no vsync, late: present at once", 0, 5, 0, 2,
         {0, 0, 0}, {0, 0, 0}, {1, 1, 1}, {0, 0, 0}},
        {"skip 2 fixed rate, on time: every other frame shown", 2, 5, 4, 0,
         {1, 0, 1, 0, 1, 0}, {0, 2, 0, 2, 0, 2}, {1, 0, 1, 0, 1, 0}, {0, 0, 0, 0, 0, 0}},
        {"skip 2 fixed rate, always late: at most 4 skipped in a row", 2, 5, 4, 3,
         {1, 1, 1, 1, 0, 1, 1, 1, 1, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {1, 0, 0, 0, 0, 1, 0, 0, 0, 0}, {0, 0, 0, 0, 1, 0, 0, 0, 0, 1}},
        {"skip 3 without fixed rate: each frame stands for 3 blanks", 3, 5, 0, 0,
         {0, 0, 0}, {3, 3, 3}, {1, 1, 1}, {0, 0, 0}},
        {"maximum 1, always late: never skips, backlog dropped every frame", 2, 1, 4, 3,
         {0, 0, 0}, {0, 0, 0}, {1, 1, 1}, {1, 1, 1}},
    };
    for (const FrameSkipCase& c : cases) {
        SCOPED_TRACE(c.name);
        FrameCounters counters{0, 0, 0};
        int32_t vblank = 0;
        std::vector<int32_t> returns;
        std::vector<int64_t> waits;
        std::vector<int32_t> presents;
        std::vector<int32_t> drops;
        for (size_t frame = 0; frame < c.returns.size(); ++frame) {
            vblank += c.workSteps;
            const FramePlan plan =
                planFrame(counters, vblank, c.frameSkip, c.maxFrameSkip, c.vsyncFlags);
            vblank += static_cast<int32_t>(plan.waitCount);
            counters = plan.next;
            if (plan.dropBacklog != 0) {
                counters.frameCount = vblank;
            }
            returns.push_back(counters.skipping);
            waits.push_back(plan.waitCount);
            presents.push_back(plan.presentBeforeWait + plan.presentAfterWait);
            drops.push_back(plan.dropBacklog);
        }
        EXPECT_EQ(returns, c.returns);
        EXPECT_EQ(waits, c.waits);
        EXPECT_EQ(presents, c.presents);
        EXPECT_EQ(drops, c.drops);
        if (c.frameSkip == 0) {
            EXPECT_EQ(counters.frameCount, vblank);
        }
    }
}

TEST(PlanFrame, OrderOfPresentingAndWaiting)
{
    // An off-beat frame is presented at once, before any wait; a frame that
    // is shown is presented after its waits.
    const FramePlan offBeat = planFrame({0, 0, 0}, 0, 2, 5, 4);
    EXPECT_EQ(offBeat.presentBeforeWait, 1);
    EXPECT_EQ(offBeat.waitCount, 0);
    EXPECT_EQ(offBeat.presentAfterWait, 0);

    const FramePlan shown = planFrame({0, 0, 0}, 0, 0, 5, 4);
    EXPECT_EQ(shown.presentBeforeWait, 0);
    EXPECT_EQ(shown.waitCount, 1);
    EXPECT_EQ(shown.presentAfterWait, 1);
}

TEST(PlanFrame, WithoutFrameSkipTheSkipCountersAreLeftAsTheyAre)
{
    const FramePlan plan = planFrame({7, 1, 3}, 7, 0, 5, 4);
    EXPECT_EQ(plan.next.frameCount, 8);
    EXPECT_EQ(plan.next.skipping, 1);
    EXPECT_EQ(plan.next.skipCount, 3);
}

TEST(PlanFrame, ExtremeArgumentsDoNotOverflow)
{
    // Sums and differences are formed in 64 bits.
    const FramePlan farBehind = planFrame({INT32_MAX - 1, 0, 0}, INT32_MIN, 1, 5, 0);
    EXPECT_EQ(farBehind.waitCount, int64_t{INT32_MAX} - INT32_MIN);
    const FramePlan noMaximum = planFrame({0, 0, 0}, 100, 2, INT32_MIN, 4);
    EXPECT_EQ(noMaximum.next.skipping, 0);
    EXPECT_EQ(noMaximum.dropBacklog, 1);
}

// syncFrame on the library started as the game starts it, on a real GL
// context: presents go through the seam's buffer swap.
class SyncFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(startLibraryOnce());
        initGraphics(PF_8888, 1);
        emuFrameSkipMode.store(0, std::memory_order_relaxed);
        pauseState.store(PAUSE_RUNNING, std::memory_order_relaxed);
        frameCount = vblankCount;
        skipping = 0;
        skipCount = 0;
    }
    void TearDown() override
    {
        emuFrameSkipMode.store(0, std::memory_order_relaxed);
        initGraphics(PF_8888, 1);
    }
};

constexpr uint32_t OFF_WHITE = 0x12345678;

TEST_F(SyncFrame, FinishesAnOpenDrawingPresentsItAndStartsDrawingAgain)
{
    ASSERT_EQ(drawingStarted, 1);
    currentColor = OFF_WHITE;  // startDrawing puts back white
    const int32_t swaps = headlessLog.swapCount;
    const int32_t vblankBefore = vblankCount;

    EXPECT_EQ(syncFrame(0, 5, VSYNC_FIXED_RATE), 0);

    EXPECT_EQ(drawingStarted, 1);
    EXPECT_EQ(currentColor, 0xFFFFFFFFu);
    EXPECT_EQ(headlessLog.swapCount, swaps + 1);
    EXPECT_EQ(frameCount, vblankBefore + 1);
    EXPECT_GT(vblankCount, vblankBefore);
}

TEST_F(SyncFrame, LeavesDrawingStoppedWhenItWasNotStarted)
{
    endDrawing();
    currentColor = OFF_WHITE;
    const int32_t swaps = headlessLog.swapCount;

    syncFrame(0, 5, VSYNC_FIXED_RATE);

    EXPECT_EQ(drawingStarted, 0);
    EXPECT_EQ(currentColor, OFF_WHITE);
    EXPECT_EQ(headlessLog.swapCount, swaps + 1);
}

TEST_F(SyncFrame, FixedRateFrameSkipShowsEveryOtherFrame)
{
    // Counted per wait, so the grid steps are exactly the waits made.
    emuFrameSkipMode.store(1, std::memory_order_relaxed);
    vblankCount = 0;
    frameCount = 0;
    std::vector<int32_t> returns, swaps, vblanks;
    for (int i = 0; i < 4; ++i) {
        const int32_t swapsBefore = headlessLog.swapCount;
        returns.push_back(syncFrame(2, 5, VSYNC_FIXED_RATE));
        swaps.push_back(headlessLog.swapCount - swapsBefore);
        vblanks.push_back(vblankCount);
        EXPECT_EQ(drawingStarted, 1);
    }
    EXPECT_EQ(returns, (std::vector<int32_t>{1, 0, 1, 0}));
    EXPECT_EQ(swaps, (std::vector<int32_t>{1, 0, 1, 0}));
    EXPECT_EQ(vblanks, (std::vector<int32_t>{0, 2, 2, 4}));
}

TEST_F(SyncFrame, AlwaysLateSkipsAtMostFourFramesThenDropsTheBacklog)
{
    std::vector<int32_t> returns, swaps;
    for (int i = 0; i < 10; ++i) {
        vblankCount = frameCount + 100;  // the game fell far behind again
        const int32_t swapsBefore = headlessLog.swapCount;
        returns.push_back(syncFrame(2, 5, VSYNC_FIXED_RATE));
        swaps.push_back(headlessLog.swapCount - swapsBefore);
        if (returns.back() == 0) {
            EXPECT_EQ(frameCount, vblankCount);
        }
    }
    EXPECT_EQ(returns, (std::vector<int32_t>{1, 1, 1, 1, 0, 1, 1, 1, 1, 0}));
    EXPECT_EQ(swaps, (std::vector<int32_t>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0}));
}

}  // namespace
