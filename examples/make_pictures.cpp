// make_example_pictures: draws the examples' pictures with the artwork
// generator's rasteriser (tools/raster.h) and writes them as PNG files.
//
//   make_example_pictures <examples directory>
//
// Unlike the game's pictures these keep 8 bits per channel and soft
// transparency: showcase loads one of them in every pixel format to show
// what each format keeps. Every shape is computed, so two runs write the
// same bytes.

#include <cmath>    // Required for: std::sin, std::cos, std::sqrt, std::fabs
#include <cstdint>  // Required for: uint8_t, uint32_t
#include <cstdio>   // Required for: std::fopen, std::fprintf
#include <filesystem>  // Required for: std::filesystem::create_directories
#include <string>   // Required for: std::string
#include <vector>   // Required for: std::vector

#include "tools/raster.h"

constexpr float PIC_PI = 3.14159265f;

const Colour PIC_ROCKET_HULL = rgb(0xe8ecf4);
const Colour PIC_ROCKET_NOSE = rgb(0xffd040);
const Colour PIC_ROCKET_FIN = rgb(0xe04848);
const Colour PIC_ROCKET_FLAME = rgb(0xff9a30);
const Colour PIC_WINDOW = rgb(0x3a8ee8);
const Colour PIC_WINDOW_RIM = rgb(0x445066);
const Colour PIC_STAR_FILL = rgb(0xffcc33);
const Colour PIC_STAR_EDGE = rgb(0xb86a10);
const Colour PIC_DIAL_FACE = rgb(0xf4ecd8);
const Colour PIC_DIAL_RIM = rgb(0x2a3550);
const Colour PIC_DIAL_TICK = rgb(0x4a5470);
const Colour PIC_HAND = rgb(0xc83a3a);
const Colour PIC_HAND_BOSS = rgb(0x6a1c1c);
const Colour PIC_BADGE_TOP = rgb(0x9a5cf6);
const Colour PIC_BADGE_BOTTOM = rgb(0x30b4f0);
const Colour PIC_SKY_TOP = rgb(0x1b2550);
const Colour PIC_SKY_BOTTOM = rgb(0xf0906a);
const Colour PIC_SUN = rgb(0xffe0a0);
const Colour PIC_HILLS = rgb(0x5a4a7a);
const Colour PIC_TOWERS = rgb(0x22223a);
const Colour PIC_LIT_WINDOW = rgb(0xffd27a);
const Colour PIC_GROUND = rgb(0x141422);

