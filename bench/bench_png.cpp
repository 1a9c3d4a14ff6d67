// Loading pictures: Quorl's loadImage (libpng's decode plus the conversion
// into the pixel format) against libpng's bare decode of the same file
// (png_read_png with no transform, rows kept by libpng), for every picture
// in assets/ and a generated 1 024 x 1 024 RGBA picture, as PF_5551 (what the
// game asks for) and PF_8888. Median of 60 loads each (more for small
// pictures: at least 300 ms of loading), taken in turn; the
// worst ratio is png_vs_libpng.
// Run from the source tree: build/bench_png
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/support/bench_support.h"
#include "quorl/quorl.h"
#include "tools/raster.h"

constexpr int32_t PNG_LOADS = 60;
// Small pictures load in tens of microseconds: they are loaded for at least
// this long, so that a moment of load elsewhere on the machine cannot decide
// their median.
constexpr double PNG_MIN_MS = 300.0;
constexpr int32_t LARGE_SIDE = 1024;

static bool writeLargePicture(const std::string& path);
static bool bareDecode(const char* path);

int main()
{
    std::vector<std::string> files = {"assets/boules.png", "assets/fleche.png",
                                      "assets/fond.png",   "assets/gagne.png",
                                      "assets/intro.png",  "assets/lignes.png",
                                      "assets/perdu.png",  "assets/solutions.png"};
    std::string large = "/tmp/quorl_bench_rgba1024.png";
    if (!writeLargePicture(large)) {
        std::fprintf(stderr, "cannot write %s\n", large.c_str());
        return 1;
    }
    files.push_back(large);

    const struct {
        int32_t format;
        const char* name;
    } formats[] = {{PF_5551, "5551"}, {PF_8888, "8888"}};
    std::printf("%-34s %-6s %12s %12s %7s\n", "file", "format", "libpng us", "Quorl us", "ratio");
    double worst = 0.0;
    std::string figures;
    for (const std::string& file : files) {
        for (const auto& format : formats) {
            std::vector<double> bare;
            std::vector<double> quorl;
            double spentMs = 0.0;
            for (int32_t i = 0; i < PNG_LOADS || spentMs < PNG_MIN_MS; ++i) {
                double start = nowMs();
                if (!bareDecode(file.c_str())) {
                    std::fprintf(stderr, "%s: libpng cannot decode it\n", file.c_str());
                    return 1;
                }
                bare.push_back(nowMs() - start);
                start = nowMs();
                Image* image = loadImage(file.c_str(), format.format);
                if (image == nullptr) {
                    std::fprintf(stderr, "%s: %s\n", file.c_str(), lastLoadError());
                    return 1;
                }
                releaseImage(image);
                quorl.push_back(nowMs() - start);
                spentMs += bare.back() + quorl.back();
            }
            double bareUs = medianOf(bare) * 1000.0;
            double quorlUs = medianOf(quorl) * 1000.0;
            double ratio = quorlUs / bareUs;
            worst = std::max(worst, ratio);
            std::string label = file.substr(file.find_last_of('/') + 1);
            label = label.substr(0, label.find('.'));  // figure names: a-z, 0-9, _
            std::printf("%-34s %-6s %12.1f %12.1f %7.3f\n", file.c_str(), format.name, bareUs,
                        quorlUs, ratio);
            char line[96];
            std::snprintf(line, sizeof line, "png_%s_%s_vs_libpng=%.3f\n", label.c_str(),
                          format.name, ratio);
            figures += line;
        }
    }
    std::remove(large.c_str());
    std::printf("%spng_vs_libpng=%.3f\n", figures.c_str(), worst);
    return 0;
}

// Smooth colour and alpha ramps with a little noise, so that it compresses
// like a drawn picture rather than a flat or a random one.
static bool writeLargePicture(const std::string& path)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(LARGE_SIDE) * LARGE_SIDE * 4);
    uint32_t seed = 12345;
    for (int32_t y = 0; y < LARGE_SIDE; ++y) {
        for (int32_t x = 0; x < LARGE_SIDE; ++x) {
            seed = seed * 1664525u + 1013904223u;
            uint32_t noise = (seed >> 24) & 7;
            uint8_t* p = &bytes[(static_cast<size_t>(y) * LARGE_SIDE + x) * 4];
            p[0] = static_cast<uint8_t>((x / 4 + noise) & 255);
            p[1] = static_cast<uint8_t>((y / 4 + noise) & 255);
            p[2] = static_cast<uint8_t>(((x + y) / 8) & 255);
            p[3] = static_cast<uint8_t>(((x ^ y) & 64) != 0 ? 255 : (x / 4) & 255);
        }
    }
    return writePngBytes(path, LARGE_SIDE, LARGE_SIDE, 4, bytes);
}

static bool bareDecodeInto(png_structp png, png_infop info, FILE* file)
{
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    return png_get_rows(png, info) != nullptr;
}

// fopen, png_read_png, destroy, fclose: what a program that only wants the
// pixels libpng gives it does.
static bool bareDecode(const char* path)
{
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool done = info != nullptr && bareDecodeInto(png, info, file);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return done;
}
