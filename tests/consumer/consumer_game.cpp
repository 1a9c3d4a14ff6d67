// The smallest whole game: a coloured screen with a line of text; the bottom
// face button (keypad or main-row 2) turns the screen from blue to green
// while it is held.
#include <quorl/quorl.h>

const GameInfo gameInfo = {"Consumer Game", "Quorl Tests", "Consumer", nullptr};

void gameMain()
{
    initLibrary();
    initGraphics(PF_8888, 1);
    while (quitRequested.load(std::memory_order_relaxed) == 0) {
        readController();
        bool south = (controller->held & BTN_SOUTH) != 0;
        startDrawing();
        fillRect(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT,
                 south ? makeColor(0, 160, 0, 255) : makeColor(0, 0, 160, 255));
        drawText(8, 8, makeColor(255, 255, 0, 255), "HELLO");
        endDrawing();
        syncFrame(frameSkip, maxFrameSkip, vsyncFlags);
    }
    endLibrary();
    endProgram();
}
