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

// What the game's drawing relies on, as numbers: viewport, scissor, matrices,
// bound texture, its environment, colour, enables, colour mask, buffers.
std::vector<float> glState()
{
    std::vector<float> state;
    auto add = [&state](GLenum name, int32_t count) {
        std::vector<GLfloat> values(static_cast<size_t>(count));
        glGetFloatv(name, values.data());
        state.insert(state.end(), values.begin(), values.end());
    };
    add(GL_VIEWPORT, 4);
    add(GL_SCISSOR_BOX, 4);
    add(GL_PROJECTION_MATRIX, 16);
    add(GL_MODELVIEW_MATRIX, 16);
    add(GL_TEXTURE_BINDING_2D, 1);
    add(GL_CURRENT_COLOR, 4);
    add(GL_COLOR_WRITEMASK, 4);
    add(GL_MATRIX_MODE, 1);
    add(GL_DRAW_BUFFER, 1);
    add(GL_READ_BUFFER, 1);
    GLint environment = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &environment);
    state.push_back(static_cast<float>(environment));
    for (GLenum enable : {GL_SCISSOR_TEST, GL_TEXTURE_2D, GL_BLEND, GL_DITHER}) {
        state.push_back(glIsEnabled(enable));
    }
    return state;
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
        std::vector<float> state = glState();
        presentFrame();
        EXPECT_EQ(glState(), state);
        std::vector<uint32_t> frame = drawPattern();
        state = glState();
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

        EXPECT_EQ(glState(), state);
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
