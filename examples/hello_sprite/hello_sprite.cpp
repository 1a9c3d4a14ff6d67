// hello_sprite: the smallest game worth the name. A rocket picture is moved
// with the d-pad and turned about its centre with L and R, over a sky drawn
// with fillRect; text shows a title and where the rocket is.
//
// Keys: arrows move the rocket; 4 (L) turns it left and 6 (R) right, on the
// keypad or the main row; Escape quits.
//
// The picture, rocket.png, is read from the working directory: run the
// program from examples/hello_sprite.
#include <cstdio>

#include "quorl/quorl.h"

const GameInfo gameInfo = {"Quorl Example: Hello Sprite", "Quorl Examples", "Hello Sprite",
                           nullptr};

constexpr int32_t HELLO_SPEED = 2;  // pixels per frame while an arrow is held
constexpr int32_t HELLO_TURN = 3;   // degrees per frame while L or R is held
constexpr int32_t HELLO_BAR_HEIGHT = 16;
constexpr int32_t HELLO_MARGIN = 16;  // the rocket's centre stays this far inside the sky

static void drawSky();
static int32_t clampTo(int32_t value, int32_t low, int32_t high);

void gameMain()
{
    initLibrary();
    initGraphics(PF_8888, 1);

    // PF_8888 keeps the picture's soft edges.
    Image* rocket = loadImage("rocket.png", PF_8888);
    if (rocket == nullptr) {
        std::fprintf(stderr, "hello_sprite: cannot load rocket.png: %s\n", lastLoadError());
        endProgramWithCode(1);
    }
    // Turn about the picture's centre; (x, y) is then where that centre is drawn.
    rocket->pivotX = rocket->width / 2;
    rocket->pivotY = rocket->height / 2;
    rocket->x = SCREEN_WIDTH / 2;
    rocket->y = SCREEN_HEIGHT / 2;
    int32_t angle = 0;

    const uint32_t barColor = makeColor(12, 14, 30, 255);
    const uint32_t titleColor = makeColor(255, 214, 96, 255);
    const uint32_t statusColor = makeColor(190, 200, 230, 255);

    while (quitRequested.load(std::memory_order_relaxed) == 0) {
        uint32_t held = readController()->held;
        int32_t dx = (held & BTN_RIGHT ? 1 : 0) - (held & BTN_LEFT ? 1 : 0);
        int32_t dy = (held & BTN_DOWN ? 1 : 0) - (held & BTN_UP ? 1 : 0);
        rocket->x = clampTo(rocket->x + dx * HELLO_SPEED, HELLO_MARGIN, SCREEN_WIDTH - HELLO_MARGIN);
        rocket->y = clampTo(rocket->y + dy * HELLO_SPEED, HELLO_BAR_HEIGHT + HELLO_MARGIN,
                            SCREEN_HEIGHT - HELLO_BAR_HEIGHT - HELLO_MARGIN);
        int32_t turn = (held & BTN_R ? HELLO_TURN : 0) - (held & BTN_L ? HELLO_TURN : 0);
        angle = (angle + turn + 360) % 360;
        rocket->angle = static_cast<float>(angle);  // degrees, clockwise

        startDrawing();
        drawSky();
        drawImage(rocket);

        fillRect(0, 0, SCREEN_WIDTH, HELLO_BAR_HEIGHT, barColor);
        drawText(6, 4, titleColor, "Hello, sprite!");
        const char* help = "arrows: move  4/6: turn  Esc: quit";
        drawText(SCREEN_WIDTH - 6 - textWidth(help), 4, statusColor, help);

        char status[64];
        std::snprintf(status, sizeof status, "x %d  y %d  angle %d", rocket->x, rocket->y, angle);
        fillRect(0, SCREEN_HEIGHT - HELLO_BAR_HEIGHT, SCREEN_WIDTH, HELLO_BAR_HEIGHT, barColor);
        drawText(6, SCREEN_HEIGHT - 12, statusColor, status);
        endDrawing();

        syncFrame(frameSkip, maxFrameSkip, vsyncFlags);
    }
    endLibrary();
    endProgram();
}

// A night sky, one fillRect per row from deep blue at the top to violet.
static void drawSky()
{
    for (int32_t y = 0; y < SCREEN_HEIGHT; ++y) {
        int32_t t = y * 256 / SCREEN_HEIGHT;
        fillRect(0, y, SCREEN_WIDTH, 1,
                 makeColor(16 + 44 * t / 256, 24 + 24 * t / 256, 56 + 56 * t / 256, 255));
    }
}

static int32_t clampTo(int32_t value, int32_t low, int32_t high)
{
    return value < low ? low : value > high ? high : value;
}
