// The drawing frame and screen buffers on a real GL context under X: buffer
// layout in video memory, the cleared first frame, the projection, front and
// back buffers, draw-target round trips and read-back, checked by pixels.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>
#include <cstring>
#include <tuple>
#include <vector>

#include "gfx/graphics.h"
#include "gfx/image.h"
#include "gfx/library.h"
#include "tests/support/headless_seam.h"
#include "tests/support/screen_pixels.h"

namespace {

constexpr uint32_t OPAQUE_BLACK = 0xFF000000;
constexpr uint32_t GREY = 0xFF808080;
constexpr uint32_t RED = 0xFF0000FF;
constexpr uint32_t GREEN = 0xFF00FF00;

class Graphics : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(startLibraryOnce());
        initGraphics(PF_8888, 1);
    }
    void TearDown() override
    {
        setDrawTarget(&drawBuffer);
        initGraphics(PF_8888, 1);        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
};

GLint glInteger(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

// Whole-screen check: every pixel's RGB is `rgb` (alpha is not compared,
// colour writes leave it alone).
int32_t pixelsDifferingFrom(uint32_t rgb)
{
    int32_t differing = 0;
    for (uint32_t pixel : screenPixels()) {
        differing += (pixel & 0xFFFFFF) != (rgb & 0xFFFFFF);
    }
    return differing;
}

// A pattern that uses every channel, alpha included, in the image's format.
uint32_t patternPixel(int32_t pixelFormat, int32_t x, int32_t y)
{
    uint32_t v = static_cast<uint32_t>(x * 7 + y * 13 + ((x ^ y) << 9));
    switch (pixelFormat) {
    case PF_8888:
        return (x * 4 & 0xFF) | ((y * 8 & 0xFF) << 8) | (((x + y) * 5 & 0xFF) << 16) |
               (((x * 3 + y * 11) & 0xFF) << 24);
    default:
        return v & 0xFFFF;
    }
}

void fillPattern(Image* image)
{
    for (int32_t y = 0; y < image->bufferHeight; ++y) {
        for (int32_t x = 0; x < image->bufferWidth; ++x) {
            uint32_t value = patternPixel(image->pixelFormat, x, y);
            if (image->pixelFormat == PF_8888) {
                static_cast<uint32_t*>(image->pixels)[y * image->bufferWidth + x] = value;
            } else {
                static_cast<uint16_t*>(image->pixels)[y * image->bufferWidth + x] =
                    static_cast<uint16_t>(value);
            }
        }
    }
}

uint32_t imagePixel(const Image* image, int32_t x, int32_t y)
{
    if (image->pixelFormat == PF_8888) {
        return static_cast<const uint32_t*>(image->pixels)[y * image->bufferWidth + x];
    }
    return static_cast<const uint16_t*>(image->pixels)[y * image->bufferWidth + x];
}

}  // namespace

TEST(TrigTables, HoldSingleFloatValuesOfWholeDegrees)
{
    buildTrigTables();
    EXPECT_EQ(sinTable[0], 0.0f);
    EXPECT_EQ(cosTable[0], 1.0f);
    EXPECT_FLOAT_EQ(sinTable[30], 0.5f);
    EXPECT_FLOAT_EQ(sinTable[90], 1.0f);
    EXPECT_FLOAT_EQ(cosTable[180], -1.0f);
    EXPECT_FLOAT_EQ(cosTable[360], 1.0f);
    EXPECT_FLOAT_EQ(cosTable[60], 0.5f);
    EXPECT_FLOAT_EQ(sinTable[270], -1.0f);
    // pi is the float 3.1415927410125732, a little above pi: the quadrant
    // points are off zero by the float's error, on the side it puts them.
    EXPECT_NEAR(cosTable[90], -4.37e-8f, 0.01e-8f);
    EXPECT_NEAR(sinTable[180], -8.74e-8f, 0.01e-8f);
    EXPECT_NEAR(sinTable[360], 1.75e-7f, 0.01e-7f);
}

