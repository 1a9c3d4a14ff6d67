// The enlarged frame in GL 1.x terms: the frame presentFrame keeps (copied
// from the drawn corner into a 512 x 512 texture) drawn over the whole area
// cleared to black as one textured quad (GL_REPLACE, GL_NEAREST) at a whole
// multiple of the frame's size, under a projection of the whole area.
#include "gfx/zoom.h"

#include <GL/gl.h>

#include "gfx/library.h"     // Required for: setShaderProgramActive
#include "gfx/screenshot.h"  // Required for: keptFrameTexture
#include "quorl/host.h"   // Required for: screenAreaWidth, wsSwapBuffers

static constexpr int32_t ZOOM_TEXTURE_SIZE = 512;  // the kept frame's texture

static void drawFrameQuad(int32_t left, int32_t bottom, int32_t scale);

ZoomPlacement zoomPlacement(int32_t areaWidth, int32_t areaHeight)
{
    bool larger = areaWidth >= SCREEN_WIDTH && areaHeight >= SCREEN_HEIGHT &&
                  (areaWidth > SCREEN_WIDTH || areaHeight > SCREEN_HEIGHT);
    if (!larger) {
        return ZoomPlacement{0, 0, 0};
    }
    int32_t byWidth = areaWidth / SCREEN_WIDTH;
    int32_t byHeight = areaHeight / SCREEN_HEIGHT;
    int32_t scale = byWidth < byHeight ? byWidth : byHeight;
    return ZoomPlacement{scale, (areaWidth - SCREEN_WIDTH * scale) / 2, (areaHeight - SCREEN_HEIGHT * scale) / 2};
}

bool swapEnlarged()
{
    int32_t areaWidth = screenAreaWidth.load(std::memory_order_relaxed);
    int32_t areaHeight = screenAreaHeight.load(std::memory_order_relaxed);
    ZoomPlacement placement = zoomPlacement(areaWidth, areaHeight);
    if (placement.scale == 0) {
        return false;
    }
    GLuint frame = keptFrameTexture();
    if (frame == 0) {
        return false;
    }
    // GL counts rows from the bottom.
    int32_t bottom = areaHeight - placement.top - SCREEN_HEIGHT * placement.scale;

    glPushAttrib(GL_ENABLE_BIT | GL_VIEWPORT_BIT | GL_SCISSOR_BIT | GL_COLOR_BUFFER_BIT | GL_TEXTURE_BIT |
                 GL_CURRENT_BIT | GL_TRANSFORM_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, areaWidth, 0.0, areaHeight, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glViewport(0, 0, areaWidth, areaHeight);
    setShaderProgramActive(0);  // the frame was shaded as it was drawn
    glDisable(GL_BLEND);
    glDisable(GL_DITHER);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);  // pixels move whole, alpha too
    glBindTexture(GL_TEXTURE_2D, frame);
    // The texel as it is, not multiplied by a colour: a cheaper fragment.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);

    // A clear of the whole buffer is the cheap one (a software rasterizer
    // then has no old pixels to load; a GPU clears in place); the picture
    // goes over it.
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    drawFrameQuad(placement.left, bottom, placement.scale);
    wsSwapBuffers();
    // The buffer drawn next holds the frame in its corner, as after a swap
    // that keeps the back buffer: a game may draw only what changed.
    drawFrameQuad(0, 0, 1);

    setShaderProgramActive(1);
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
    return true;
}

// The frame's texels, scaled, with their bottom-left corner at (left, bottom).
static void drawFrameQuad(int32_t left, int32_t bottom, int32_t scale)
{
    const float right = static_cast<float>(SCREEN_WIDTH) / ZOOM_TEXTURE_SIZE;
    const float top = static_cast<float>(SCREEN_HEIGHT) / ZOOM_TEXTURE_SIZE;
    int32_t x1 = left + SCREEN_WIDTH * scale;
    int32_t y1 = bottom + SCREEN_HEIGHT * scale;
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2i(left, bottom);
    glTexCoord2f(right, 0.0f);
    glVertex2i(x1, bottom);
    glTexCoord2f(right, top);
    glVertex2i(x1, y1);
    glTexCoord2f(0.0f, top);
    glVertex2i(left, y1);
    glEnd();
}
