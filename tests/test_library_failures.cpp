// Start-up when the window system gives no GL context: the message boxes
// say why, initLibrary completes, and the library keeps running without
// drawing anything; and when it gives only a single-buffered one. Each test
// is a process of its own, as each leaves a different context behind.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <tuple>

#include "emu/timing.h"
#include "gfx/draw.h"
#include "gfx/graphics.h"
#include "gfx/image.h"
#include "gfx/library.h"
#include "quorl/host.h"
#include "tests/support/headless_seam.h"

namespace {

class NoContext : public ::testing::Test {
protected:
    void SetUp() override
    {
        captureTimeBase();
        headlessForcedResult = WS_NO_PIXEL_FORMAT;
        emuUsePixelShaders.store(0);
    }
};

}  // namespace

TEST_F(NoContext, PixelFormatFailuresAreReportedAndStartUpCompletes)
{
    struct Case {
        int32_t result;
        const char* message;
    };
    const Case cases[] = {
        {WS_NO_PIXEL_FORMAT, "ChoosePixelFormat failed"},
        {WS_PIXEL_FORMAT_REFUSED, "SetPixelFormat failed"},
        {WS_CONTEXT_FAILED, "wglCreateContext failed"},
        {WS_MAKE_CURRENT_FAILED, "wglMakeCurrent failed"},
    };
    for (const Case& c : cases) {
        headlessForcedResult = c.result;
        int32_t messages = headlessLog.messageCount;
        initLibrary();
        EXPECT_EQ(headlessLog.messageCount, messages + 1);
        EXPECT_EQ(headlessLog.lastMessageText, c.message);
        EXPECT_EQ(headlessLog.lastMessageCaption, "");
        EXPECT_FALSE(headlessHasContext());
        EXPECT_EQ(currentColor, 0xFFFFFFFFu);
        EXPECT_NE(readBackBuffer, nullptr);
        EXPECT_NE(videoMemory, nullptr);
        // Without a context there is no GL version to vouch for them.
        EXPECT_EQ(blendEquationFn, nullptr);
        EXPECT_EQ(blendColorFn, nullptr);
    }
}

TEST_F(NoContext, MissingShaderExtensionShowsOneBox)
{
    initLibrary();
    // No context means an empty extension string: the first extension is
    // reported and the second is not looked at.
    int32_t messages = headlessLog.messageCount;
    EXPECT_FALSE(loadShaderExtension());
    EXPECT_EQ(headlessLog.messageCount, messages + 1);
    EXPECT_EQ(headlessLog.lastMessageText, "GL_ARB_shader_objects extension not supported!");
    EXPECT_EQ(headlessLog.lastMessageCaption, "Error");

    emuUsePixelShaders.store(1);
    initLibrary();
    emuUsePixelShaders.store(0);
    EXPECT_EQ(headlessLog.messageCount, messages + 3);  // the pixel format, then the shader
    EXPECT_EQ(headlessLog.lastMessageText, "GL_ARB_shader_objects extension not supported!");
    EXPECT_EQ(fragmentShader, 0u);
    EXPECT_EQ(shaderProgram, 0u);
}

TEST_F(NoContext, FramesRunWithoutDrawing)
{
    initLibrary();
    initGraphics(PF_8888, 1);
    EXPECT_EQ(drawingStarted, 1);
    EXPECT_EQ(drawBufferBase, videoMemory);
    ASSERT_NE(defaultFont, nullptr);

    Image* image = createImage(16, 16, LOC_RAM, PF_8888);
    ASSERT_NE(image, nullptr);
    memset(image->pixels, 0xFF, image->byteSize);
    for (int32_t frame = 0; frame < 3; ++frame) {
        drawImage(image);
        drawImage(defaultFont->image);
        setDrawTarget(image);
        drawImage(defaultFont->image);
        presentFrame();
        endDrawing();
        startDrawing();
    }
    EXPECT_EQ(drawTarget, &drawBuffer);
    releaseImage(image);
}

// A call that needs start-up made before it ends the program with a message
// saying so (and no crash): each is tried in a process of its own.
TEST(CallOrder, CallsBeforeStartUpEndTheProgramWithAMessage)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    static Image picture = {};
    struct Case {
        void (*call)();
        const char* message;
    };
    const Case cases[] = {
        {[] { readController(); }, "readController\\(\\) was called before initLibrary\\(\\)"},
        {[] { initGraphics(PF_8888, 1); }, "initGraphics\\(\\) was called before initLibrary\\(\\)"},
        {[] { startDrawing(); }, "startDrawing\\(\\) was called before initGraphics\\(\\)"},
        {[] { drawImage(&picture); }, "drawImage\\(\\) was called before initGraphics\\(\\)"},
        {[] { fillRect(0, 0, 8, 8, 0xFFFFFFFFu); }, "drawImage\\(\\) was called before initGraphics\\(\\)"},
        {[] { setDrawTarget(&picture); }, "setDrawTarget\\(\\) was called before initGraphics\\(\\)"},
        {[] { syncFrame(0, 5, 4); }, "syncFrame\\(\\) was called before initGraphics\\(\\)"},
    };
    for (const Case& c : cases) {
        EXPECT_EXIT(c.call(), ::testing::ExitedWithCode(1), c.message);
    }
}

// Asked for double buffering but given one buffer, the screen works as a
// single-buffered one: drawing shows at once and nothing is swapped.
TEST(SingleBufferedContext, ScreenDrawsStraightToTheFront)
{
    captureTimeBase();
    headlessSingleBufferOnly = true;
    initLibrary();
    ASSERT_TRUE(headlessHasContext());
    initGraphics(PF_8888, 1);
    EXPECT_EQ(doubleBuffered, 0);
    EXPECT_EQ(drawBufferBase, displayBufferBase);
    GLint buffer = 0;
    glGetIntegerv(GL_DRAW_BUFFER, &buffer);
    EXPECT_EQ(buffer, GL_FRONT);

    Image* red = createImage(16, 16, LOC_RAM, PF_8888);
    ASSERT_NE(red, nullptr);
    std::fill_n(static_cast<uint32_t*>(red->pixels), 16 * 16, 0xFF0000FFu);
    red->x = 100;
    red->y = 50;
    drawImage(red);
    setDrawTarget(&displayBuffer);
    setDrawTarget(&drawBuffer);
    int32_t swaps = headlessLog.swapCount;
    syncFrame(frameSkip, maxFrameSkip, vsyncFlags);
    EXPECT_EQ(headlessLog.swapCount, swaps);
    uint8_t pixel[4] = {};
    glReadBuffer(GL_FRONT);
    glReadPixels(108, 272 - 58, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(std::make_tuple(pixel[0], pixel[1], pixel[2]), std::make_tuple(255, 0, 0));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    releaseImage(red);
}
