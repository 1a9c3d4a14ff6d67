// Lines, outlines, circles, tinted pictures and sprite-sheet frames on a real
// GL context, judged by the pixels they leave: where lines fall against the
// exact line, the circles' symmetry and roundness, even blending.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "gfx/graphics.h"
#include "quorl/quorl.h"
#include "tests/support/headless_seam.h"
#include "tests/support/screen_pixels.h"

namespace {

const uint32_t BLACK = makeColor(0, 0, 0, 255);
const uint32_t WHITE = makeColor(255, 255, 255, 255);
typedef std::set<std::pair<int32_t, int32_t>> PixelSet;

class Shapes : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(startLibraryOnce());
        initGraphics(PF_8888, 1);
    }
    void TearDown() override
    {
        for (Image* image : images) {
            releaseImage(image);
        }
    }

    // Clears the screen to black and starts a frame.
    static void blank()
    {
        startDrawing();
        fillRect(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, BLACK);
    }

    // The pixels that are not black after the frame's drawing.
    static PixelSet inked()
    {
        endDrawing();
        std::vector<uint32_t> screen = screenPixels();
        PixelSet pixels;
        for (int32_t y = 0; y < SCREEN_HEIGHT; ++y) {
            for (int32_t x = 0; x < SCREEN_WIDTH; ++x) {
                if ((screen[y * SCREEN_WIDTH + x] & 0xFFFFFF) != 0) {
                    pixels.insert({x, y});
                }
            }
        }
        return pixels;
    }

    // A PF_8888 picture whose pixels `colour(x, y)` gives.
    template <typename Colour>
    Image* picture(int32_t width, int32_t height, Colour colour)
    {
        Image* image = createImage(width, height, LOC_RAM, PF_8888);
        EXPECT_NE(image, nullptr);
        if (image != nullptr) {
            images.push_back(image);
            for (int32_t y = 0; y < height; ++y) {
                for (int32_t x = 0; x < width; ++x) {
                    static_cast<uint32_t*>(image->pixels)[y * image->bufferWidth + x] = colour(x, y);
                }
            }
        }
        return image;
    }

    std::vector<Image*> images;
};

struct LineCase {
    const char* label;
    int32_t x0, y0, x1, y1;
};