static Canvas makeRocket();
static Canvas makeStar();
static Canvas makeDial();
static Canvas makeHand();
static Canvas makeBadge();
static Canvas makeSkyline();
static uint32_t hashCell(int x, int y);
static bool writeRgbaPng(const std::string& path, const Canvas& canvas);

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_example_pictures <examples directory>\n");
        return 2;
    }
    const std::string directory = argv[1];
    struct Output {
        const char* path;
        Canvas canvas;
    };
    const Output outputs[] = {
        {"hello_sprite/rocket.png", makeRocket()}, {"showcase/star.png", makeStar()},
        {"showcase/dial.png", makeDial()},         {"showcase/hand.png", makeHand()},
        {"showcase/badge.png", makeBadge()},       {"showcase/skyline.png", makeSkyline()},
    };
    int failures = 0;
    for (const Output& output : outputs) {
        std::string path = directory + "/" + output.path;
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
        if (!writeRgbaPng(path, output.canvas)) {
            std::fprintf(stderr, "make_example_pictures: cannot write %s\n", path.c_str());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}

// A rocket pointing up, 32 x 32, centred on (16, 16): white hull, yellow
// nose, red fins, a blue window on the centre and a flame below.
static Canvas makeRocket() {
    Canvas canvas = makeCanvas(32, 32, COLOUR_TRANSPARENT);
    paint(canvas, 12, 26, 21, 32, [](float x, float y) {
        return insideTriangle(x, y, 13.0f, 26.0f, 20.0f, 26.0f, 16.5f, 31.5f) ? PIC_ROCKET_FLAME
                                                                               : COLOUR_TRANSPARENT;
    });
    paint(canvas, 4, 16, 29, 30, [](float x, float y) {
        bool left = insideTriangle(x, y, 12.0f, 17.0f, 12.0f, 26.0f, 5.0f, 29.0f);
        bool right = insideTriangle(x, y, 21.0f, 17.0f, 21.0f, 26.0f, 28.0f, 29.0f);
        return left || right ? PIC_ROCKET_FIN : COLOUR_TRANSPARENT;
    });
    paint(canvas, 10, 0, 23, 28, [](float x, float y) {
        if (insideTriangle(x, y, 16.5f, 0.5f, 11.0f, 10.0f, 22.0f, 10.0f)) return PIC_ROCKET_NOSE;
        if (roundedRectDistance(x, y, 11.0f, 8.0f, 22.0f, 27.0f, 2.5f) > 0) return COLOUR_TRANSPARENT;
        if (y < 10.0f) return PIC_ROCKET_NOSE;
        // A cylinder lit from the left: darker towards the right edge.
        return shade(PIC_ROCKET_HULL, 1.05f - 0.35f * smoothStep(13.0f, 22.0f, x));
    });
    paint(canvas, 11, 11, 22, 22, [](float x, float y) {
        float d = circleDistance(x, y, 16.5f, 16.5f, 4.5f);
        if (d > 0) return COLOUR_TRANSPARENT;
        return d > -1.2f ? PIC_WINDOW_RIM : PIC_WINDOW;
    });
    return canvas;
}

// A five-pointed star, 32 x 32, centred on the corner between pixels 15 and
// 16 so that it scales evenly about that point.
static Canvas makeStar() {
    Canvas canvas = makeCanvas(32, 32, COLOUR_TRANSPARENT);
    const float cx = 16.0f, cy = 16.0f, outer = 15.0f, inner = 6.5f;
    float px[10], py[10];
    for (int i = 0; i < 10; ++i) {
        float angle = -PIC_PI / 2 + i * PIC_PI / 5;
        float radius = i % 2 == 0 ? outer : inner;
        px[i] = cx + radius * std::cos(angle);
        py[i] = cy + radius * std::sin(angle);
    }
    // Inside: in one of the five arm triangles or the inner pentagon's fan.
    auto inside = [&](float x, float y) {
        for (int i = 0; i < 10; ++i) {
            int j = (i + 1) % 10;
            if (insideTriangle(x, y, cx, cy, px[i], py[i], px[j], py[j])) return true;
        }
        return false;
    };
    auto edgeDistance = [&](float x, float y) {
        float best = 1e9f;
        for (int i = 0; i < 10; ++i) {
            int j = (i + 1) % 10;
            best = std::min(best, segmentDistance(x, y, px[i], py[i], px[j], py[j]));
        }
        return best;
    };
    paint(canvas, 0, 0, 32, 32, [&](float x, float y) {
        if (!inside(x, y)) return COLOUR_TRANSPARENT;
        if (edgeDistance(x, y) < 1.2f) return PIC_STAR_EDGE;
        // A glint on the upper left arm.
        float glint = circleDistance(x, y, 10.5f, 12.0f, 1.6f);
        return glint < 0 ? rgb(0xfff6d0) : PIC_STAR_FILL;
    });
    return canvas;
}

// A clock face, 64 x 64, centred on pixel (32, 32), with twelve ticks.
static Canvas makeDial() {
    Canvas canvas = makeCanvas(64, 64, COLOUR_TRANSPARENT);
    const float cx = 32.5f, cy = 32.5f;
    paint(canvas, 0, 0, 64, 64, [&](float x, float y) {
        float d = circleDistance(x, y, cx, cy, 30.5f);
        if (d > 0) return COLOUR_TRANSPARENT;
        if (d > -2.5f) return PIC_DIAL_RIM;
        // The face darkens a little under the rim.
        return shade(PIC_DIAL_FACE, 1.0f - 0.12f * smoothStep(-6.0f, -2.5f, d));
    });
    for (int hour = 0; hour < 12; ++hour) {
        float angle = hour * PIC_PI / 6;
        float sx = std::sin(angle), sy = -std::cos(angle);
        float width = hour % 3 == 0 ? 1.4f : 0.8f;
        paint(canvas, 0, 0, 64, 64, [&](float x, float y) {
            float d = segmentDistance(x, y, cx + 22 * sx, cy + 22 * sy, cx + 26 * sx, cy + 26 * sy);
            return d < width ? PIC_DIAL_TICK : COLOUR_TRANSPARENT;
        });
    }
    return canvas;
}

// A clock hand, 7 x 28, pointing up from a round boss on pixel (3, 24): the
// pivot it turns about.
static Canvas makeHand() {
    Canvas canvas = makeCanvas(7, 28, COLOUR_TRANSPARENT);
    paint(canvas, 0, 0, 7, 28, [](float x, float y) {
        if (circleDistance(x, y, 3.5f, 24.5f, 3.0f) < 0) return PIC_HAND_BOSS;
        if (roundedRectDistance(x, y, 1.5f, 1.0f, 5.5f, 27.0f, 2.0f) < 0) return PIC_HAND;
        return COLOUR_TRANSPARENT;
    });
    return canvas;
}

// A rounded badge with a sparkle, 32 x 32, over a soft black shadow: its
// edges and shadow are partly transparent, which every pixel format keeps
// differently.
static Canvas makeBadge() {
    Canvas canvas = makeCanvas(32, 32, COLOUR_TRANSPARENT);
    paint(canvas, 0, 0, 32, 32, [](float x, float y) {
        float d = roundedRectDistance(x, y, 6.0f, 6.0f, 30.0f, 30.0f, 7.0f);
        return withAlpha(rgb(0x000000), 0.7f * (1.0f - smoothStep(-2.0f, 2.0f, d)));
    });
    paint(canvas, 0, 0, 32, 32, [](float x, float y) {
        if (roundedRectDistance(x, y, 3.0f, 3.0f, 27.0f, 27.0f, 6.0f) > 0) return COLOUR_TRANSPARENT;
        // Four-pointed sparkle: |dx|^0.5 + |dy|^0.5 under a bound.
        float dx = std::fabs(x - 15.0f), dy = std::fabs(y - 15.0f);
        if (std::sqrt(dx) + std::sqrt(dy) < 2.9f) return rgb(0xffffff);
        Colour body = mix(PIC_BADGE_TOP, PIC_BADGE_BOTTOM, (y - 3.0f) / 24.0f);
        // A lighter rim along the top edge.
        float rim = roundedRectDistance(x, y, 3.0f, 3.0f, 27.0f, 27.0f, 6.0f);
        return rim > -1.2f && y < 12.0f ? shade(body, 1.35f) : body;
    });
    return canvas;
}

// A town at dusk, 448 x 40: towers with lit windows in front of hills and a
// low sun. Every 64-pixel stretch differs, so a strip drawn in the wrong
// place shows.
static Canvas makeSkyline() {
    const int width = 448, height = 40;
    Canvas canvas = makeCanvas(width, height, PIC_SKY_TOP);
    paint(canvas, 0, 0, width, height, [](float, float y) {
        return mix(PIC_SKY_TOP, PIC_SKY_BOTTOM, std::pow(y / 40.0f, 1.4f));
    });
    paint(canvas, 300, 8, 336, 40, [](float x, float y) {
        float d = circleDistance(x, y, 318.0f, 27.0f, 8.0f);
        if (d < 0) return PIC_SUN;
        return withAlpha(PIC_SUN, 0.35f * (1.0f - smoothStep(0.0f, 8.0f, d)));
    });
    paint(canvas, 0, 14, width, height, [](float x, float y) {
        float ridge = 27.0f + 4.0f * std::sin(x * 0.021f) + 3.0f * valueNoise(x * 0.06f, 0.0f, 7u);
        return y > ridge ? PIC_HILLS : COLOUR_TRANSPARENT;
    });
    // Towers: widths and heights from a hash of their place, windows lit by another.
    for (int x = 2; x < width - 8;) {
        uint32_t h = hashCell(x, 0);
        int towerWidth = 8 + int(h % 13);
        int top = 12 + int((h >> 8) % 20);
        for (int y = top; y < height; ++y) {
            for (int i = 0; i < towerWidth && x + i < width; ++i) {
                blendPixel(canvas, x + i, y, PIC_TOWERS);
            }
        }
        for (int wy = top + 2; wy < height - 5; wy += 4) {
            for (int wx = x + 2; wx + 2 <= x + towerWidth - 1; wx += 3) {
                if (hashCell(wx, wy) % 3 == 0) {
                    blendPixel(canvas, wx, wy, PIC_LIT_WINDOW);
                    blendPixel(canvas, wx, wy + 1, PIC_LIT_WINDOW);
                }
            }
        }
        x += towerWidth + 1 + int((h >> 16) % 6);
    }
    paint(canvas, 0, height - 3, width, height, [](float, float) { return PIC_GROUND; });
    return canvas;
}

static uint32_t hashCell(int x, int y) {
    uint32_t h = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h;
}

// 8-bit RGBA (RGB when every pixel is opaque), straight alpha; fully
// transparent pixels are stored black.
static bool writeRgbaPng(const std::string& path, const Canvas& canvas) {
    bool opaque = true;
    for (const Colour& p : canvas.pixels) opaque = opaque && p.a >= 1.0f - 1e-6f;
    const int channels = opaque ? 3 : 4;
    auto byte = [](float value) { return uint8_t(std::clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f); };

    std::vector<uint8_t> bytes(size_t(canvas.width) * canvas.height * channels);
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            Colour c = pixelAt(canvas, x, y);
            uint8_t* out = &bytes[(size_t(y) * canvas.width + x) * channels];
            uint8_t alpha = byte(c.a);
            out[0] = alpha != 0 ? byte(c.r) : 0;
            out[1] = alpha != 0 ? byte(c.g) : 0;
            out[2] = alpha != 0 ? byte(c.b) : 0;
            if (channels == 4) out[3] = alpha;
        }
    }
    return writePngBytes(path, canvas.width, canvas.height, channels, bytes);
}
