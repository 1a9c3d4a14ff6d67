// The vertical blank's clock on Linux: CLOCK_MONOTONIC in nanoseconds.
#include "quorl/host.h"

#include <time.h>

#include <cerrno>

static constexpr int64_t NANOSECONDS_PER_SECOND = 1000000000;

int64_t hostCounterFrequency()
{
    return NANOSECONDS_PER_SECOND;
}

int64_t hostCounter()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * NANOSECONDS_PER_SECOND + now.tv_nsec;
}

// An absolute sleep: a signal that interrupts it does not shift the wake.
void hostSleepUntil(int64_t ticks)
{
    timespec wake;
    wake.tv_sec = static_cast<time_t>(ticks / NANOSECONDS_PER_SECOND);
    wake.tv_nsec = static_cast<long>(ticks % NANOSECONDS_PER_SECOND);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) == EINTR) {
    }
}
