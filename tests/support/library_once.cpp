// One library start per test process: the GL context belongs to the thread
// that made it, and initLibrary runs once in a real program too.
#include "emu/timing.h"
#include "gfx/graphics.h"
#include "gfx/library.h"
#include "tests/support/headless_seam.h"

bool startLibraryOnce()
{
    static bool started = false;
    if (!started) {
        started = true;
        captureTimeBase();
        initLibrary();
        initGraphics(PF_8888, 1);
    }
    return headlessHasContext();
}
