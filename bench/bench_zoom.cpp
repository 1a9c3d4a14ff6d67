// The cost of showing a frame enlarged: presentFrame, then glFinish, with the
// intro drawn once into the 480 x 272 corner, in a window whose drawable is
// 480 x 272 (1x), 960 x 544 (2x), 1920 x 1088 (4x) and 1920 x 1080 (full
// screen on a 1920 x 1080 screen: 3x, centred on black), median of 300 each,
// every size on its own.
// Beside it, SDL2's OpenGL renderer shows the same picture, as a 480 x 272
// texture already uploaded, in a 1920 x 1080 window with a logical size of
// 480 x 272 and integer scaling (SDL_RenderClear, SDL_RenderCopy,
// SDL_RenderPresent, glFinish), in turns with Quorl's full screen, frame by
// frame; the texture also uploaded anew every frame. The two full-screen
// pictures are compared first. Needs an X screen of 3880 x 1088 or more, for
// the two windows side by side (tools/bench.sh starts one).
// Run from the source tree: DISPLAY=:n build/bench_zoom
#include <GL/gl.h>

#include <cstdio>
#include <vector>

#include "bench/support/bench_support.h"
#include "gfx/graphics.h"
#include "quorl/quorl.h"
#include "tests/support/headless_seam.h"

#if QUORL_BENCH_SDL
#include <SDL.h>
#endif

constexpr int32_t ROUNDS = 3;
constexpr int32_t FRAMES_PER_ROUND = 100;
constexpr int32_t WARM_UP_FRAMES = 10;
constexpr int32_t FULL_WIDTH = 1920;
constexpr int32_t FULL_HEIGHT = 1080;

namespace {
struct AreaSize {
    const char* name;
    int32_t width, height;
};
}  // namespace

static const AreaSize SIZES[] = {
    {"1x", 480, 272}, {"2x", 960, 544}, {"4x", 1920, 1088}, {"fs", FULL_WIDTH, FULL_HEIGHT}};
constexpr int32_t SIZE_COUNT = sizeof(SIZES) / sizeof(SIZES[0]);
constexpr int32_t FULL_SCREEN = SIZE_COUNT - 1;

static void drawIntro(Image* intro);
static void resizeTo(int32_t width, int32_t height, Image* intro);
static double presentMs();

#if QUORL_BENCH_SDL
struct SdlPeer {
    SDL_Window* window;
    SDL_Renderer* renderer;
    SDL_Texture* texture;
    GlBinding gl;
};
static bool openPeer(SdlPeer* peer, const std::vector<uint8_t>& frame);
static double peerPresentMs(SdlPeer* peer, const std::vector<uint8_t>* upload);
static FrameDifference compareWithPeer(SdlPeer* peer, const std::vector<uint32_t>& shown);
#endif

int main()
{
    if (!startLibraryOnce()) {
        std::fprintf(stderr, "no GL context (is DISPLAY set?)\n");
        return 1;
    }
    Image* intro = loadImage("assets/intro.png", PF_8888);
    if (intro == nullptr) {
        std::fprintf(stderr, "assets/intro.png: %s (run from the source tree)\n", lastLoadError());
        return 1;
    }
    drawIntro(intro);
    std::vector<uint8_t> frame = readScreenRgba();
    const GlBinding quorlGl = currentGlBinding();

#if QUORL_BENCH_SDL
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
        return 1;
    }
    SdlPeer peer = {};
    if (!openPeer(&peer, frame)) {
        return 1;
    }
    makeCurrent(quorlGl);
    resizeTo(FULL_WIDTH, FULL_HEIGHT, intro);
    FrameDifference difference = compareWithPeer(&peer, headlessShownPixels(FULL_WIDTH, FULL_HEIGHT));
    std::vector<double> peerTimes;
    std::vector<double> peerUploadTimes;  // the texture uploaded anew for every frame
#endif

    // Every size alone; then full screen again and its peers in turn, frame
    // by frame, so that load elsewhere and the switches between contexts
    // weigh on all of them alike.
    std::vector<double> times[SIZE_COUNT];
    std::vector<double> inTurnsTimes;  // full screen, in turns with the peers
    for (int32_t round = 0; round < ROUNDS; ++round) {
        makeCurrent(quorlGl);
        for (int32_t size = 0; size < SIZE_COUNT; ++size) {
            resizeTo(SIZES[size].width, SIZES[size].height, intro);
            for (int32_t i = 0; i < FRAMES_PER_ROUND; ++i) {
                times[size].push_back(presentMs());
            }
        }
#if QUORL_BENCH_SDL
        for (int32_t i = 0; i < WARM_UP_FRAMES; ++i) {
            peerPresentMs(&peer, nullptr);
        }
#endif
        for (int32_t i = 0; i < FRAMES_PER_ROUND; ++i) {
            makeCurrent(quorlGl);
            inTurnsTimes.push_back(presentMs());
#if QUORL_BENCH_SDL
            peerTimes.push_back(peerPresentMs(&peer, nullptr));
            peerUploadTimes.push_back(peerPresentMs(&peer, &frame));
#endif
        }
    }

    double inTurnsMs = medianOf(inTurnsTimes);
    std::printf("%-28s %10s\n", "shown at", "ms/frame");
    double medians[SIZE_COUNT];
    for (int32_t size = 0; size < SIZE_COUNT; ++size) {
        medians[size] = medianOf(times[size]);
        std::printf("Quorl %-22s %10.3f\n", SIZES[size].name, medians[size]);
    }
