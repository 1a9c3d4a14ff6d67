// Texture upload cost: how long binding a fresh image takes per frame for a
// full-screen picture in each format, with and without the glFinish that
// emuReuseTextures removes, for PF_5551 and PF_4444 on the plain path and on
// the red-and-blue-exchanged fast path, and how long palette expansion alone
// takes.
// Run under an X server: DISPLAY=:n build/bench_upload
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "gfx/graphics.h"
#include "gfx/image.h"
#include "gfx/library.h"
#include "quorl/host.h"
#include "tests/support/headless_seam.h"

constexpr int32_t BENCH_ROUNDS = 200;

static double microsecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
        .count();
}

int main()
{
    if (!startLibraryOnce()) {
        fprintf(stderr, "no GL context (is DISPLAY set?)\n");
        return 1;
    }
    static uint32_t colors[256];
    for (int32_t i = 0; i < 256; ++i) {
        colors[i] = 0xFF000000u | static_cast<uint32_t>(i * 0x010101);
    }
    Palette palette = {PF_8888, 256, colors};
    const char* names[] = {"5650", "5551", "4444", "8888", "T4", "T8"};

    printf("%-6s %-8s %-6s %12s\n", "format", "finish", "path", "us/upload");
    std::string figures;
    const int32_t swizzle = textureSwizzle;
    for (int32_t format = PF_5650; format <= PF_T8; ++format) {
        Image* image = createImage(480, 272, LOC_RAM, format);
        memset(image->pixels, 0x5A, image->byteSize);
        image->palette = &palette;
        for (int32_t reuse : {0, 1}) {
            for (int32_t fast : {0, 1}) {
                if (fast != 0 && ((format != PF_5551 && format != PF_4444) || swizzle == 0)) {
                    continue;  // the formats without a fast path
                }
                textureSwizzle = fast;
                emuReuseTextures.store(reuse);
                auto start = std::chrono::steady_clock::now();
                for (int32_t round = 0; round < BENCH_ROUNDS; ++round) {
                    endDrawing();
                    startDrawing();  // the next bind uploads again
                    bindImage(image);
                }
                glFinish();
                double us = microsecondsSince(start) / BENCH_ROUNDS;
                printf("%-6s %-8s %-6s %12.1f\n", names[format], reuse ? "no" : "yes",
                       fast ? "fast" : "plain", us);
                if (reuse != 0) {
                    figures += "upload_" + std::string(names[format]) + (fast ? "_fast" : "") +
                               "_us=" + std::to_string(static_cast<int>(us)) + "\n";
                }
            }
        }
        textureSwizzle = swizzle;
        image->palette = nullptr;
        releaseImage(image);
    }
    emuReuseTextures.store(0);

    Image* paletted = createImage(512, 512, LOC_RAM, PF_T8);
    memset(paletted->pixels, 0x33, paletted->byteSize);
    paletted->palette = &palette;
    bindImage(paletted);
    auto start = std::chrono::steady_clock::now();
    for (int32_t round = 0; round < BENCH_ROUNDS; ++round) {
        expandPalettedRows(paletted->pixels, 512, 512, paletted->bufferWidth);
    }
    double expandUs = microsecondsSince(start) / BENCH_ROUNDS;
    printf("expand 512x512 T8: %.1f us\n", expandUs);
    printf("%sexpand_t8_512_us=%d\n", figures.c_str(), static_cast<int>(expandUs));
    paletted->palette = nullptr;
    releaseImage(paletted);
    return 0;
}
