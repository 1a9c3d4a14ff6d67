// The smallest whole game: a coloured screen with a line of text; the bottom
// face button (keypad or main-row 2) turns the screen from blue to green
// while it is held, and plays click.wav. tune.ogg plays as music from the
// start. Either sound file missing from the working directory ends the
// game with exit code 3.
#include <quorl/quorl.h>

const GameInfo gameInfo = {"Consumer Game", "Quorl Tests", "Consumer", nullptr};

void gameMain()
{
    initLibrary();
    initGraphics(PF_8888, 1);
    Sound* click = loadSound("click.wav");
    if (click == nullptr || playMusic("tune.ogg", 1) == 0) {
        endProgramWithCode(3);
    }
    while (quitRequested.load(std::memory_order_relaxed) == 0) {
        readController();
        bool south = (controller->held & BTN_SOUTH) != 0;
        if (controller->pressed & BTN_SOUTH) {
            playSound(click, SND_MAX_VOLUME, 0, 0);
        }
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
