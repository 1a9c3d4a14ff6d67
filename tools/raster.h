// A small software rasteriser for the artwork generator: a floating-point
// RGBA canvas, anti-aliased shapes painted through shading functions, text in
// the built-in font, and PNG output quantised to what the console keeps of a
// colour (5 bits per channel, 1 bit of alpha).
#pragma once

#include <algorithm>  // Required for: std::clamp
#include <cmath>      // Required for: std::sqrt, std::floor
#include <cstdint>    // Required for: uint8_t
#include <string>     // Required for: std::string
#include <vector>     // Required for: std::vector

//----------------------------------------------------------------------------------
// Constants
//----------------------------------------------------------------------------------
// Sub-samples per pixel side when painting; 4 gives 16 samples per pixel.
constexpr int RASTER_SUBSAMPLES = 4;
// Horizontal advance of one character of the built-in font at scale 1: the
// printable glyphs are five columns of ink and one of spacing.
constexpr int RASTER_CHAR_ADVANCE = 6;
constexpr int RASTER_CHAR_HEIGHT = 7;

//----------------------------------------------------------------------------------
// Types
//----------------------------------------------------------------------------------
// A colour with straight (not premultiplied) alpha, every component 0..1.
struct Colour {
    float r;
    float g;
    float b;
    float a;
};

// Pixels are kept premultiplied so that painting is a plain "over".
struct Canvas {
    int width;
    int height;
    std::vector<Colour> pixels;
};

struct TextStyle {
    int scale;            // whole-pixel magnification of the 7x8 glyphs
    Colour top;           // ink colour at the top of the glyphs...
    Colour bottom;        // ...blended to this one at the bottom
    Colour outline;       // alpha 0: no outline
    Colour shadow;        // alpha 0: no drop shadow
    float shadowOffset;   // in pixels, right and down
    bool smooth;          // cut the pixel steps of diagonals (for scale >= 2)
    bool proportional;    // advance by each glyph's ink width instead of a fixed 6
};

//----------------------------------------------------------------------------------
// Colour helpers
//----------------------------------------------------------------------------------
inline Colour rgb(unsigned value, float alpha = 1.0f) {
    return {((value >> 16) & 0xFF) / 255.0f, ((value >> 8) & 0xFF) / 255.0f,
            (value & 0xFF) / 255.0f, alpha};
}

inline Colour withAlpha(Colour c, float alpha) { return {c.r, c.g, c.b, alpha}; }

inline Colour mix(Colour a, Colour b, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
            a.a + (b.a - a.a) * t};
}

// Multiplies the colour channels (not alpha); factors above 1 brighten.
inline Colour shade(Colour c, float factor) {
    return {std::clamp(c.r * factor, 0.0f, 1.0f), std::clamp(c.g * factor, 0.0f, 1.0f),
            std::clamp(c.b * factor, 0.0f, 1.0f), c.a};
}

constexpr Colour COLOUR_TRANSPARENT = {0.0f, 0.0f, 0.0f, 0.0f};