// Every visible pixel of a line lies on its own column (row, when steep),
// within half a pixel of the exact line; every column between the ends that
// is on the screen has one; the ends are there; backwards is the same.
TEST_F(Shapes, LinesFollowTheExactLineInEveryOctant)
{
    const LineCase cases[] = {
        {"east, shallow", 100, 100, 130, 111},   {"south-east, steep", 100, 100, 111, 130},
        {"south-west, steep", 100, 100, 89, 130}, {"west, shallow", 100, 100, 70, 111},
        {"west, shallow, upwards", 100, 100, 70, 89},
        {"north-west, steep", 100, 100, 89, 70}, {"north-east, steep", 100, 100, 111, 70},
        {"east, shallow, upwards", 100, 100, 130, 89},
        {"horizontal", 10, 20, 40, 20},           {"vertical", 10, 20, 10, 50},
        {"diagonal", 10, 20, 40, 50},             {"a single point", 200, 200, 200, 200},
        {"halves between rows", 50, 50, 54, 52}, {"across the edge", -30, -10, 40, 25},
        {"ends a billion pixels off", -1000000000, 100, 1000000000, 140},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.label);
        blank();
        drawLine(c.x0, c.y0, c.x1, c.y1, WHITE);
        PixelSet forwards = inked();
        blank();
        drawLine(c.x1, c.y1, c.x0, c.y0, WHITE);
        EXPECT_EQ(inked(), forwards);

        const double dx = double(c.x1) - c.x0, dy = double(c.y1) - c.y0;
        const bool steep = std::fabs(dy) > std::fabs(dx);
        std::set<int64_t> majors;
        for (auto [x, y] : forwards) {
            double major = steep ? y : x, minor = steep ? x : y;
            double start = steep ? c.y0 : c.x0, end = steep ? c.y1 : c.x1;
            double slope = steep ? (dy == 0 ? 0 : dx / dy) : (dx == 0 ? 0 : dy / dx);
            double exact = (steep ? c.x0 : c.y0) + (major - start) * slope;
            EXPECT_LE(std::fabs(minor - exact), 0.5 + 1e-9) << x << ", " << y;
            EXPECT_GE(major, std::min(start, end)) << x << ", " << y;
            EXPECT_LE(major, std::max(start, end)) << x << ", " << y;
            EXPECT_TRUE(majors.insert(int64_t(major)).second) << "two pixels at " << major;
        }
        int64_t lo = std::max<int64_t>(std::min(steep ? c.y0 : c.x0, steep ? c.y1 : c.x1), 0);
        int64_t hi = std::min<int64_t>(std::max(steep ? c.y0 : c.x0, steep ? c.y1 : c.x1),
                                       (steep ? SCREEN_HEIGHT : SCREEN_WIDTH) - 1);
        // Columns whose pixel falls off the screen's other side are missing.
        auto visible = [](int32_t x, int32_t y) {
            return x >= 0 && x < SCREEN_WIDTH && y >= 0 && y < SCREEN_HEIGHT;
        };
        if (visible(c.x0, c.y0) && visible(c.x1, c.y1)) {
            EXPECT_EQ(int64_t(majors.size()), hi - lo + 1);
            EXPECT_EQ(forwards.count({c.x0, c.y0}), 1u);
            EXPECT_EQ(forwards.count({c.x1, c.y1}), 1u);
        } else {
            EXPECT_GT(majors.size(), 20u);
        }
    }
}

TEST_F(Shapes, RectangleOutlinesAreTheEdgeOfTheFilledArea)
{
    struct Case {
        int32_t x, y, width, height;
    };
    const Case cases[] = {{10, 10, 30, 20}, {50, 50, 1, 1}, {60, 60, 2, 2}, {70, 70, 3, 1},
                          {80, 80, 1, 4},   {90, 90, 3, 3}, {470, 260, 30, 30}, {5, 5, 0, 9},
                          {5, 5, 9, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " " << c.width << "x" << c.height);
        blank();
        drawRect(c.x, c.y, c.width, c.height, WHITE);
        PixelSet expected;
        for (int32_t y = c.y; y < c.y + c.height; ++y) {
            for (int32_t x = c.x; x < c.x + c.width; ++x) {
                bool edge = x == c.x || x == c.x + c.width - 1 || y == c.y ||
                            y == c.y + c.height - 1;
                if (edge && x < SCREEN_WIDTH && y < SCREEN_HEIGHT) {
                    expected.insert({x, y});
                }
            }
        }
        EXPECT_EQ(inked(), expected);
    }
}

