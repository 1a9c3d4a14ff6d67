// The drawing frame and the screen buffers. Two 512 x 272 buffers lie at the
// start of the emulated video memory (one when single-buffered); GL's back
// and front buffers stand for them. Any other image can become the drawing
// target: its pixels are then moved into GL and back out around its use.
#include "gfx/graphics.h"

#include <GL/gl.h>
#include <GL/glext.h>  // Required for: GL_FUNC_ADD (GL 1.2, beyond some systems' gl.h)
#include <algorithm>  // Required for: std::fill
#include <cmath>    // Required for: sin, cos
#include <cstring>  // Required for: memcpy, memset

#include "emu/timing.h"   // Required for: waitVBlank
#include "gfx/library.h"
#include "gfx/screenshot.h"  // Required for: keepShownFrame, forgetShownFrame
#include "gfx/zoom.h"        // Required for: swapEnlarged
#include "host/common.h"     // Required for: endForCallOrder
#include "quorl/host.h"      // Required for: wsSwapBuffers

static int32_t screenPixelFormat = PF_8888;
int32_t bitsPerPixel = 32;
static int32_t doubleBufferRequested = 1;
int32_t doubleBuffered = 1;
uint8_t* drawBufferBase = nullptr;
uint8_t* displayBufferBase = nullptr;
uint8_t* videoMemoryFree = nullptr;
DrawBuffer drawBuffer = {};
DrawBuffer displayBuffer = {};
DrawBuffer* drawTarget = &drawBuffer;
int32_t drawingStarted = 0;
static int32_t graphicsStarted = 0;  // flag: initGraphics has run
float sinTable[361];
float cosTable[361];

static bool isScreenBuffer(const DrawBuffer* buffer);
static bool hasTransferType(int32_t pixelFormat);
static uint8_t* videoMemoryAt(int32_t offset);
static int32_t rowsThatFit(int32_t width, int32_t pixelFormat, int32_t height);

