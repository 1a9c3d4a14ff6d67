// The won screen with a full board, drawn by the game's own drawScreen, from
// the first draw to the frame shown (present, then glFinish): median of 300
// frames (and again with reused textures). Beside it, SDL2's OpenGL and software renderers draw the same PNG
// files at the same places in the same order, each frame presented (and
// finished, for OpenGL); the three frames are read back and compared first.
// The draw list is taken from drawScreen itself: the benchmark is linked
// with drawImage, fillRect, loadImageFile and releaseImage wrapped, and one
// recorded frame notes which file each drawn picture came from (or, for one
// made in memory, as the font is, a copy of its pixels), where it went and
// its tint; a fill is a white pixel stretched and tinted.
// Run under an X server from the source tree: DISPLAY=:n build/bench_frame
#include <GL/gl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/shared/won_screen.h"
#include "bench/support/bench_support.h"
#include "quorl/host.h"
#include "game/board.h"
#include "game/game.h"
#include "gfx/graphics.h"
#include "gfx/image.h"
#include "quorl/quorl.h"
#include "tests/support/headless_seam.h"

#if QUORL_BENCH_SDL
#include <SDL.h>
#endif

constexpr int32_t FRAME_ROUNDS = 3;
constexpr int32_t FRAMES_PER_ROUND = 100;  // 300 frames for each renderer
constexpr int32_t WARM_UP_FRAMES = 10;

// One drawImage call of the recorded frame.
struct DrawnPicture {
    std::string file;
    int32_t x, y, width, height;
    float srcX0, srcY0, srcX1, srcY1;
    float angle;
    uint32_t tint;
};

static bool recording = false;
static std::vector<DrawnPicture> drawList;
static std::map<const void*, std::string> fileOfPixels;
static std::map<std::string, RgbaPicture> memoryPictures;  // by the name given in fileOfPixels

static RgbaPicture rgbaOfImage(const Image* image);

extern "C" void __real__Z9drawImageP5Image(Image* image);
extern "C" Image* __real__Z13loadImageFilePKcii(const char* name, int32_t location,
                                                int32_t pixelFormat);
extern "C" void __real__Z12releaseImageP5Image(Image* image);
extern "C" void __real__Z8fillRectiiiij(int32_t x, int32_t y, int32_t width, int32_t height,
                                        uint32_t color);

constexpr const char* FILL_PICTURE = "memory:fill";

// releaseImage as the game calls it: the pixels' memory may come back for
// another picture (the intro's for the fills, say), so the name goes.
extern "C" void __wrap__Z12releaseImageP5Image(Image* image)
{
    if (image != nullptr) {
        fileOfPixels.erase(image->pixels);
    }
    __real__Z12releaseImageP5Image(image);
}

// drawImage as the game calls it: noted while recording, then drawn.
extern "C" void __wrap__Z9drawImageP5Image(Image* image)
{
    if (recording && image != nullptr) {
        if (fileOfPixels.count(image->pixels) == 0) {
            std::string name = "memory:" + std::to_string(memoryPictures.size());
            fileOfPixels[image->pixels] = name;
            memoryPictures[name] = rgbaOfImage(image);
        }
        drawList.push_back({fileOfPixels[image->pixels], image->x, image->y, image->drawWidth,
                            image->drawHeight, image->srcX0, image->srcY0, image->srcX1,
                            image->srcY1, image->angle, currentColor});
    }
    __real__Z9drawImageP5Image(image);
}

// fillRect as the game calls it: noted as the white pixel stretched and tinted.
extern "C" void __wrap__Z8fillRectiiiij(int32_t x, int32_t y, int32_t width, int32_t height,
                                        uint32_t color)
{
    if (recording && width > 0 && height > 0) {
        memoryPictures[FILL_PICTURE] = {1, 1, {255, 255, 255, 255}};
        drawList.push_back({FILL_PICTURE, x, y, width, height, 0, 0, 1, 1, 0, color});
    }
    __real__Z8fillRectiiiij(x, y, width, height, color);
}

