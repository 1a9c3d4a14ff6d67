// The frame shown enlarged: where it goes in a larger screen area, which
// window scale fits a screen, and the pixels GL shows, read back from the
// front buffer of a window made larger than 480 x 272.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <vector>

#include "gfx/graphics.h"
#include "gfx/image.h"
#include "gfx/zoom.h"
#include "tests/support/headless_seam.h"
#include "tests/support/screen_pixels.h"

namespace {

TEST(ZoomPlacement, LargestWholeScaleThatFitsCentred)
{
    struct Case {
        int32_t width, height;
        ZoomPlacement expected;
    };
    const Case cases[] = {
        {480, 272, {0, 0, 0}},      {479, 600, {0, 0, 0}},      {1000, 271, {0, 0, 0}},
        {0, 0, {0, 0, 0}},          {481, 272, {1, 0, 0}},      {700, 300, {1, 110, 14}},
        {960, 544, {2, 0, 0}},      {1024, 768, {2, 32, 112}},  {1000, 700, {2, 20, 78}},
        {1440, 816, {3, 0, 0}},     {1920, 1080, {3, 240, 132}}, {1441, 817, {3, 0, 0}},
        {3841, 2160, {7, 240, 128}},
    };
    for (const Case& c : cases) {
        ZoomPlacement got = zoomPlacement(c.width, c.height);
        EXPECT_EQ((std::array<int32_t, 3>{got.scale, got.left, got.top}),
                  (std::array<int32_t, 3>{c.expected.scale, c.expected.left, c.expected.top}))
            << c.width << "x" << c.height;
    }
}

TEST(WindowScale, LargestUpToTheWantedOneThatFitsTheRoom)
{
    struct Case {
        int32_t wanted, width, height, expected;
    };
    const Case cases[] = {
        {1, 480, 272, 1},   {2, 960, 544, 2},   {3, 1440, 816, 3},  {3, 1439, 816, 2},
        {3, 1440, 815, 2},  {3, 1024, 700, 2},  {4, 4000, 3000, 4}, {2, 400, 200, 1},
        {0, 2000, 2000, 1}, {-5, 2000, 2000, 1}, {9, 4000, 3000, 4},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(windowScaleThatFits(c.wanted, c.width, c.height), c.expected)
            << c.wanted << " in " << c.width << "x" << c.height;
    }
}

// The screen drawn at 1x in a larger window: a picture whose every pixel
// differs from its neighbours, so that a block off by one shows.
class Zoom : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(startLibraryOnce());
        initGraphics(PF_8888, 1);
    }
    void TearDown() override
    {
        headlessResizeWindow(SCREEN_WIDTH, SCREEN_HEIGHT);
        initGraphics(PF_8888, 1);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }

    // Draws the pattern over the whole screen and returns the frame as GL
    // holds it (top row first).
    std::vector<uint32_t> drawPattern()
    {
        Image* image = createImage(SCREEN_WIDTH, SCREEN_HEIGHT, LOC_RAM, PF_8888);
        for (int32_t y = 0; y < SCREEN_HEIGHT; ++y) {
            for (int32_t x = 0; x < SCREEN_WIDTH; ++x) {
                static_cast<uint32_t*>(image->pixels)[y * image->bufferWidth + x] =
                    0xFF000000u | (x * 7 & 0xFF) | ((y * 13 & 0xFF) << 8) | (((x ^ y) * 5 & 0xFF) << 16);
            }
        }
        startDrawing();
        drawImage(image);
        endDrawing();
        releaseImage(image);
        return screenPixels();
    }
};

