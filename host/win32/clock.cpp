// The vertical blank's clock on Windows: the performance counter, and sleeps
// of whole milliseconds with the system timer at its finest period.
#include "emu/clock.h"

#include <windows.h>
#include <mmsystem.h>  // Required for: timeBeginPeriod

#include "emu/timing.h"

static constexpr int64_t MICROSECONDS_PER_MILLISECOND = 1000;

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
    const int64_t leftUs = ticksToMicroseconds(left, hostCounterFrequency());
    const int64_t sleepMs = leftUs / MICROSECONDS_PER_MILLISECOND - 1;
    if (sleepMs > 0) {
        Sleep(static_cast<DWORD>(sleepMs));
    }
}
