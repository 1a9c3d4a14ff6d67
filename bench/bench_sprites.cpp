// 1 000 16 x 16 sprites a frame, alternating between two separately loaded
// copies of the ball sheet: 1 001 uploads a frame. Time from the first draw
// to the frame shown (glFinish after the present), median of 300 frames,
// with uploads waiting for the GPU (the default) and with reused textures.
// Run under an X server from the source tree: DISPLAY=:n build/bench_sprites
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "emu/shared.h"
#include "gfx/graphics.h"
#include "quorl/quorl.h"
#include "tests/support/headless_seam.h"

constexpr int32_t SPRITE_COUNT = 1000;
constexpr int32_t SPRITE_FRAMES = 300;

static double medianFrameMs(Image* sheets[2]);

int main()
{
    if (!startLibraryOnce()) {
        std::fprintf(stderr, "no GL context (is DISPLAY set?)\n");
        return 1;
    }
    Image* sheets[2] = {loadImage("assets/boules.png", PF_5551),
                        loadImage("assets/boules.png", PF_5551)};
    if (sheets[0] == nullptr || sheets[1] == nullptr) {
        std::fprintf(stderr, "assets/boules.png: %s (run from the source tree)\n", lastLoadError());
        return 1;
    }
    double waiting = medianFrameMs(sheets);
    emuReuseTextures.store(1);
    double reusing = medianFrameMs(sheets);
    std::printf("1000 sprites, ms per frame: %.2f waiting for the GPU, %.2f reusing textures\n",
                waiting, reusing);
    std::printf("sprites1000_ms=%.2f\nsprites1000_reuse_ms=%.2f\n", waiting, reusing);
    return 0;
}

static double medianFrameMs(Image* sheets[2])
{
    std::vector<double> frames;
    for (int32_t frame = 0; frame < SPRITE_FRAMES; ++frame) {
        auto start = std::chrono::steady_clock::now();
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
        presentFrame();
        glFinish();
        frames.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::nth_element(frames.begin(), frames.begin() + SPRITE_FRAMES / 2, frames.end());
    return frames[SPRITE_FRAMES / 2];
}
