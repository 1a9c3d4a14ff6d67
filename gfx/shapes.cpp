// Lines, rectangle outlines and circles. Each shape is cut into runs one pixel
// high or wide, clipped to the screen (every drawing target lies within it)
// and filled through fillTinted: the picture path, its blending and its
// drawing targets. No pixel is covered twice, so a translucent colour blends
// evenly. Positions are worked out in 64 bits from exact integer formulas:
// any int32_t arguments are safe, and only the visible part costs time.
#include <cmath>  // Required for: std::sqrt

#include "gfx/draw.h"

static void lineRuns(int32_t a0, int32_t b0, int32_t a1, int32_t b1, bool steep);
static void fillClipped(int64_t x, int64_t y, int64_t width, int64_t height);
static int64_t circleHalfWidth(int64_t radius, int64_t row);
static int64_t roundedQuotient(uint64_t numerator, uint64_t denominator);

void drawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour)
{
    uint32_t tint = currentColor;
    currentColor = colour;
    int64_t dx = int64_t{x1} - x0;
    int64_t dy = int64_t{y1} - y0;
    bool steep = (dy < 0 ? -dy : dy) > (dx < 0 ? -dx : dx);
    if (steep) {
        lineRuns(y0, x0, y1, x1, true);
    } else {
        lineRuns(x0, y0, x1, y1, false);
    }
    currentColor = tint;
}

void drawRect(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t colour)
{
    if (width <= 0 || height <= 0) {
        return;
    }
    uint32_t tint = currentColor;
    currentColor = colour;
    fillClipped(x, y, width, 1);
    if (height > 1) {
        fillClipped(x, int64_t{y} + height - 1, width, 1);
    }
    if (height > 2) {
        fillClipped(x, int64_t{y} + 1, 1, int64_t{height} - 2);
        if (width > 1) {
            fillClipped(int64_t{x} + width - 1, int64_t{y} + 1, 1, int64_t{height} - 2);
        }
    }
    currentColor = tint;
}

void fillCircle(int32_t cx, int32_t cy, int32_t r, uint32_t colour)
{
    if (r < 0) {
        return;
    }
    uint32_t tint = currentColor;
    currentColor = colour;
    int64_t first = -cy > -int64_t{r} ? -cy : -int64_t{r};
    int64_t last = SCREEN_HEIGHT - 1 - int64_t{cy} < r ? SCREEN_HEIGHT - 1 - int64_t{cy} : r;
    for (int64_t row = first; row <= last; ++row) {
        int64_t half = circleHalfWidth(r, row);
        fillClipped(cx - half, cy + row, 2 * half + 1, 1);
    }
    currentColor = tint;
}

void drawCircle(int32_t cx, int32_t cy, int32_t r, uint32_t colour)
{
    if (r < 0) {
        return;
    }
    uint32_t tint = currentColor;
    currentColor = colour;
    int64_t first = -cy > -int64_t{r} ? -cy : -int64_t{r};
    int64_t last = SCREEN_HEIGHT - 1 - int64_t{cy} < r ? SCREEN_HEIGHT - 1 - int64_t{cy} : r;
    for (int64_t row = first; row <= last; ++row) {
        // The outline is every pixel of fillCircle's disc with a neighbour
        // (left, right, up or down) outside it: in this row, those beyond the
        // narrower of the rows above and below, and the row's two ends.
        int64_t half = circleHalfWidth(r, row);
        int64_t above = row > -r ? circleHalfWidth(r, row - 1) : -1;
        int64_t below = row < r ? circleHalfWidth(r, row + 1) : -1;
        int64_t inner = (above < below ? above : below) + 1;
        if (inner > half) {
            inner = half;
        }
        if (inner == 0) {
            fillClipped(cx - half, cy + row, 2 * half + 1, 1);
        } else {
            fillClipped(cx - half, cy + row, half - inner + 1, 1);
            fillClipped(cx + inner, cy + row, half - inner + 1, 1);
        }
    }
    currentColor = tint;
}

// Draws the line from (a0, b0) to (a1, b1) along its major axis a (x, or y
// when steep): one pixel for every a between the ends, at b rounded from the
// exact line, halves toward the end with the larger a. The ends are put
// in order first, so a line drawn backwards covers the same pixels.
// Consecutive pixels with the same b are filled as one run.
static void lineRuns(int32_t a0, int32_t b0, int32_t a1, int32_t b1, bool steep)
{
    if (a1 < a0) {
        int32_t a = a0, b = b0;
        a0 = a1, b0 = b1;
        a1 = a, b1 = b;
    }
    const int64_t aLimit = steep ? SCREEN_HEIGHT : SCREEN_WIDTH;
    const uint64_t length = static_cast<uint64_t>(int64_t{a1} - a0);  // < 2^32
    const int64_t rise = int64_t{b1} - b0;
    const uint64_t slope = static_cast<uint64_t>(rise < 0 ? -rise : rise);  // <= length
    const int64_t direction = rise < 0 ? -1 : 1;
    int64_t first = a0 > 0 ? a0 : 0;
    int64_t last = a1 < aLimit - 1 ? a1 : aLimit - 1;

    int64_t runStart = 0, runB = 0;
    bool inRun = false;
    for (int64_t a = first; a <= last + 1; ++a) {
        int64_t b = 0;
        if (a <= last) {
            // i * slope < 2^64: i and slope are below 2^32.
            uint64_t i = static_cast<uint64_t>(a - a0);
            b = b0 + direction * (length == 0 ? 0 : roundedQuotient(i * slope, length));
        }
        if (inRun && (a > last || b != runB)) {
            if (steep) {
                fillClipped(runB, runStart, 1, a - runStart);
            } else {
                fillClipped(runStart, runB, a - runStart, 1);
            }
            inRun = false;
        }
        if (a <= last && !inRun) {
            runStart = a;
            runB = b;
            inRun = true;
        }
    }
}

// fillTinted on the part of the rectangle within the screen.
static void fillClipped(int64_t x, int64_t y, int64_t width, int64_t height)
{
    int64_t left = x > 0 ? x : 0;
    int64_t top = y > 0 ? y : 0;
    int64_t right = x + width < SCREEN_WIDTH ? x + width : SCREEN_WIDTH;
    int64_t bottom = y + height < SCREEN_HEIGHT ? y + height : SCREEN_HEIGHT;
    if (right > left && bottom > top) {
        fillTinted(static_cast<int32_t>(left), static_cast<int32_t>(top),
                   static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top));
    }
}

// The disc of radius r is the pixels (dx, dy) from its centre with
// dx^2 + dy^2 <= r^2 + r, those whose centres lie within r + 1/2 of it (to
// within a quarter of a pixel squared): it spans exactly 2r + 1 pixels
// across. Returns the largest dx in row dy (|dy| <= r).
static int64_t circleHalfWidth(int64_t radius, int64_t row)
{
    int64_t limit = radius * radius + radius - row * row;  // < 2^63 for any int32_t radius
    int64_t half = static_cast<int64_t>(std::sqrt(static_cast<double>(limit)));
    // The double's square root can be one off either way for large values.
    while (half * half > limit) {
        --half;
    }
    while ((half + 1) * (half + 1) <= limit) {
        ++half;
    }
    return half;
}

// numerator / denominator rounded to the nearest whole number, halves up,
// without forming anything larger than numerator.
static int64_t roundedQuotient(uint64_t numerator, uint64_t denominator)
{
    uint64_t quotient = numerator / denominator;
    uint64_t remainder = numerator % denominator;
    return static_cast<int64_t>(quotient + (remainder >= denominator - remainder ? 1 : 0));
}