// loadImageFile as the game calls it: remembers which file the pixels hold.
extern "C" Image* __wrap__Z13loadImageFilePKcii(const char* name, int32_t location,
                                                int32_t pixelFormat)
{
    Image* image = __real__Z13loadImageFilePKcii(name, location, pixelFormat);
    if (image != nullptr) {
        fileOfPixels[image->pixels] = name;
    }
    return image;
}

static double quorlFrameMs();
static int64_t pageFaults();

#if QUORL_BENCH_SDL
struct SdlPeer {
    const char* label;
    SDL_Window* window;
    SDL_Renderer* renderer;
    std::map<std::string, SDL_Texture*> textures;
    bool usesGl;
    GlBinding gl;
};
static bool openPeer(SdlPeer* peer, Uint32 rendererFlags, int32_t windowX);
static void drawPeerFrame(SdlPeer* peer);
static double peerFrameMs(SdlPeer* peer);
static std::vector<uint8_t> peerPixels(SdlPeer* peer);
#endif

int main()
{
    if (!startLibraryOnce()) {
        std::fprintf(stderr, "no GL context (is DISPLAY set?)\n");
        return 1;
    }
    if (chdir("assets") != 0) {
        std::fprintf(stderr, "no assets/ here (run from the source tree)\n");
        return 1;
    }
    const GlBinding quorlGl = currentGlBinding();
    playToWonScreen();
    recording = true;
    drawScreen();
    recording = false;
    std::vector<uint8_t> quorlPixels = readScreenRgba();
    presentFrame();
    glFinish();
    int32_t uploadsBefore = uploadCount;
    drawScreen();
    int32_t uploadsPerFrame = uploadCount - uploadsBefore;
    presentFrame();
    glFinish();
    std::printf("won screen: %zu pictures drawn, %d uploads a frame\n", drawList.size(),
                uploadsPerFrame);

    std::vector<double> quorlTimes;
#if QUORL_BENCH_SDL
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
        return 1;
    }
    SdlPeer gl = {"SDL2 OpenGL", nullptr, nullptr, {}, true, {}};
    SdlPeer sw = {"SDL2 software", nullptr, nullptr, {}, false, {}};
    if (!openPeer(&gl, SDL_RENDERER_ACCELERATED, 500) || !openPeer(&sw, SDL_RENDERER_SOFTWARE, 0)) {
        return 1;
    }
    FrameDifference glDiff = compareFrames(quorlPixels, peerPixels(&gl));
    FrameDifference swDiff = compareFrames(quorlPixels, peerPixels(&sw));
    std::vector<double> glTimes;
    std::vector<double> swTimes;
    for (int32_t i = 0; i < WARM_UP_FRAMES; ++i) {
        peerFrameMs(&gl);
        peerFrameMs(&sw);
    }
#endif
    makeCurrent(quorlGl);
    for (int32_t i = 0; i < WARM_UP_FRAMES; ++i) {
        quorlFrameMs();
    }
    // Rounds in turn, so that a burst of load elsewhere falls on all three.
    int64_t quorlFaults = 0;
    for (int32_t round = 0; round < FRAME_ROUNDS; ++round) {
        makeCurrent(quorlGl);
        int64_t faultsBefore = pageFaults();
        for (int32_t i = 0; i < FRAMES_PER_ROUND; ++i) {
            quorlTimes.push_back(quorlFrameMs());
        }
        quorlFaults += pageFaults() - faultsBefore;
#if QUORL_BENCH_SDL
        for (int32_t i = 0; i < FRAMES_PER_ROUND; ++i) {
            glTimes.push_back(peerFrameMs(&gl));
        }
        for (int32_t i = 0; i < FRAMES_PER_ROUND; ++i) {
            swTimes.push_back(peerFrameMs(&sw));
        }
#endif
    }
    double frameMs = medianOf(quorlTimes);
    // The same with "Reuse textures (faster)" on: uploads do not wait for
    // the GPU first.
    makeCurrent(quorlGl);
    emuReuseTextures.store(1);
    std::vector<double> reuseTimes;
    int64_t reuseFaults = pageFaults();
    for (int32_t i = 0; i < FRAME_ROUNDS * FRAMES_PER_ROUND; ++i) {
        reuseTimes.push_back(quorlFrameMs());
    }
    reuseFaults = pageFaults() - reuseFaults;
    emuReuseTextures.store(0);
    double reuseMs = medianOf(reuseTimes);
    const double frames = FRAME_ROUNDS * FRAMES_PER_ROUND;
    std::printf("%-16s %10s %14s %12s %14s\n", "renderer", "ms/frame", "pixels differ", "largest",
                "faults/frame");
    std::printf("%-16s %10.3f %14s %12s %14.1f\n", "Quorl", frameMs, "-", "-",
                quorlFaults / frames);
    std::printf("%-16s %10.3f %14s %12s %14.1f\n", "Quorl, reusing", reuseMs, "-", "-",
                reuseFaults / frames);