inline float smoothStep(float edge0, float edge1, float x) {
    float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

//----------------------------------------------------------------------------------
// Signed distances (negative inside) used by the shading functions
//----------------------------------------------------------------------------------
inline float circleDistance(float x, float y, float cx, float cy, float radius) {
    float dx = x - cx, dy = y - cy;
    return std::sqrt(dx * dx + dy * dy) - radius;
}

// Rectangle [x0, x1) x [y0, y1) with corners rounded to radius.
inline float roundedRectDistance(float x, float y, float x0, float y0, float x1, float y1,
                                 float radius) {
    float cx = (x0 + x1) * 0.5f, cy = (y0 + y1) * 0.5f;
    float hx = (x1 - x0) * 0.5f - radius, hy = (y1 - y0) * 0.5f - radius;
    float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - radius;
}

inline float segmentDistance(float x, float y, float ax, float ay, float bx, float by) {
    float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    float t = std::clamp((px * dx + py * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
    float ex = px - dx * t, ey = py - dy * t;
    return std::sqrt(ex * ex + ey * ey);
}

// Inside test for a triangle given in either winding.
inline bool insideTriangle(float x, float y, float ax, float ay, float bx, float by, float cx,
                           float cy) {
    float d1 = (x - bx) * (ay - by) - (ax - bx) * (y - by);
    float d2 = (x - cx) * (by - cy) - (bx - cx) * (y - cy);
    float d3 = (x - ax) * (cy - ay) - (cx - ax) * (y - ay);
    bool negative = d1 < 0 || d2 < 0 || d3 < 0;
    bool positive = d1 > 0 || d2 > 0 || d3 > 0;
    return !(negative && positive);
}

//----------------------------------------------------------------------------------
// Canvas
//----------------------------------------------------------------------------------
Canvas makeCanvas(int width, int height, Colour fill);

// Composites a straight-alpha colour over one pixel; outside the canvas it is ignored.
void blendPixel(Canvas& canvas, int x, int y, Colour colour);

// Straight-alpha colour of one pixel.
Colour pixelAt(const Canvas& canvas, int x, int y);

// Paints the pixels of [x0, x1) x [y0, y1): shader(x, y) gives the straight-alpha
// colour at a canvas point (alpha 0 outside the shape) and is averaged over
// RASTER_SUBSAMPLES^2 points per pixel, which anti-aliases every edge.
template <typename Shader>
void paint(Canvas& canvas, int x0, int y0, int x1, int y1, Shader shader) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, canvas.width);
    y1 = std::min(y1, canvas.height);
    const float step = 1.0f / RASTER_SUBSAMPLES;
    const float weight = step * step;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            float r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < RASTER_SUBSAMPLES; ++sy) {
                for (int sx = 0; sx < RASTER_SUBSAMPLES; ++sx) {
                    Colour c = shader(x + (sx + 0.5f) * step, y + (sy + 0.5f) * step);
                    r += c.r * c.a;
                    g += c.g * c.a;
                    b += c.b * c.a;
                    a += c.a;
                }
            }
            if (a <= 0.0f) continue;
            blendPixel(canvas, x, y, {r / a, g / a, b / a, a * weight});
        }
    }
}

// Copies src over dst at (x, y), compositing by src's alpha.
void drawCanvas(Canvas& dst, const Canvas& src, int x, int y);

//----------------------------------------------------------------------------------
// Texture
//----------------------------------------------------------------------------------
// Smooth value noise in 0..1, the same for the same arguments on every run.
float valueNoise(float x, float y, unsigned seed);

//----------------------------------------------------------------------------------
// Text in the built-in font
//----------------------------------------------------------------------------------
// Width in pixels of fixed-advance text at the given scale.
int textWidth(const std::string& text, int scale);

// Width in pixels of text drawn with a style (proportional or not).
int styledTextWidth(const std::string& text, const TextStyle& style);

// Draws text with its top-left ink corner at (x, y). Bytes are font codes, so
// "\x12" and "\x13" give the left and right arrows and "\x01".."\x06" the
// ball symbols.
void drawText(Canvas& canvas, int x, int y, const std::string& text, const TextStyle& style);

// Draws text centred horizontally on centreX.
void drawTextCentred(Canvas& canvas, int centreX, int y, const std::string& text,
                     const TextStyle& style);

//----------------------------------------------------------------------------------
// Output
//----------------------------------------------------------------------------------
// Writes the canvas as an 8-bit RGB PNG (RGBA when any pixel is not opaque).
// Colours are reduced to 5 bits per channel, with ordered dithering when
// dither is set, and alpha to fully opaque or fully transparent, so the file
// holds exactly what the console shows. Returns false on any failure.
bool writePng(const std::string& path, const Canvas& canvas, bool dither);

// Writes 8-bit rows of `channels` bytes per pixel (3: RGB, 4: RGBA), packed
// row after row, as a PNG. Returns false on any failure.
bool writePngBytes(const std::string& path, int width, int height, int channels,
                   std::vector<uint8_t>& bytes);