TEST_F(Graphics, LaysOutScreenBuffersForEveryFormat)
{
    struct Case {
        int32_t format;
        int32_t bits;
    };
    const Case cases[] = {{PF_5650, 16}, {PF_5551, 16}, {PF_4444, 16},
                          {PF_8888, 32}, {PF_T4, 4},    {PF_T8, 8}};
    for (const Case& c : cases) {
        for (int32_t doubleBuffer : {1, 0}) {
            SCOPED_TRACE(testing::Message() << "format " << c.format << " double " << doubleBuffer);
            initGraphics(c.format, doubleBuffer);
            int32_t frame = c.bits * 512 * 272 / 8;
            EXPECT_EQ(bitsPerPixel, c.bits);
            EXPECT_EQ(doubleBuffered, doubleBuffer);
            EXPECT_EQ(drawBufferBase, videoMemory);
            EXPECT_EQ(displayBufferBase, videoMemory + (doubleBuffer ? frame : 0));
            EXPECT_EQ(videoMemoryFree, videoMemory + (doubleBuffer ? 2 * frame : frame));
            EXPECT_EQ(drawTarget, &drawBuffer);
            EXPECT_EQ(drawingStarted, 1);

            for (const DrawBuffer* b : {&drawBuffer, &displayBuffer}) {
                EXPECT_EQ(std::make_tuple(b->drawWidth, b->drawHeight, b->width, b->height,
                                          b->texWidth, b->texHeight, b->bufferWidth,
                                          b->bufferHeight, b->byteSize),
                          std::make_tuple(480, 272, 480, 272, 512, 512, 512, 272, frame));
                EXPECT_EQ(std::make_tuple(b->srcX0, b->srcY0, b->srcX1, b->srcY1),
                          std::make_tuple(0.0f, 0.0f, 480.0f, 272.0f));
                EXPECT_EQ(std::make_tuple(b->location, b->pixelFormat, b->allowStrips),
                          std::make_tuple(LOC_VIDEO_MEMORY, int16_t(c.format), int16_t(0)));
                EXPECT_EQ(b->palette, nullptr);
            }
            EXPECT_EQ(drawBuffer.pixels, drawBufferBase);
            EXPECT_EQ(displayBuffer.pixels, displayBufferBase);

            GLenum expectedBuffer = doubleBuffer ? GL_BACK : GL_FRONT;
            EXPECT_EQ(glInteger(GL_DRAW_BUFFER), static_cast<GLint>(expectedBuffer));
            EXPECT_EQ(glInteger(GL_READ_BUFFER), static_cast<GLint>(expectedBuffer));
            EXPECT_EQ(glIsEnabled(GL_DITHER), c.bits < 32 ? GL_TRUE : GL_FALSE);
            EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
            EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
            EXPECT_TRUE(glIsEnabled(GL_BLEND));
        }
    }
}

TEST_F(Graphics, StartsWithTheBufferClearedToBlack)
{
    paintRect(0, 0, 480, 272, GREY);
    ASSERT_EQ(pixelsDifferingFrom(OPAQUE_BLACK), 480 * 272);
    initGraphics(PF_8888, 1);
    EXPECT_EQ(pixelsDifferingFrom(OPAQUE_BLACK), 0);
    ASSERT_NE(defaultFont, nullptr);
    EXPECT_EQ(currentFont, defaultFont);
    Font* first = defaultFont;
    initGraphics(PF_8888, 1);
    EXPECT_EQ(defaultFont, first);  // built once
}

TEST_F(Graphics, ScreenQuadCoversTheViewportTopDown)
{
    paintRect(0, 0, 480, 272, GREY);
    EXPECT_EQ(pixelsDifferingFrom(GREY), 0);

    initGraphics(PF_8888, 1);
    paintRect(0, 0, 480, 1, RED);
    std::vector<uint32_t> pixels = screenPixels();
    EXPECT_EQ(pixels[0] & 0xFFFFFF, RED & 0xFFFFFF);
    EXPECT_EQ(pixels[479] & 0xFFFFFF, RED & 0xFFFFFF);
    EXPECT_EQ(pixels[480] & 0xFFFFFF, 0u);
    EXPECT_EQ(pixels[271 * 480] & 0xFFFFFF, 0u);

    paintRect(10, 20, 11, 21, GREEN);
    EXPECT_EQ(screenPixel(10, 20) & 0xFFFFFF, GREEN & 0xFFFFFF);
    EXPECT_EQ(screenPixel(10, 21) & 0xFFFFFF, 0u);
    EXPECT_EQ(screenPixel(11, 20) & 0xFFFFFF, 0u);
}

