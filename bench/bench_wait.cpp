// The frame loop's wait for the vertical blank: how late waitVBlank returns
// after each grid line, how late the frame is shown, how many grid steps go
// by without a frame, and how much of a core the game thread uses, for 3 600
// frames on a quiet machine and again beside one busy process.
// Run under an X server: DISPLAY=:n build/bench_wait [frames]
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "emu/timing.h"
#include "gfx/graphics.h"
#include "quorl/quorl.h"
#include "tests/support/headless_seam.h"

static constexpr int32_t WARM_UP_FRAMES = 60;  // one second, not counted

struct WaitFigures {
    int64_t lateP50Us;
    int64_t lateP99Us;
    int64_t swapDoneP99Us;
    int64_t lostSteps;
    double cpuPercent;
};

static WaitFigures runFrames(int32_t frames);
static int64_t percentile(std::vector<int64_t> values, int32_t percent);
static double threadCpuSeconds();
static pid_t startBusyProcess();
static void printFigures(const char* suffix, const WaitFigures& figures);

int main(int argc, char** argv)
{
    int32_t frames = argc > 1 ? std::atoi(argv[1]) : 3600;
    if (!startLibraryOnce()) {
        std::fprintf(stderr, "no GL context (is DISPLAY set?)\n");
        return 1;
    }
    // The first frames of a context build the GL driver's code for the
    // frame's state and the window's buffers, and one of them overruns its
    // grid step whatever the wait does; both runs below start warm, as the
    // busy one always did, being second.
    runFrames(WARM_UP_FRAMES);
    WaitFigures quiet = runFrames(frames);
    pid_t busy = startBusyProcess();
    WaitFigures hog = runFrames(frames);
    kill(busy, SIGKILL);
    waitpid(busy, nullptr, 0);

    std::printf("%-22s %10s %10s\n", "", "quiet", "busy");
    std::printf("%-22s %10lld %10lld\n", "wait late p50 (us)", (long long)quiet.lateP50Us,
                (long long)hog.lateP50Us);
    std::printf("%-22s %10lld %10lld\n", "wait late p99 (us)", (long long)quiet.lateP99Us,
                (long long)hog.lateP99Us);
    std::printf("%-22s %10lld %10lld\n", "shown p99 (us)", (long long)quiet.swapDoneP99Us,
                (long long)hog.swapDoneP99Us);
    std::printf("%-22s %10lld %10lld\n", "lost grid steps", (long long)quiet.lostSteps,
                (long long)hog.lostSteps);
    std::printf("%-22s %10.1f %10.1f\n", "game thread CPU (%)", quiet.cpuPercent, hog.cpuPercent);
    printFigures("", quiet);
    printFigures("_hog", hog);
    return 0;
}

// syncFrame's path for a frame that is not skipped, with the clock read
// where the wait returns and where the frame has been shown.
static WaitFigures runFrames(int32_t frames)
{
    std::vector<int64_t> late;
    std::vector<int64_t> shown;
    int64_t lost = 0;
    int32_t lastVblank = vblankCount;
    double cpuStart = threadCpuSeconds();
    int64_t wallStart = timeSinceStartUs();
    for (int32_t frame = 0; frame < frames; ++frame) {
        startDrawing();
        fillRect(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, makeColor(frame & 255, 64, 128, 255));
        endDrawing();
        waitVBlank();
        int64_t waited = timeSinceStartUs();
        presentFrame();
        glFinish();
        int64_t done = timeSinceStartUs();
        int64_t line = waited / VBLANK_PERIOD_US * VBLANK_PERIOD_US;
        late.push_back(waited - line);
        shown.push_back(done - line);
        if (frame > 0 && vblankCount - lastVblank > 1) {
            lost += vblankCount - lastVblank - 1;
        }
        lastVblank = vblankCount;
    }
    double wall = static_cast<double>(timeSinceStartUs() - wallStart) / 1e6;
    return {percentile(late, 50), percentile(late, 99), percentile(shown, 99), lost,
            100.0 * (threadCpuSeconds() - cpuStart) / wall};
}

static int64_t percentile(std::vector<int64_t> values, int32_t percent)
{
    if (values.empty()) {
        return 0;
    }
    size_t index = (values.size() - 1) * static_cast<size_t>(percent) / 100;
    std::nth_element(values.begin(), values.begin() + static_cast<ptrdiff_t>(index), values.end());
    return values[index];
}

static double threadCpuSeconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// A process that keeps one core busy until it is killed.
static pid_t startBusyProcess()
{
    pid_t pid = fork();
    if (pid == 0) {
        volatile uint64_t spin = 0;
        for (;;) {
            spin = spin + 1;
        }
    }
    return pid;
}

static void printFigures(const char* suffix, const WaitFigures& figures)
{
    std::printf("wait_late_p50_us%s=%lld\n", suffix, (long long)figures.lateP50Us);
    std::printf("wait_late_p99_us%s=%lld\n", suffix, (long long)figures.lateP99Us);
    std::printf("swap_done_p99_us%s=%lld\n", suffix, (long long)figures.swapDoneP99Us);
    std::printf("lost_steps%s=%lld\n", suffix, (long long)figures.lostSteps);
    std::printf("game_cpu_pct%s=%.1f\n", suffix, figures.cpuPercent);
}