TEST_F(Zoom, ShownFrameIsTheDrawnFrameScaledOnBlackAndTheGlStateStays)
{
    struct Case {
        int32_t width, height;
    };
    for (Case c : {Case{1000, 700}, Case{700, 300}}) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        headlessResizeWindow(c.width, c.height);
        ZoomPlacement placement = zoomPlacement(c.width, c.height);
        // The first frame after a resize may still reach a drawable of the old size.
        drawPattern();
        presentFrame();
        std::vector<uint32_t> frame = drawPattern();

        GLint viewport[4], scissor[4], texture = 0, environment = 0;
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &environment);
        GLfloat projection[16], modelview[16], colour[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        glGetIntegerv(GL_SCISSOR_BOX, scissor);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
        glGetFloatv(GL_CURRENT_COLOR, colour);
        presentFrame();

        std::vector<uint32_t> shown = headlessShownPixels(c.width, c.height);
        if (shown.empty()) {
            GTEST_SKIP() << "this window system's pixels cannot be read back";
        }
        int32_t wrong = 0;
        for (int32_t y = 0; y < c.height; ++y) {
            for (int32_t x = 0; x < c.width; ++x) {
                int32_t fx = x - placement.left;
                int32_t fy = y - placement.top;
                bool inside = fx >= 0 && fy >= 0 && fx < SCREEN_WIDTH * placement.scale &&
                              fy < SCREEN_HEIGHT * placement.scale;
                uint32_t expected =
                    inside ? frame[static_cast<size_t>(fy / placement.scale) * SCREEN_WIDTH + fx / placement.scale] : 0;
                wrong += (shown[static_cast<size_t>(y) * c.width + x] & 0xFFFFFF) != (expected & 0xFFFFFF);
            }
        }
        EXPECT_EQ(wrong, 0);
        // The buffer drawn next holds the frame again, as after a plain swap.
        EXPECT_EQ(screenPixels(), frame);

        GLint viewportAfter[4], scissorAfter[4], textureAfter = 0, environmentAfter = 0;
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &environmentAfter);
        EXPECT_EQ(environmentAfter, environment);
        GLfloat projectionAfter[16], modelviewAfter[16], colourAfter[4];
        glGetIntegerv(GL_VIEWPORT, viewportAfter);
        glGetIntegerv(GL_SCISSOR_BOX, scissorAfter);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &textureAfter);
        glGetFloatv(GL_PROJECTION_MATRIX, projectionAfter);
        glGetFloatv(GL_MODELVIEW_MATRIX, modelviewAfter);
        glGetFloatv(GL_CURRENT_COLOR, colourAfter);
        EXPECT_EQ(std::vector<GLint>(viewportAfter, viewportAfter + 4), std::vector<GLint>(viewport, viewport + 4));
        EXPECT_EQ(std::vector<GLint>(scissorAfter, scissorAfter + 4), std::vector<GLint>(scissor, scissor + 4));
        EXPECT_EQ(textureAfter, texture);
        EXPECT_EQ(std::vector<GLfloat>(projectionAfter, projectionAfter + 16),
                  std::vector<GLfloat>(projection, projection + 16));
        EXPECT_EQ(std::vector<GLfloat>(modelviewAfter, modelviewAfter + 16),
                  std::vector<GLfloat>(modelview, modelview + 16));
        EXPECT_EQ(std::vector<GLfloat>(colourAfter, colourAfter + 4), std::vector<GLfloat>(colour, colour + 4));
        EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_TRUE(glIsEnabled(GL_BLEND));
        GLboolean mask[4];
        glGetBooleanv(GL_COLOR_WRITEMASK, mask);
        EXPECT_EQ(mask[3], GL_FALSE);
        GLint matrixMode = 0, drawBufferMode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
        glGetIntegerv(GL_DRAW_BUFFER, &drawBufferMode);
        EXPECT_EQ(matrixMode, GL_MODELVIEW);
        EXPECT_EQ(drawBufferMode, GL_BACK);
    }
}

// Drawn where it is seen, a single-buffered screen has no frame to enlarge:
// the margins and the picture would cover its bottom-left corner.
TEST_F(Zoom, SingleBufferedScreenStaysAsDrawn)
{
    headlessResizeWindow(1000, 700);
    initGraphics(PF_8888, 0);
    int32_t swaps = headlessLog.swapCount;
    std::vector<uint32_t> frame = drawPattern();
    presentFrame();
    EXPECT_EQ(screenPixels(), frame);
    EXPECT_EQ(headlessLog.swapCount, swaps);
}

}  // namespace