#if QUORL_BENCH_SDL
    double glMs = medianOf(glTimes);
    double swMs = medianOf(swTimes);
    std::printf("%-16s %10.3f %14lld %12d\n", gl.label, glMs, (long long)glDiff.pixels,
                glDiff.largest);
    std::printf("%-16s %10.3f %14lld %12d\n", sw.label, swMs, (long long)swDiff.pixels,
                swDiff.largest);
#endif
    std::printf("frame_ms=%.3f\nframe_reuse_ms=%.3f\n", frameMs, reuseMs);
#if QUORL_BENCH_SDL
    std::printf("frame_sdl_gl_ms=%.3f\nframe_sdl_sw_ms=%.3f\n", glMs, swMs);
    std::printf("frame_vs_sdl_gl=%.2f\nframe_vs_sdl_sw=%.2f\n", frameMs / glMs, frameMs / swMs);
    std::printf("frame_sdl_gl_pixels_differ=%lld\nframe_sdl_sw_pixels_differ=%lld\n",
                (long long)glDiff.pixels, (long long)swDiff.pixels);
#endif
    return 0;
}


// Page faults (minor) of the process so far: storage the driver allocates
// anew at an upload shows here.
static int64_t pageFaults()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

static double quorlFrameMs()
{
    double start = nowMs();
    drawScreen();
    presentFrame();
    glFinish();
    return nowMs() - start;
}

#if QUORL_BENCH_SDL
static bool openPeer(SdlPeer* peer, Uint32 rendererFlags, int32_t windowX)
{
    peer->window = SDL_CreateWindow(peer->label, windowX, 0, SCREEN_WIDTH, SCREEN_HEIGHT,
                                    peer->usesGl ? SDL_WINDOW_OPENGL : 0);
    peer->renderer = peer->window != nullptr ? SDL_CreateRenderer(peer->window, -1, rendererFlags)
                                             : nullptr;
    if (peer->renderer == nullptr) {
        std::fprintf(stderr, "%s: %s\n", peer->label, SDL_GetError());
        return false;
    }
    SDL_RendererInfo info;
    SDL_GetRendererInfo(peer->renderer, &info);
    std::printf("%s: SDL render driver \"%s\"\n", peer->label, info.name);
    for (const DrawnPicture& drawn : drawList) {
        if (peer->textures.count(drawn.file) != 0) {
            continue;
        }
        RgbaPicture picture;
        if (memoryPictures.count(drawn.file) != 0) {
            picture = memoryPictures[drawn.file];
        } else if (!decodePngRgba(drawn.file.c_str(), &picture)) {
            std::fprintf(stderr, "%s: cannot decode\n", drawn.file.c_str());
            return false;
        }
        // ABGR8888 is red, green, blue, alpha in memory on a little-endian machine.
        SDL_Texture* texture = SDL_CreateTexture(peer->renderer, SDL_PIXELFORMAT_ABGR8888,
                                                 SDL_TEXTUREACCESS_STATIC, picture.width,
                                                 picture.height);
        SDL_UpdateTexture(texture, nullptr, picture.pixels.data(), picture.width * 4);
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
        peer->textures[drawn.file] = texture;
    }
    if (peer->usesGl) {
        peer->gl = currentGlBinding();
    }
    return true;
}

