// The game thread's start routine, the same under every host.
#include "emu/timing.h"
#include "host/host.h"

void gameThreadEntry()
{
    captureTimeBase();
    gameMain();
    endProgram();
}