// A disc holds exactly the pixels closer than r + 1/2 to its centre, is the
// same under every mirror of the eight octants, and spans 2r + 1;
// the outline is exactly the disc's pixels with a neighbour outside it.
TEST_F(Shapes, CirclesAreRoundAndSymmetricInAllEightOctants)
{
    const int32_t cx = 240, cy = 136;
    for (int32_t r : {0, 1, 2, 3, 7, 20, 57}) {
        SCOPED_TRACE(testing::Message() << "radius " << r);
        blank();
        fillCircle(cx, cy, r, WHITE);
        PixelSet disc = inked();
        blank();
        drawCircle(cx, cy, r, WHITE);
        PixelSet ring = inked();

        PixelSet edge;
        for (auto [x, y] : disc) {
            int32_t dx = x - cx, dy = y - cy;
            for (auto [mx, my] : {std::pair{-dx, dy}, std::pair{dx, -dy}, std::pair{dy, dx}}) {
                EXPECT_EQ(disc.count({cx + mx, cy + my}), 1u) << "mirror of " << dx << ", " << dy;
            }
            for (auto [nx, ny] : {std::pair{x - 1, y}, std::pair{x + 1, y}, std::pair{x, y - 1},
                                  std::pair{x, y + 1}}) {
                if (disc.count({nx, ny}) == 0) {
                    edge.insert({x, y});
                }
            }
        }
        for (int32_t dy = -r - 1; dy <= r + 1; ++dy) {
            for (int32_t dx = -r - 1; dx <= r + 1; ++dx) {
                bool within = std::sqrt(double(dx) * dx + double(dy) * dy) < r + 0.5;
                EXPECT_EQ(disc.count({cx + dx, cy + dy}), within ? 1u : 0u) << dx << ", " << dy;
            }
        }
        EXPECT_EQ(disc.count({cx + r, cy}) + disc.count({cx, cy - r}), 2u);
        EXPECT_EQ(disc.count({cx + r + 1, cy}) + disc.count({cx, cy + r + 1}), 0u);
        EXPECT_EQ(ring, edge);
    }
    // Nothing for a negative radius; a circle far larger than the screen
    // around it leaves no mark on it, and one cut by the edge stays round.
    blank();
    fillCircle(cx, cy, -1, WHITE);
    drawCircle(cx, cy, -1, WHITE);
    drawCircle(cx, cy, 2000000000, WHITE);
    EXPECT_TRUE(inked().empty());
    blank();
    fillCircle(0, 0, 30, WHITE);
    PixelSet corner = inked();
    EXPECT_EQ(corner.count({30, 0}) + corner.count({0, 30}) + corner.count({21, 21}), 3u);
    EXPECT_EQ(corner.count({31, 0}) + corner.count({22, 22}), 0u);
}

