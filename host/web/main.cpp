// The process entry of the browser host. The page (page.js) has put the
// game's files in the working folder before this runs; the game then runs
// here, on the page's only thread, which waits by handing the page back to
// the browser (Asyncify suspends the program and resumes it later).
#include "host/web/gl_layer.h"
#include "host/web/web.h"
#include "quorl/host.h"

int main()
{
    loadSettings();
    webOpenWindow();
    // The files are those the page was built with, in its working folder.
    chooseDataFolder("/", DATA_UNDER_PREFIX);
    if (!glLayerStart("#canvas", SCREEN_WIDTH, SCREEN_HEIGHT)) {
        wsMessageBox("This browser gives the page no WebGL, which the game draws with. "
                     "WebGL may be turned off in the browser's settings, or the graphics "
                     "driver may be blocked.",
                     "The game cannot start");
        endProcess(1);
    }
    // The game's time starts on an animation frame, so that its 60 Hz grid
    // lines fall next to the display's frames.
    webNextAnimationFrame();
    gameThreadEntry();
    return 0;
}