static void drawPeerFrame(SdlPeer* peer)
{
    if (peer->usesGl) {
        makeCurrent(peer->gl);
    }
    for (const DrawnPicture& drawn : drawList) {
        SDL_Rect source = {static_cast<int>(drawn.srcX0), static_cast<int>(drawn.srcY0),
                           static_cast<int>(drawn.srcX1 - drawn.srcX0),
                           static_cast<int>(drawn.srcY1 - drawn.srcY0)};
        SDL_Rect target = {drawn.x, drawn.y, drawn.width, drawn.height};
        SDL_Texture* texture = peer->textures[drawn.file];
        SDL_SetTextureColorMod(texture, drawn.tint & 0xFF, (drawn.tint >> 8) & 0xFF, (drawn.tint >> 16) & 0xFF);
        SDL_SetTextureAlphaMod(texture, drawn.tint >> 24);
        if (drawn.angle == 0.0f) {
            SDL_RenderCopy(peer->renderer, texture, &source, &target);
        } else {
            SDL_RenderCopyEx(peer->renderer, texture, &source, &target, drawn.angle, nullptr,
                             SDL_FLIP_NONE);
        }
    }
}

static double peerFrameMs(SdlPeer* peer)
{
    double start = nowMs();
    drawPeerFrame(peer);
    SDL_RenderPresent(peer->renderer);
    if (peer->usesGl) {
        glFinish();
    }
    return nowMs() - start;
}

static std::vector<uint8_t> peerPixels(SdlPeer* peer)
{
    drawPeerFrame(peer);
    std::vector<uint8_t> pixels(static_cast<size_t>(SCREEN_WIDTH) * SCREEN_HEIGHT * 4);
    SDL_RenderReadPixels(peer->renderer, nullptr, SDL_PIXELFORMAT_ABGR8888, pixels.data(),
                         SCREEN_WIDTH * 4);
    SDL_RenderPresent(peer->renderer);
    return pixels;
}
#endif

// The pixels of a picture made in memory as RGBA bytes, paletted ones looked
// up in their palette (an index past its end shows transparent).
static RgbaPicture rgbaOfImage(const Image* image)
{
    RgbaPicture picture = {image->width, image->height, {}};
    picture.pixels.resize(static_cast<size_t>(image->width) * image->height * 4);
    const auto* bytes = static_cast<const uint8_t*>(image->pixels);
    for (int32_t y = 0; y < image->height; ++y) {
        for (int32_t x = 0; x < image->width; ++x) {
            size_t at = static_cast<size_t>(y) * image->bufferWidth + x;
            uint32_t color = 0;
            if (image->pixelFormat == PF_T4 || image->pixelFormat == PF_T8) {
                uint32_t index = image->pixelFormat == PF_T8 ? bytes[at] : (bytes[at / 2] >> (at % 2 * 4)) & 0xF;
                const Palette* palette = image->palette;
                if (palette != nullptr && index < static_cast<uint32_t>(palette->count)) {
                    color = pixelToColor32(palette->colors[index], palette->pixelFormat);
                }
            } else if (image->pixelFormat == PF_8888) {
                color = static_cast<const uint32_t*>(image->pixels)[at];
            } else {
                color = pixelToColor32(static_cast<const uint16_t*>(image->pixels)[at], image->pixelFormat);
            }
            size_t out = (static_cast<size_t>(y) * image->width + x) * 4;
            for (int32_t channel = 0; channel < 4; ++channel) {
                picture.pixels[out + channel] = static_cast<uint8_t>(color >> (8 * channel));
            }
        }
    }
    return picture;
}