// Each shape covers its pixels once: in a translucent colour every pixel it
// touches blends to the same value, half red over black.
TEST_F(Shapes, TranslucentShapesBlendEvenly)
{
    const uint32_t halfRed = makeColor(255, 0, 0, 128);
    struct Case {
        const char* label;
        void (*draw)(uint32_t colour);
    };
    const Case cases[] = {
        {"steep line", [](uint32_t c) { drawLine(10, 10, 40, 200, c); }},
        {"shallow line", [](uint32_t c) { drawLine(10, 10, 300, 40, c); }},
        {"rectangle", [](uint32_t c) { drawRect(10, 10, 50, 40, c); }},
        {"thin rectangle", [](uint32_t c) { drawRect(10, 10, 2, 40, c); }},
        {"disc", [](uint32_t c) { fillCircle(100, 100, 30, c); }},
        {"circle", [](uint32_t c) { drawCircle(100, 100, 30, c); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        blank();
        currentColor = makeColor(1, 2, 3, 4);
        c.draw(halfRed);
        EXPECT_EQ(currentColor, makeColor(1, 2, 3, 4));
        currentColor = WHITE;
        endDrawing();
        std::set<uint32_t> colours;
        for (uint32_t pixel : screenPixels()) {
            colours.insert(pixel & 0xFFFFFF);
        }
        ASSERT_EQ(colours.size(), 2u);
        uint32_t blended = *colours.rbegin();
        EXPECT_NEAR(int(blended & 0xFF), 128, 1);
        EXPECT_EQ(blended & 0xFFFF00, 0u);
    }
}

// The tint multiplies the picture's colour for that draw only.
TEST_F(Shapes, TintedPicturesMultiplyTheirColourForOneDraw)
{
    Image* grey = picture(8, 8, [](int32_t, int32_t) { return makeColor(200, 100, 50, 255); });
    ASSERT_NE(grey, nullptr);
    struct Case {
        uint32_t tint;
        int32_t red, green, blue;  // over black
    };
    const Case cases[] = {
        {makeColor(255, 255, 255, 255), 200, 100, 50},
        {makeColor(255, 0, 0, 255), 200, 0, 0},
        {makeColor(128, 255, 0, 255), 100, 100, 0},
        {makeColor(255, 255, 255, 128), 100, 50, 25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.tint);
        blank();
        currentColor = makeColor(0, 255, 0, 255);
        grey->x = 10;
        drawImageTinted(grey, c.tint);
        EXPECT_EQ(currentColor, makeColor(0, 255, 0, 255));
        grey->x = 30;
        drawImage(grey);  // currentColor again
        currentColor = WHITE;
        endDrawing();
        uint32_t tinted = screenPixel(13, 3);
        EXPECT_NEAR(int(tinted & 0xFF), c.red, 2);
        EXPECT_NEAR(int((tinted >> 8) & 0xFF), c.green, 2);
        EXPECT_NEAR(int((tinted >> 16) & 0xFF), c.blue, 2);
        EXPECT_EQ(screenPixel(33, 3) & 0xFFFFFF, 0x006400u);  // green 100 only
    }
}

// A 35 x 20 sheet of 10 x 10 frames, three whole columns and two rows, each
// frame its own colour: every index shows its frame at its size, and a
// refused call leaves the placement alone.
TEST_F(Shapes, SheetFramesCountLeftToRightThenDown)
{
    auto frameColour = [](int32_t x, int32_t y) {
        int32_t frame = x / 10 + (y / 10) * 3;
        return x >= 30 ? WHITE : makeColor(40 * frame, 255 - 40 * frame, 100, 255);
    };
    Image* sheet = picture(35, 20, frameColour);
    ASSERT_NE(sheet, nullptr);
    for (int32_t index = 0; index < 6; ++index) {
        SCOPED_TRACE(testing::Message() << "frame " << index);
        ASSERT_NE(setImageFrame(sheet, 10, 10, index), 0);
        EXPECT_EQ(sheet->drawWidth, 10);
        EXPECT_EQ(sheet->drawHeight, 10);
        blank();
        sheet->x = 100;
        sheet->y = 50;
        drawImage(sheet);
        endDrawing();
        std::vector<uint32_t> screen = screenPixels();
        uint32_t want = frameColour(index % 3 * 10, index / 3 * 10);
        auto inFrame = [](int32_t x, int32_t y) { return x >= 100 && x < 110 && y >= 50 && y < 60; };
        auto report = [](int32_t x, int32_t y, uint32_t got, uint32_t expected) {
            ADD_FAILURE() << x << ", " << y << ": " << std::hex << got << " not " << expected;
        };
        EXPECT_EQ(wrongInk(screen, 96, 46, 18, 18, want, BLACK, inFrame, report), 0);
    }
    struct Refused {
        int32_t width, height, index;
    };
    const Image before = *sheet;
    for (Refused r : {Refused{10, 10, 6}, Refused{10, 10, -1}, Refused{0, 10, 0},
                      Refused{10, -5, 0}, Refused{36, 10, 0}, Refused{10, 21, 0}}) {
        SCOPED_TRACE(testing::Message() << r.width << "x" << r.height << " #" << r.index);
        EXPECT_EQ(setImageFrame(sheet, r.width, r.height, r.index), 0);
        EXPECT_EQ(std::make_tuple(sheet->srcX0, sheet->srcY0, sheet->srcX1, sheet->srcY1,
                                  sheet->drawWidth, sheet->drawHeight),
                  std::make_tuple(before.srcX0, before.srcY0, before.srcX1, before.srcY1,
                                  before.drawWidth, before.drawHeight));
    }
    EXPECT_EQ(setImageFrame(nullptr, 10, 10, 0), 0);
    // The whole picture is one frame of its own size.
    EXPECT_NE(setImageFrame(sheet, 35, 20, 0), 0);
    EXPECT_EQ(sheet->srcX1, 35.0f);
}

}  // namespace
