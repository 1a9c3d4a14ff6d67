// hello_sprite: the smallest game worth the name. A rocket picture is moved
// with the d-pad and turned about its centre with L and R, over a sky drawn
// with fillRect; text shows a title and where the rocket is. A moon is drawn
// with the circle calls, and the number of launches (South) is kept between
// runs in the game's saved data and shown in large text.
//
// Keys: arrows move the rocket; 4 (L) turns it left and 6 (R) right, on the
// keypad or the main row; 2 (South) counts a launch; Escape quits.
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

constexpr int32_t HELLO_MOON_X = 70;
constexpr int32_t HELLO_MOON_Y = 200;
constexpr int32_t HELLO_MOON_RADIUS = 22;

static void drawSky();
static void drawMoon();
// A pale disc with a darker rim and two craters, from the shape calls.
static void drawMoon()
{
    fillCircle(HELLO_MOON_X, HELLO_MOON_Y, HELLO_MOON_RADIUS, makeColor(226, 224, 200, 255));
    drawCircle(HELLO_MOON_X, HELLO_MOON_Y, HELLO_MOON_RADIUS, makeColor(150, 146, 128, 255));
    fillCircle(HELLO_MOON_X - 7, HELLO_MOON_Y - 5, 5, makeColor(190, 186, 164, 255));
    fillCircle(HELLO_MOON_X + 8, HELLO_MOON_Y + 7, 3, makeColor(190, 186, 164, 255));
    drawLine(HELLO_MOON_X - 30, HELLO_MOON_Y + 30, HELLO_MOON_X + 30, HELLO_MOON_Y + 30,
             makeColor(120, 130, 170, 255));  // the horizon under it
}

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
    int32_t launches = loadValue("launches", 0);  // kept from the runs before

    const uint32_t barColor = makeColor(12, 14, 30, 255);
    const uint32_t titleColor = makeColor(255, 214, 96, 255);
    const uint32_t statusColor = makeColor(190, 200, 230, 255);

    while (quitRequested.load(std::memory_order_relaxed) == 0) {
        ControllerState* pad = readController();
        uint32_t held = pad->held;
        if (pad->pressed & BTN_SOUTH) {
            saveValue("launches", ++launches);  // on disk at once
        }
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
        drawMoon();
        drawImage(rocket);

        fillRect(0, 0, SCREEN_WIDTH, HELLO_BAR_HEIGHT, barColor);
        drawText(6, 4, titleColor, "Hello, sprite!");
        const char* help = "arrows: move  4/6: turn  2: launch  Esc: quit";
        drawText(SCREEN_WIDTH - 6 - textWidth(help), 4, statusColor, help);

        char status[64];
        std::snprintf(status, sizeof status, "x %d  y %d  angle %d", rocket->x, rocket->y, angle);
        fillRect(0, SCREEN_HEIGHT - HELLO_BAR_HEIGHT, SCREEN_WIDTH, HELLO_BAR_HEIGHT, barColor);
        drawText(6, SCREEN_HEIGHT - 12, statusColor, status);
        // Twice the font's size: 14 x 16 pixels a character.
        char count[32];
        std::snprintf(count, sizeof count, "%d", static_cast<int>(launches));
        int32_t countX = SCREEN_WIDTH - 6 - textWidthScaled(2, count);
        drawTextScaled(countX, SCREEN_HEIGHT - HELLO_BAR_HEIGHT, titleColor, 2, count);
        const char* label = "launches:";
        drawText(countX - 4 - textWidth(label), SCREEN_HEIGHT - 12, statusColor, label);
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