#if QUORL_BENCH_SDL
    double peerMs = medianOf(peerTimes);
    double peerUploadMs = medianOf(peerUploadTimes);
    std::printf("%-28s %10.3f\n", "Quorl fs, in turns", inTurnsMs);
    std::printf("%-28s %10.3f\n", "SDL2 OpenGL fs", peerMs);
    std::printf("%-28s %10.3f\n", "SDL2 OpenGL fs, uploading", peerUploadMs);
    std::printf("full-screen pictures: %lld pixels differ\n", static_cast<long long>(difference.pixels));
#endif
    for (int32_t size = 0; size < SIZE_COUNT; ++size) {
        std::printf("zoom_present_ms_%s=%.3f\n", SIZES[size].name, medians[size]);
    }
    std::printf("zoom_fs_minus_1x_ms=%.3f\n", medians[FULL_SCREEN] - medians[0]);
    std::printf("zoom_present_ms_fs_in_turns=%.3f\n", inTurnsMs);
#if QUORL_BENCH_SDL
    std::printf("zoom_present_sdl_ms_fs=%.3f\n", peerMs);
    std::printf("zoom_present_sdl_upload_ms_fs=%.3f\n", peerUploadMs);
    std::printf("zoom_fs_vs_sdl=%.2f\n", inTurnsMs / peerMs);
    std::printf("zoom_fs_vs_sdl_upload=%.2f\n", inTurnsMs / peerUploadMs);
    std::printf("zoom_fs_sdl_pixels_differ=%lld\n", static_cast<long long>(difference.pixels));
#endif
    return 0;
}

static void drawIntro(Image* intro)
{
    startDrawing();
    drawImage(intro);
    endDrawing();
}

// A drawable of a new size starts empty: the frame is drawn again.
static void resizeTo(int32_t width, int32_t height, Image* intro)
{
    headlessResizeWindow(width, height);
    presentMs();  // the driver takes the new size
    drawIntro(intro);
    for (int32_t i = 0; i < WARM_UP_FRAMES; ++i) {
        presentMs();
    }
}

static double presentMs()
{
    double start = nowMs();
    presentFrame();
    glFinish();
    return nowMs() - start;
}

#if QUORL_BENCH_SDL
static bool openPeer(SdlPeer* peer, const std::vector<uint8_t>& frame)
{
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    // Beside Quorl's window, so that neither covers the other.
    peer->window = SDL_CreateWindow("SDL2 OpenGL", FULL_WIDTH + 40, 0, FULL_WIDTH, FULL_HEIGHT, SDL_WINDOW_OPENGL);
    peer->renderer = peer->window != nullptr ? SDL_CreateRenderer(peer->window, -1, SDL_RENDERER_ACCELERATED)
                                             : nullptr;
    if (peer->renderer == nullptr) {
        std::fprintf(stderr, "SDL2 peer: %s\n", SDL_GetError());
        return false;
    }
    SDL_RenderSetLogicalSize(peer->renderer, SCREEN_WIDTH, SCREEN_HEIGHT);
    SDL_RenderSetIntegerScale(peer->renderer, SDL_TRUE);
    SDL_SetRenderDrawColor(peer->renderer, 0, 0, 0, 255);
    // ABGR8888 is red, green, blue, alpha in memory on a little-endian machine.
    peer->texture = SDL_CreateTexture(peer->renderer, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STATIC,
                                      SCREEN_WIDTH, SCREEN_HEIGHT);
    SDL_UpdateTexture(peer->texture, nullptr, frame.data(), SCREEN_WIDTH * 4);
    SDL_SetTextureBlendMode(peer->texture, SDL_BLENDMODE_NONE);
    peer->gl = currentGlBinding();
    return true;
}

static void drawPeerFrame(SdlPeer* peer)
{
    makeCurrent(peer->gl);
    SDL_RenderClear(peer->renderer);
    SDL_RenderCopy(peer->renderer, peer->texture, nullptr, nullptr);
}

// With `upload`, the frame goes into the texture first, as a front end's
// emulated frame does every frame.
static double peerPresentMs(SdlPeer* peer, const std::vector<uint8_t>* upload)
{
    makeCurrent(peer->gl);
    double start = nowMs();
    if (upload != nullptr) {
        SDL_UpdateTexture(peer->texture, nullptr, upload->data(), SCREEN_WIDTH * 4);
    }
    drawPeerFrame(peer);
    SDL_RenderPresent(peer->renderer);
    glFinish();
    return nowMs() - start;
}

// Quorl's picture as the X server shows it against SDL's as its renderer
// reads it back, before the present.
static FrameDifference compareWithPeer(SdlPeer* peer, const std::vector<uint32_t>& shown)
{
    drawPeerFrame(peer);
    std::vector<uint8_t> peerPixels(static_cast<size_t>(FULL_WIDTH) * FULL_HEIGHT * 4);
    SDL_Rect whole = {0, 0, FULL_WIDTH, FULL_HEIGHT};
    SDL_RenderSetLogicalSize(peer->renderer, 0, 0);  // read the whole window, not the logical area
    SDL_RenderReadPixels(peer->renderer, &whole, SDL_PIXELFORMAT_ABGR8888, peerPixels.data(), FULL_WIDTH * 4);
    SDL_RenderSetLogicalSize(peer->renderer, SCREEN_WIDTH, SCREEN_HEIGHT);
    SDL_RenderPresent(peer->renderer);
    std::vector<uint8_t> quorlPixels(peerPixels.size());
    for (size_t i = 0; i < shown.size() && i * 4 < quorlPixels.size(); ++i) {
        for (size_t c = 0; c < 4; ++c) {
            quorlPixels[i * 4 + c] = static_cast<uint8_t>(shown[i] >> (8 * c));
        }
    }
    return compareFrames(quorlPixels, peerPixels);
}
#endif
