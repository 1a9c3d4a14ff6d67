// The browser's benchmark page (build-web/bench/bench_web.html, run by
// bench/web/bench_web.mjs): the game's won screen with a full board drawn by
// its own drawScreen, and 1 000 16 x 16 sprites alternating between two
// separately loaded copies of the ball sheet, as bench_frame and
// bench_sprites draw them on the desktop. Each frame is timed from the first
// draw to the frame done: presented, shown on the canvas, and a pixel of it
// read back, which waits for WebGL to finish. Between frames the page yields
// to the browser, as the game does. Median of 300 frames each; the figures go
// to the console as name=value lines.
#include <GL/gl.h>
#include <emscripten.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/shared/won_screen.h"
#include "game/board.h"
#include "game/game.h"
#include "gfx/graphics.h"
#include "host/web/gl_layer.h"
#include "host/web/web.h"
#include "quorl/quorl.h"
#include "tests/support/headless_seam.h"

constexpr int32_t BENCH_FRAMES = 300;
constexpr int32_t BENCH_WARM_UP = 20;
constexpr int32_t SPRITE_COUNT = 1000;

EM_JS(void, endBenchPage, (int exitCode), {
    quorlPage.end(exitCode);
});

static double medianFrameMs(void (*draw)());
static void drawWonScreen();
static void drawSprites();

static Image* sheets[2];

int main()
{
    if (!startLibraryOnce()) {
        std::printf("no WebGL\n");
        endBenchPage(1);
        return 1;
    }
    playToWonScreen();
    sheets[0] = loadImage("boules.png", PF_5551);
    sheets[1] = loadImage("boules.png", PF_5551);
    if (gameState != STATE_WON || sheets[0] == nullptr || sheets[1] == nullptr) {
        std::printf("the won screen or the ball sheet could not be set up\n");
        endBenchPage(1);
        return 1;
    }
    double frameMs = medianFrameMs(drawWonScreen);
    double spritesMs = medianFrameMs(drawSprites);
    std::printf("web_frame_ms=%.3f\nweb_sprites1000_ms=%.3f\n", frameMs, spritesMs);
    endBenchPage(0);
    return 0;
}


static double medianFrameMs(void (*draw)())
{
    std::vector<double> times;
    for (int32_t frame = 0; frame < BENCH_WARM_UP + BENCH_FRAMES; ++frame) {
        webNextAnimationFrame();
        double start = emscripten_get_now();
        draw();
        presentFrame();
        glLayerShowFront();
        uint8_t pixel[4];
        glReadBuffer(GL_FRONT);
        glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
        glReadBuffer(GL_BACK);
        if (frame >= BENCH_WARM_UP) {
            times.push_back(emscripten_get_now() - start);
        }
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

static void drawWonScreen()
{
    drawScreen();
}

static void drawSprites()
{
    startDrawing();
    for (int32_t i = 0; i < SPRITE_COUNT; ++i) {
        Image* sheet = sheets[i % 2];
        sheet->x = (i * 16) % SCREEN_WIDTH;
        sheet->y = (i / 30) * 8 % (SCREEN_HEIGHT - 16);
        sheet->srcY0 = static_cast<float>(16 * (i % 7));
        sheet->srcY1 = sheet->srcY0 + 16.0f;
        sheet->drawHeight = 16;
        drawImage(sheet);
    }
    endDrawing();
}