void initGraphics(int32_t pixelFormat, int32_t doubleBuffer)
{
    if (controller == nullptr) {
        endForCallOrder("initGraphics()", "initLibrary()");
    }
    if (pixelFormat < 0 || pixelFormat >= PIXEL_FORMAT_COUNT) {
        pixelFormat = PF_8888;  // an unknown format would index past the table
    }
    screenPixelFormat = pixelFormat;
    doubleBufferRequested = doubleBuffer;
    bitsPerPixel = pixelFormatTable[pixelFormat].bitsPerPixel;

    buildTrigTables();

    currentColor = 0xFFFFFFFF;
    glColor4ub(255, 255, 255, 255);

    int32_t frame = frameBytes(bitsPerPixel);
    if (doubleBuffer != 0 && contextDoubleBuffered != 0) {
        doubleBuffered = 1;
        glReadBuffer(GL_BACK);
        glDrawBuffer(GL_BACK);
        drawBufferBase = videoMemoryAt(0);
        displayBufferBase = videoMemoryAt(frame);
        videoMemoryFree = videoMemoryAt(2 * frame);
    } else {
        doubleBuffered = 0;
        glReadBuffer(GL_FRONT);
        glDrawBuffer(GL_FRONT);
        drawBufferBase = videoMemoryAt(0);
        displayBufferBase = drawBufferBase;
        videoMemoryFree = videoMemoryAt(frame);
    }

    glScissor(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
    glEnable(GL_SCISSOR_TEST);
    glEnable(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glShadeModel(GL_SMOOTH);

    drawingStarted = 0;
    glFinish();

    waitVBlank();

    memset(&drawBuffer, 0, sizeof(drawBuffer));
    drawBuffer.drawWidth = SCREEN_WIDTH;
    drawBuffer.drawHeight = SCREEN_HEIGHT;
    drawBuffer.srcX1 = static_cast<float>(SCREEN_WIDTH);
    drawBuffer.srcY1 = static_cast<float>(SCREEN_HEIGHT);
    drawBuffer.width = SCREEN_WIDTH;
    drawBuffer.height = SCREEN_HEIGHT;
    drawBuffer.texWidth = SCREEN_BUFFER_WIDTH;
    drawBuffer.texHeight = SCREEN_BUFFER_WIDTH;
    drawBuffer.bufferWidth = SCREEN_BUFFER_WIDTH;
    drawBuffer.bufferHeight = SCREEN_HEIGHT;
    drawBuffer.pixels = drawBufferBase;
    drawBuffer.byteSize = frame;
    drawBuffer.location = LOC_VIDEO_MEMORY;
    drawBuffer.pixelFormat = static_cast<int16_t>(screenPixelFormat);
    drawTarget = &drawBuffer;

    displayBuffer = drawBuffer;
    displayBuffer.pixels = displayBufferBase;
    forgetShownFrame();

    graphicsStarted = 1;
    startDrawing();

    if (defaultFont == nullptr) {
        defaultFont = createFontImage();
    }
    currentFont = defaultFont;

    glClearColor(0.0f, 0.0f, 0.0f, 255.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

void buildTrigTables()
{
    // pi as the nearest float, carried in double arithmetic, so the table
    // holds the values the console's single-precision maths gives.
    const double pi = static_cast<double>(3.1415927f);
    for (int32_t i = 0; i <= 360; ++i) {
        float angle = static_cast<float>(i * pi / 180.0);
        sinTable[i] = static_cast<float>(std::sin(static_cast<double>(angle)));
        cosTable[i] = static_cast<float>(std::cos(static_cast<double>(angle)));
    }
}

void requireGraphics(const char* call)
{
    if (graphicsStarted == 0) {
        endForCallOrder(call, "initGraphics()");
    }
}

void startDrawing()
{
    requireGraphics("startDrawing()");
    if (drawingStarted != 0) {
        return;
    }
    drawingStarted = 1;
    boundPixels = nullptr;
    boundPalette = nullptr;
    currentColor = 0xFFFFFFFF;
    glColor4ub(255, 255, 255, 255);
    resetBlending();
    if (bitsPerPixel >= 32) {
        glDisable(GL_DITHER);
    } else {
        glEnable(GL_DITHER);
    }
}

void endDrawing()
{
    if (drawingStarted == 0) {
        return;
    }
    glFinish();
    drawingStarted = 0;
}

void resetBlending()
{
    if (blendEquationFn != nullptr && blendColorFn != nullptr) {
        blendEquationFn(GL_FUNC_ADD);
    }
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    currentColor = 0xFFFFFFFF;
    glColor4ub(255, 255, 255, 255);
    glEnable(GL_BLEND);
}

void applyVertexColor()
{
    glColor4ub(static_cast<GLubyte>(currentColor), static_cast<GLubyte>(currentColor >> 8),
               static_cast<GLubyte>(currentColor >> 16), static_cast<GLubyte>(currentColor >> 24));
}

void setDrawTarget(DrawBuffer* target)
{
    requireGraphics("setDrawTarget()");
    if (target == nullptr || target == drawTarget) {
        return;
    }
    GLboolean texturing = glIsEnabled(GL_TEXTURE_2D);
    GLboolean blending = glIsEnabled(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);

    bool onScreen = isScreenBuffer(drawTarget) && isScreenBuffer(target);

    // Targets move whole buffer rows (bufferWidth, which is texWidth for
    // every image but the narrow ones), so their pixels keep the layout
    // that texture uploads read.
    DrawBuffer* old = drawTarget;
    if (!onScreen && old != nullptr) {
        readBackPixels(old->pixelFormat, SCREEN_HEIGHT - old->height, old->bufferWidth,
                       old->height, old->pixels);
    }

    GLenum buffer = (target == &displayBuffer || drawBuffer.pixels == displayBuffer.pixels)
                        ? GL_FRONT
                        : GL_BACK;
    glReadBuffer(buffer);
    glDrawBuffer(buffer);

    if (!onScreen && hasTransferType(target->pixelFormat) && target->pixels != nullptr) {
        int32_t rows = rowsThatFit(target->bufferWidth, target->pixelFormat, target->height);
        const PixelFormatInfo& info = pixelFormatTable[target->pixelFormat];
        setShaderProgramActive(0);  // moved pixels are copied, not shaded
        glRasterPos2i(0, 0);
        glPixelZoom(1.0f, -1.0f);
        glDrawPixels(target->bufferWidth, rows, info.glFormat, info.glType, target->pixels);
        setShaderProgramActive(1);
    }

    drawTarget = target;

    if (texturing) {
        glEnable(GL_TEXTURE_2D);
    }
    if (blending) {
        glEnable(GL_BLEND);
    }
    // Alpha stays as it is unless the target asked for alpha writes (a
    // transparent target from createDrawTarget).
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, target->writesAlpha != 0 ? GL_TRUE : GL_FALSE);
}

Image* createDrawTarget(int32_t width, int32_t height, int32_t pixelFormat, int32_t opaque)
{
    if (width <= 0 || height <= 0 || width > SCREEN_WIDTH || height > SCREEN_HEIGHT ||
        !hasTransferType(pixelFormat)) {
        return nullptr;
    }
    Image* target = createImage(width, height, LOC_RAM, pixelFormat);
    if (target == nullptr) {
        return nullptr;
    }
    uint32_t fill = 0;
    if (opaque != 0) {
        fill = pixelFormat == PF_8888 ? 0xFF000000u : pixelFormat == PF_5551 ? 0x8000u
             : pixelFormat == PF_4444 ? 0xF000u : 0u;
    }
    int32_t pixelCount = target->bufferWidth * target->bufferHeight;
    if (pixelFormat == PF_8888) {
        uint32_t* pixels = static_cast<uint32_t*>(target->pixels);
        std::fill(pixels, pixels + pixelCount, fill);
    } else {
        uint16_t* pixels = static_cast<uint16_t*>(target->pixels);
        std::fill(pixels, pixels + pixelCount, static_cast<uint16_t>(fill));
    }
    target->writesAlpha = opaque == 0 ? 1 : 0;
    return target;
}

void readBackPixels(int32_t pixelFormat, int32_t y, int32_t width, int32_t height,
                    void* destination)
{
    if (!hasTransferType(pixelFormat) || width <= 0 || height <= 0 || destination == nullptr ||
        readBackBuffer == nullptr) {
        return;
    }
    int32_t rowBytes = width * pixelFormatTable[pixelFormat].bitsPerPixel / 8;
    int32_t rows = rowsThatFit(width, pixelFormat, height);
    if (rows <= 0) {
        return;
    }
    // A rectangle too big for the scratch buffer keeps its top rows, the
    // ones that become the destination's first rows.
    y += height - rows;
    const PixelFormatInfo& info = pixelFormatTable[pixelFormat];
    glReadPixels(0, y, width, rows, info.glFormat, info.glType, readBackBuffer);
    uint8_t* out = static_cast<uint8_t*>(destination);
    for (int32_t r = 0; r < rows; ++r) {
        memcpy(out + static_cast<size_t>(r) * rowBytes,
               readBackBuffer + static_cast<size_t>(rows - 1 - r) * rowBytes,
               static_cast<size_t>(rowBytes));
    }
}

void presentFrame()
{
    if (doubleBufferRequested != 0) {
        setDrawTarget(&drawBuffer);
    }
    keepShownFrame();
    // A single-buffered screen is drawn where it is seen: never enlarged.
    if (doubleBufferRequested != 0 && doubleBuffered != 0 && !swapEnlarged()) {
        wsSwapBuffers();
    }
    drawBuffer.pixels = drawBufferBase;
}

static bool isScreenBuffer(const DrawBuffer* buffer)
{
    return buffer == &drawBuffer || buffer == &displayBuffer;
}

// Only the direct-colour formats can be moved between GL and memory.
static bool hasTransferType(int32_t pixelFormat)
{
    return pixelFormat >= PF_5650 && pixelFormat <= PF_8888;
}

static uint8_t* videoMemoryAt(int32_t offset)
{
    return videoMemory != nullptr ? videoMemory + offset : nullptr;
}

// How many of `height` rows of `width` pixels fit in the read-back buffer.
static int32_t rowsThatFit(int32_t width, int32_t pixelFormat, int32_t height)
{
    int32_t rowBytes = width * pixelFormatTable[pixelFormat].bitsPerPixel / 8;
    if (rowBytes <= 0) {
        return 0;
    }
    int32_t most = READ_BACK_BYTES / rowBytes;
    return height < most ? height : most;
}