TEST_F(Graphics, SingleBufferingDrawsToTheFrontBuffer)
{
    initGraphics(PF_5650, 0);
    EXPECT_EQ(glInteger(GL_DRAW_BUFFER), GL_FRONT);
    paintRect(0, 0, 480, 272, GREY);
    glFinish();
    int32_t swaps = headlessLog.swapCount;
    presentFrame();
    EXPECT_EQ(headlessLog.swapCount, swaps);
    glReadBuffer(GL_FRONT);
    EXPECT_EQ(screenPixel(240, 136) & 0xFFFFFF, GREY & 0xFFFFFF);
    EXPECT_EQ(drawBuffer.pixels, drawBufferBase);
}

TEST_F(Graphics, ScreenBufferSwitchesAndPresentsMoveNoPixels)
{
    memset(videoMemory, 0xA5, 2 * frameBytes(32));
    GLboolean mask[4];

    // The current target again: no GL call at all, so this state stays.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDisable(GL_BLEND);
    setDrawTarget(drawTarget);
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    EXPECT_EQ(mask[3], GL_TRUE);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    glEnable(GL_BLEND);

    setDrawTarget(&displayBuffer);
    EXPECT_EQ(drawTarget, &displayBuffer);
    EXPECT_EQ(glInteger(GL_DRAW_BUFFER), GL_FRONT);
    EXPECT_EQ(glInteger(GL_READ_BUFFER), GL_FRONT);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    EXPECT_EQ(mask[3], GL_FALSE);
    setDrawTarget(&drawBuffer);
    EXPECT_EQ(glInteger(GL_DRAW_BUFFER), GL_BACK);

    int32_t swaps = headlessLog.swapCount;
    presentFrame();
    EXPECT_EQ(headlessLog.swapCount, swaps + 1);
    for (int32_t i = 0; i < 2 * frameBytes(32); i += 4099) {
        ASSERT_EQ(videoMemory[i], 0xA5) << "byte " << i;
    }
}

TEST_F(Graphics, OffScreenTargetsKeepTheirContentAndAlpha)
{
    for (int32_t format : {PF_8888, PF_5551, PF_4444, PF_5650}) {
        SCOPED_TRACE(testing::Message() << "format " << format);
        initGraphics(PF_8888, 1);
        paintRect(0, 0, 480, 272, GREY);
        Image* target = createImage(64, 32, LOC_RAM, format);
        ASSERT_NE(target, nullptr);
        fillPattern(target);

        setDrawTarget(target);
        EXPECT_EQ(drawTarget, target);
        EXPECT_EQ(glInteger(GL_DRAW_BUFFER), GL_BACK);
        // Drawn into the target: only the colour of the covered pixels changes.
        paintRect(8, 8, 16, 12, RED);
        setDrawTarget(&drawBuffer);

        uint32_t red = format == PF_8888   ? 0x0000FF
                       : format == PF_4444 ? 0x000F
                                           : 0x001F;
        uint32_t colourBits = format == PF_8888   ? 0x00FFFFFF
                              : format == PF_5551 ? 0x7FFF
                              : format == PF_4444 ? 0x0FFF
                                                  : 0xFFFF;
        int32_t wrong = 0;
        for (int32_t y = 0; y < 32; ++y) {
            for (int32_t x = 0; x < 64; ++x) {
                uint32_t expected = patternPixel(format, x, y);
                if (x >= 8 && x < 16 && y >= 8 && y < 12) {
                    expected = (expected & ~colourBits) | red;
                }
                wrong += imagePixel(target, x, y) != expected;
            }
        }
        EXPECT_EQ(wrong, 0);
        // The screen under the target came back.
        EXPECT_EQ(screenPixel(10, 10) & 0xFFFFFF, GREY & 0xFFFFFF);
        EXPECT_EQ(screenPixel(0, 0) & 0xFFFFFF, GREY & 0xFFFFFF);
        releaseImage(target);
    }
}

TEST_F(Graphics, PresentFrameSavesATargetLeftInPlace)
{
    Image* target = createImage(16, 16, LOC_RAM, PF_8888);
    ASSERT_NE(target, nullptr);
    memset(target->pixels, 0, target->byteSize);
    setDrawTarget(target);
    paintRect(0, 0, 16, 16, GREEN);
    presentFrame();
    EXPECT_EQ(drawTarget, &drawBuffer);
    EXPECT_EQ(imagePixel(target, 5, 5) & 0xFFFFFF, GREEN & 0xFFFFFF);
    releaseImage(target);
}

