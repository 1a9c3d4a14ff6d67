// The smallest whole game, calling each of the library's calls a game makes:
// a coloured screen with a line of text, scaled text, shapes and a tinted
// sheet frame; the bottom face button (keypad or main-row 2) turns the screen
// from blue to green while it is held, and plays click.wav. tune.ogg plays as
// music from the start. At frame 30 it saves a screenshot (game-shot.png)
// and its saved data: that frame's number, the name of South's key and its
// width at scale 2. Either
// sound file missing from the working directory ends the game with exit
// code 3.
#include <quorl/quorl.h>

const GameInfo gameInfo = {"Consumer Game", "Quorl Tests", "Consumer", nullptr};

constexpr int32_t SAVE_AT_FRAME = 30;

void gameMain()
{
    initLibrary();
    initGraphics(PF_8888, 1);
    Sound* click = loadSound("click.wav");
    if (click == nullptr || playMusic("tune.ogg", 1) == 0) {
        endProgramWithCode(3);
    }
    // A sheet of two 4x4 frames, white then black; the white one, tinted red.
    Image* sheet = createImage(8, 4, LOC_RAM, PF_8888);
    for (int32_t i = 0; i < sheet->bufferWidth * sheet->bufferHeight; ++i) {
        static_cast<uint32_t*>(sheet->pixels)[i] = i % sheet->bufferWidth < 4 ? 0xFFFFFFFFu : 0xFF000000u;
    }
    setImageFrame(sheet, 4, 4, 0);
    sheet->x = 300;
    sheet->y = 40;
    sheet->drawWidth = 20;
    sheet->drawHeight = 20;
    int32_t frame = 0;
    const uint32_t yellow = makeColor(255, 255, 0, 255);
    while (quitRequested.load(std::memory_order_relaxed) == 0) {
        readController();
        bool south = (controller->held & BTN_SOUTH) != 0;
        if (controller->pressed & BTN_SOUTH) {
            playSound(click, SND_MAX_VOLUME, 0, 0);
        }
        startDrawing();
        fillRect(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT,
                 south ? makeColor(0, 160, 0, 255) : makeColor(0, 0, 160, 255));
        drawText(8, 8, yellow, "HELLO");
        drawTextScaled(8, 40, yellow, 3, "Zo\xC3\xAB");  // 3 x 7 = 21 pixels a character
        drawRect(100, 40, 40, 30, yellow);
        drawLine(100, 100, 140, 120, yellow);
        fillCircle(400, 100, 20, yellow);
        drawCircle(400, 160, 20, yellow);
        drawImageTinted(sheet, makeColor(255, 0, 0, 255));
        endDrawing();
        syncFrame(frameSkip, maxFrameSkip, vsyncFlags);
        if (++frame == SAVE_AT_FRAME) {
            saveScreenshot("game-shot.png");
            saveText("southKey", buttonKeyName(BTN_SOUTH));
            char key[16];
            loadText("southKey", key, sizeof(key));
            saveValue("southKeyWidth", textWidthScaled(2, key));  // "2" twice the size: 14
            saveValue("savedAt", loadValue("neverSaved", frame));  // a missing name: the fallback
        }
    }
    endLibrary();
    endProgram();
}
