// Software rasteriser of the artwork generator; see raster.h.

#include "tools/raster.h"

#include <png.h>  // Required for: png_create_write_struct, png_write_image

#include <cstdint>  // Required for: uint8_t, uint32_t
#include <cstdio>   // Required for: std::fopen, std::fclose

#include "gfx/glyphs.h"

//----------------------------------------------------------------------------------
// Constants
//----------------------------------------------------------------------------------
constexpr int GLYPH_COLUMNS = 7;
constexpr int GLYPH_ROWS = 8;

// 4x4 ordered-dither thresholds, 0..15.
constexpr int DITHER_MATRIX[4][4] = {
    {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

//----------------------------------------------------------------------------------
// Module internals
//----------------------------------------------------------------------------------
static bool glyphInk(unsigned char code, int column, int row);
static bool glyphInkAt(unsigned char code, float u, float v, bool smooth);
static std::vector<int> glyphOffsets(const std::string& text, bool proportional);
static bool textInkAt(const std::string& text, const std::vector<int>& offsets, bool smooth,
                      float u, float v);
static uint8_t quantise(float value, int x, int y, bool dither);
static bool encodePng(FILE* file, int width, int height, int colourType, png_bytep* rows);

//----------------------------------------------------------------------------------
// Canvas
//----------------------------------------------------------------------------------
Canvas makeCanvas(int width, int height, Colour fill) {
    Colour premultiplied = {fill.r * fill.a, fill.g * fill.a, fill.b * fill.a, fill.a};
    return Canvas{width, height, std::vector<Colour>(size_t(width) * height, premultiplied)};
}

void blendPixel(Canvas& canvas, int x, int y, Colour colour) {
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height) return;
    Colour& d = canvas.pixels[size_t(y) * canvas.width + x];
    float a = std::clamp(colour.a, 0.0f, 1.0f);
    d.r = colour.r * a + d.r * (1.0f - a);
    d.g = colour.g * a + d.g * (1.0f - a);
    d.b = colour.b * a + d.b * (1.0f - a);
    d.a = a + d.a * (1.0f - a);
}

Colour pixelAt(const Canvas& canvas, int x, int y) {
    const Colour& p = canvas.pixels[size_t(y) * canvas.width + x];
    if (p.a <= 0.0f) return COLOUR_TRANSPARENT;
    return {p.r / p.a, p.g / p.a, p.b / p.a, p.a};
}

void drawCanvas(Canvas& dst, const Canvas& src, int x, int y) {
    for (int sy = 0; sy < src.height; ++sy) {
        for (int sx = 0; sx < src.width; ++sx) blendPixel(dst, x + sx, y + sy, pixelAt(src, sx, sy));
    }
}

//----------------------------------------------------------------------------------
// Texture
//----------------------------------------------------------------------------------
static float latticeValue(int x, int y, unsigned seed) {
    uint32_t h = uint32_t(x) * 0x8DA6B343u ^ uint32_t(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return (h & 0xFFFF) / 65535.0f;
}

float valueNoise(float x, float y, unsigned seed) {
    int ix = int(std::floor(x)), iy = int(std::floor(y));
    float fx = smoothStep(0.0f, 1.0f, x - ix), fy = smoothStep(0.0f, 1.0f, y - iy);
    float top = latticeValue(ix, iy, seed) + (latticeValue(ix + 1, iy, seed) - latticeValue(ix, iy, seed)) * fx;
    float bottom = latticeValue(ix, iy + 1, seed) +
                   (latticeValue(ix + 1, iy + 1, seed) - latticeValue(ix, iy + 1, seed)) * fx;
    return top + (bottom - top) * fy;
}

//----------------------------------------------------------------------------------
// Text
//----------------------------------------------------------------------------------
int textWidth(const std::string& text, int scale) {
    if (text.empty()) return 0;
    return (int(text.size()) * RASTER_CHAR_ADVANCE - 1) * scale;
}

int styledTextWidth(const std::string& text, const TextStyle& style) {
    if (text.empty()) return 0;
    return (glyphOffsets(text, style.proportional).back() - 1) * style.scale;
}

void drawText(Canvas& canvas, int x, int y, const std::string& text, const TextStyle& style) {
    const float scale = float(style.scale);
    const std::vector<int> offsets = glyphOffsets(text, style.proportional);
    const bool hasOutline = style.outline.a > 0.0f;
    const bool hasShadow = style.shadow.a > 0.0f;
    const float outlineRadius = std::max(1.0f, scale * 0.5f);
    const int pad = int(std::ceil(outlineRadius + style.shadowOffset)) + 1;

    auto inkAt = [&](float px, float py) {
        return textInkAt(text, offsets, style.smooth, (px - x) / scale, (py - y) / scale);
    };
    auto outlineAt = [&](float px, float py) {
        if (!hasOutline) return false;
        static const float DIRECTIONS[8][2] = {{1, 0},     {-1, 0},     {0, 1},      {0, -1},
                                               {0.7f, 0.7f}, {-0.7f, 0.7f}, {0.7f, -0.7f}, {-0.7f, -0.7f}};
        for (const auto& d : DIRECTIONS) {
            if (inkAt(px + d[0] * outlineRadius, py + d[1] * outlineRadius)) return true;
        }
        return false;
    };
    paint(canvas, x - pad, y - pad, x + styledTextWidth(text, style) + pad,
          y + GLYPH_ROWS * style.scale + pad, [&](float px, float py) {
              if (inkAt(px, py)) {
                  return mix(style.top, style.bottom, (py - y) / (scale * RASTER_CHAR_HEIGHT));
              }
              if (outlineAt(px, py)) return style.outline;
              if (hasShadow) {
                  float sx = px - style.shadowOffset, sy = py - style.shadowOffset;
                  if (inkAt(sx, sy) || outlineAt(sx, sy)) return style.shadow;
              }
              return COLOUR_TRANSPARENT;
          });
}

void drawTextCentred(Canvas& canvas, int centreX, int y, const std::string& text,
                     const TextStyle& style) {
    drawText(canvas, centreX - styledTextWidth(text, style) / 2, y, text, style);
}

static bool glyphInk(unsigned char code, int column, int row) {
    if (column < 0 || column >= GLYPH_COLUMNS || row < 0 || row >= GLYPH_ROWS) return false;
    return (builtinGlyphBits[code * GLYPH_ROWS + row] >> column) & 1;
}

// Ink at a point in glyph units. Smoothing fills the corner triangle of a blank
// cell whose two neighbours towards that corner are both ink, which turns the
// steps of a diagonal into a straight 45-degree edge, and bevels the free outer
// corners of strokes a little.
static bool glyphInkAt(unsigned char code, float u, float v, bool smooth) {
    int column = int(std::floor(u)), row = int(std::floor(v));
    bool ink = glyphInk(code, column, row);
    if (!smooth) return ink;
    float fu = u - column, fv = v - row;
    int stepX = fu < 0.5f ? -1 : 1, stepY = fv < 0.5f ? -1 : 1;
    bool besideX = glyphInk(code, column + stepX, row), besideY = glyphInk(code, column, row + stepY);
    bool diagonal = glyphInk(code, column + stepX, row + stepY);
    float toCorner = (stepX < 0 ? fu : 1.0f - fu) + (stepY < 0 ? fv : 1.0f - fv);
    // Blank cell between two ink neighbours: fill its corner.
    if (!ink) return besideX && besideY && toCorner < 0.5f;
    // Lone outer corner of a stroke: bevel it off.
    if (!besideX && !besideY && !diagonal) return toCorner >= 0.3f;
    return true;
}

// Left edge of each glyph cell in glyph columns, plus the end of the text. A
// proportional glyph is shifted left by its blank columns and followed by one
// blank column; a space keeps a width of four.
static std::vector<int> glyphOffsets(const std::string& text, bool proportional) {
    std::vector<int> offsets;
    int x = 0;
    for (char ch : text) {
        unsigned char code = static_cast<unsigned char>(ch);
        int first = GLYPH_COLUMNS, last = -1;
        for (int row = 0; row < GLYPH_ROWS; ++row) {
            for (int column = 0; column < GLYPH_COLUMNS; ++column) {
                if (glyphInk(code, column, row)) {
                    first = std::min(first, column);
                    last = std::max(last, column);
                }
            }
        }
        if (!proportional || last < 0) {
            offsets.push_back(x);
            x += proportional ? 4 : RASTER_CHAR_ADVANCE;
        } else {
            offsets.push_back(x - first);
            x += last - first + 2;
        }
    }
    offsets.push_back(x);
    return offsets;
}

static bool textInkAt(const std::string& text, const std::vector<int>& offsets, bool smooth,
                      float u, float v) {
    if (v < 0.0f) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        float local = u - float(offsets[i]);
        if (local >= 0.0f && local < GLYPH_COLUMNS &&
            glyphInkAt(static_cast<unsigned char>(text[i]), local, v, smooth)) {
            return true;
        }
    }
    return false;
}

//----------------------------------------------------------------------------------
// Output
//----------------------------------------------------------------------------------
// A 5-bit level stored so that the loader's ">> 3" gives it back exactly.
static uint8_t quantise(float value, int x, int y, bool dither) {
    float threshold = dither ? (DITHER_MATRIX[y & 3][x & 3] + 0.5f) / 16.0f : 0.5f;
    int level = std::clamp(int(std::floor(value * 31.0f + threshold)), 0, 31);
    return uint8_t((level << 3) | (level >> 2));
}

bool writePng(const std::string& path, const Canvas& canvas, bool dither) {
    bool opaque = true;
    for (const Colour& p : canvas.pixels) opaque = opaque && p.a >= 0.5f;
    const int channels = opaque ? 3 : 4;

    std::vector<uint8_t> bytes(size_t(canvas.width) * canvas.height * channels);
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            Colour c = pixelAt(canvas, x, y);
            uint8_t* out = &bytes[(size_t(y) * canvas.width + x) * channels];
            bool visible = c.a >= 0.5f;
            out[0] = visible ? quantise(c.r, x, y, dither) : 0;
            out[1] = visible ? quantise(c.g, x, y, dither) : 0;
            out[2] = visible ? quantise(c.b, x, y, dither) : 0;
            if (channels == 4) out[3] = visible ? 255 : 0;
        }
    }
    return writePngBytes(path, canvas.width, canvas.height, channels, bytes);
}

bool writePngBytes(const std::string& path, int width, int height, int channels,
                   std::vector<uint8_t>& bytes) {
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) rows[size_t(y)] = &bytes[size_t(y) * width * channels];

    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool written = encodePng(file, width, height,
                             channels == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA, rows.data());
    return (std::fclose(file) == 0) && written;
}

// The libpng part of writePngBytes, kept apart so that no local of the caller lives
// across the error jump.
static bool encodePng(FILE* file, int width, int height, int colourType, png_bytep* rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}
