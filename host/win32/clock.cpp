// The vertical blank's clock on Windows: the performance counter, and sleeps
// of whole milliseconds with the system timer at its finest period.
#include <windows.h>
#include <mmsystem.h>  // Required for: timeBeginPeriod

#include "quorl/host.h"

static constexpr int64_t MILLISECONDS_PER_SECOND = 1000;

int64_t hostCounterFrequency()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

int64_t hostCounter()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

// Sleep takes whole milliseconds and, with a 1 ms timer period, wakes up to
// about a millisecond after the time asked for; sleeping a millisecond less
// than the whole milliseconds left keeps the wake from passing `ticks`.
void hostSleepUntil(int64_t ticks)
{
    static bool finePeriod = false;  // game thread only
    if (!finePeriod) {
        timeBeginPeriod(1);  // the default period is 15.6 ms
        finePeriod = true;
    }
    const int64_t left = ticks - hostCounter();
    if (left <= 0) {
        return;
    }
    // Whole seconds apart, so that no product can overflow.
    const int64_t frequency = hostCounterFrequency();
    const int64_t leftMs = left / frequency * MILLISECONDS_PER_SECOND + left % frequency * MILLISECONDS_PER_SECOND / frequency;
    const int64_t sleepMs = leftMs - 1;
    if (sleepMs > 0) {
        Sleep(static_cast<DWORD>(sleepMs));
    }
}