TEST_F(Graphics, ReadBackStoresTheTopRowFirst)
{
    paintRect(0, 0, 480, 1, RED);
    paintRect(0, 99, 480, 100, GREEN);
    std::vector<uint32_t> rows(16 * 100, 0);
    readBackPixels(PF_8888, 172, 16, 100, rows.data());
    EXPECT_EQ(rows[0] & 0xFFFFFF, RED & 0xFFFFFF);
    EXPECT_EQ(rows[99 * 16 + 15] & 0xFFFFFF, GREEN & 0xFFFFFF);
    EXPECT_EQ(rows[50 * 16] & 0xFFFFFF, 0u);

    std::vector<uint16_t> rows565(16 * 100, 0);
    readBackPixels(PF_5650, 172, 16, 100, rows565.data());
    EXPECT_EQ(rows565[0], 0x001F);
    EXPECT_EQ(rows565[99 * 16], 0x07E0);
}

TEST_F(Graphics, ReadBackLargerThanTheScratchBufferIsClipped)
{
    paintRect(0, 0, 480, 1, RED);
    // 1024 x 512 x 4 bytes is twice the scratch buffer: the top 256 rows of
    // the rectangle are read, the rest of the destination is left alone.
    const uint32_t untouched = 0x12345678;
    std::vector<uint32_t> rows(1024 * 512, untouched);
    readBackPixels(PF_8888, 0, 1024, 512, rows.data());
    // GL rows 256..511 were read; screen row 0 is GL row 271, copied to row 240.
    EXPECT_EQ(rows[240 * 1024] & 0xFFFFFF, RED & 0xFFFFFF);
    EXPECT_EQ(rows[241 * 1024] & 0xFFFFFF, 0u);
    int32_t touchedBelow = 0;
    for (size_t i = 256 * 1024; i < rows.size(); ++i) {
        touchedBelow += rows[i] != untouched;
    }
    EXPECT_EQ(touchedBelow, 0);
}

TEST_F(Graphics, OversizedTargetsMoveOnlyWhatFits)
{
    Image* target = createImage(1024, 512, LOC_RAM, PF_8888);
    ASSERT_NE(target, nullptr);
    fillPattern(target);
    setDrawTarget(target);
    setDrawTarget(&drawBuffer);
    // The top-left part inside the window makes the round trip.
    int32_t wrong = 0;
    for (int32_t y = 0; y < 200; y += 7) {
        for (int32_t x = 0; x < 480; x += 5) {
            wrong += imagePixel(target, x, y) != patternPixel(PF_8888, x, y);
        }
    }
    EXPECT_EQ(wrong, 0);
    releaseImage(target);
}

TEST_F(Graphics, StartDrawingIsIdempotentAndEndDrawingCloses)
{
    ASSERT_EQ(drawingStarted, 1);
    currentColor = 0x11223344;
    boundPixels = videoMemory;
    startDrawing();
    EXPECT_EQ(currentColor, 0x11223344u);
    EXPECT_EQ(boundPixels, videoMemory);
    endDrawing();
    EXPECT_EQ(drawingStarted, 0);
    endDrawing();
    EXPECT_EQ(drawingStarted, 0);
    startDrawing();
    EXPECT_EQ(drawingStarted, 1);
    EXPECT_EQ(currentColor, 0xFFFFFFFFu);
    EXPECT_EQ(boundPixels, nullptr);
    EXPECT_EQ(boundPalette, nullptr);
}

TEST_F(Graphics, VertexColourAndBlendingReset)
{
    currentColor = 0x80402010;
    applyVertexColor();
    GLfloat color[4];
    glGetFloatv(GL_CURRENT_COLOR, color);
    EXPECT_FLOAT_EQ(color[0], 0x10 / 255.0f);
    EXPECT_FLOAT_EQ(color[1], 0x20 / 255.0f);
    EXPECT_FLOAT_EQ(color[2], 0x40 / 255.0f);
    EXPECT_FLOAT_EQ(color[3], 0x80 / 255.0f);

    ASSERT_NE(blendEquationFn, nullptr);
    ASSERT_NE(blendColorFn, nullptr);
    blendEquationFn(GL_MAX);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDisable(GL_BLEND);
    resetBlending();
    EXPECT_EQ(glInteger(GL_BLEND_EQUATION), GL_FUNC_ADD);
    EXPECT_EQ(glInteger(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(glInteger(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(currentColor, 0xFFFFFFFFu);
    glGetFloatv(GL_CURRENT_COLOR, color);
    EXPECT_FLOAT_EQ(color[0], 1.0f);
    EXPECT_FLOAT_EQ(color[3], 1.0f);
}
