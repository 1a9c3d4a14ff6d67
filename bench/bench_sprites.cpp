// 1 000 16 x 16 sprites a frame, alternating between two separately loaded
// copies of the ball sheet: 1 001 uploads a frame. Time from the first draw
// to the frame shown (glFinish after the present), median of 300 frames,
// with uploads waiting for the GPU (the default) and with reused textures;
// beside it, SDL2's OpenGL renderer drawing the same sprites from two
// textures made from the same file, presented and finished the same way.
// Run under an X server from the source tree: DISPLAY=:n build/bench_sprites
#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/support/bench_support.h"
#include "quorl/host.h"
#include "gfx/graphics.h"
#include "quorl/quorl.h"
#include "tests/support/headless_seam.h"

#if QUORL_BENCH_SDL
#include <SDL.h>
#endif

constexpr int32_t SPRITE_COUNT = 1000;
constexpr int32_t SPRITE_FRAMES = 300;

// Where sprite i goes and which 16 x 16 tile of the sheet it shows.
struct SpritePlace {
    int32_t x, y, tileTop;
};

static SpritePlace spritePlace(int32_t i);
static double medianFrameMs(Image* sheets[2]);
#if QUORL_BENCH_SDL
static double sdlMedianFrameMs();
#endif

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
    GlBinding quorlGl = currentGlBinding();
    double waiting = medianFrameMs(sheets);
    emuReuseTextures.store(1);
    double reusing = medianFrameMs(sheets);
    emuReuseTextures.store(0);
#if QUORL_BENCH_SDL
    double sdl = sdlMedianFrameMs();
    // Quorl again, after SDL2, so that a slower or faster stretch of the
    // machine does not favour one side: the better of the two runs counts.
    makeCurrent(quorlGl);
    waiting = std::min(waiting, medianFrameMs(sheets));
#endif
    std::printf("%-28s %10s\n", "1000 sprites", "ms/frame");
    std::printf("%-28s %10.2f\n", "Quorl, waiting for the GPU", waiting);
    std::printf("%-28s %10.2f\n", "Quorl, reusing textures", reusing);
#if QUORL_BENCH_SDL
    std::printf("%-28s %10.2f\n", "SDL2 OpenGL, two textures", sdl);
#endif
    std::printf("sprites1000_ms=%.2f\nsprites1000_reuse_ms=%.2f\n", waiting, reusing);
#if QUORL_BENCH_SDL
    std::printf("sprites1000_sdl_gl_ms=%.2f\nsprites1000_vs_sdl_gl=%.2f\n", sdl, waiting / sdl);
#endif
    return 0;
}

static SpritePlace spritePlace(int32_t i)
{
    return {(i * 16) % SCREEN_WIDTH, (i / 30) * 8 % (SCREEN_HEIGHT - 16), 16 * (i % 7)};
}

static double medianFrameMs(Image* sheets[2])
{
    std::vector<double> frames;
    for (int32_t frame = 0; frame < SPRITE_FRAMES; ++frame) {
        double start = nowMs();
        startDrawing();
        for (int32_t i = 0; i < SPRITE_COUNT; ++i) {
            Image* sheet = sheets[i % 2];
            SpritePlace place = spritePlace(i);
            sheet->x = place.x;
            sheet->y = place.y;
            sheet->srcY0 = static_cast<float>(place.tileTop);
            sheet->srcY1 = sheet->srcY0 + 16.0f;
            sheet->drawHeight = 16;
            drawImage(sheet);
        }
        endDrawing();
        presentFrame();
        glFinish();
        frames.push_back(nowMs() - start);
    }
    return medianOf(frames);
}

#if QUORL_BENCH_SDL
static double sdlMedianFrameMs()
{
    RgbaPicture sheet;
    if (SDL_Init(SDL_INIT_VIDEO) != 0 || !decodePngRgba("assets/boules.png", &sheet)) {
        std::fprintf(stderr, "SDL2 peer: %s\n", SDL_GetError());
        return 0.0;
    }
    SDL_Window* window = SDL_CreateWindow("SDL2 OpenGL", 500, 0, SCREEN_WIDTH, SCREEN_HEIGHT,
                                          SDL_WINDOW_OPENGL);
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    if (renderer == nullptr) {
        std::fprintf(stderr, "SDL2 peer: %s\n", SDL_GetError());
        return 0.0;
    }
    // Two textures from the one file, as Quorl's two separately loaded sheets.
    SDL_Texture* textures[2];
    for (SDL_Texture*& texture : textures) {
        texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STATIC,
                                    sheet.width, sheet.height);
        SDL_UpdateTexture(texture, nullptr, sheet.pixels.data(), sheet.width * 4);
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
    }
    std::vector<double> frames;
    for (int32_t frame = 0; frame < SPRITE_FRAMES; ++frame) {
        double start = nowMs();
        for (int32_t i = 0; i < SPRITE_COUNT; ++i) {
            SpritePlace place = spritePlace(i);
            SDL_Rect source = {0, place.tileTop, 16, 16};
            SDL_Rect target = {place.x, place.y, 16, 16};
            SDL_RenderCopy(renderer, textures[i % 2], &source, &target);
        }
        SDL_RenderPresent(renderer);
        glFinish();
        frames.push_back(nowMs() - start);
    }
    return medianOf(frames);
}
#endif
