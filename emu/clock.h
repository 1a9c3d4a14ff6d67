// The clock the emulated vertical blank runs on, from the host: a monotonic
// counter and a way to sleep until one of its readings. Each host defines
// these (the Qt host on CLOCK_MONOTONIC, the Win32 host on the performance
// counter).
#pragma once

#include <cstdint>

// Ticks per second of hostCounter; constant for the whole run.
int64_t hostCounterFrequency();

// The counter now, in ticks; never goes back.
int64_t hostCounter();

// Sleeps until hostCounter reads about `ticks`, or returns at once when that
// has passed. It may wake somewhat late (by up to about a millisecond under
// load), never meaningfully early, so a caller that must not miss the
// moment sleeps to a little before it and spins the rest.
void hostSleepUntil(int64_t ticks);
