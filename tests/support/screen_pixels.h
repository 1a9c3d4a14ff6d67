// Reading and painting the GL screen in screen coordinates (origin at the
// top-left corner, y down) for tests that check real pixels.
#pragma once

#include <GL/gl.h>
#include <cstdint>
#include <vector>

#include "gfx/library.h"

// The RGBA bytes of one screen pixel of the buffer GL reads now, as a word
// in the PF_8888 layout (red in bits 0-7, alpha in bits 24-31).
inline uint32_t screenPixel(int32_t x, int32_t y)
{
    uint8_t rgba[4] = {};
    glReadPixels(x, SCREEN_HEIGHT - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return rgba[0] | (rgba[1] << 8) | (rgba[2] << 16) | (static_cast<uint32_t>(rgba[3]) << 24);
}

// The whole 480 x 272 screen, row 0 at the top.
inline std::vector<uint32_t> screenPixels()
{
    std::vector<uint32_t> gl(SCREEN_WIDTH * SCREEN_HEIGHT);
    glReadPixels(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, gl.data());
    std::vector<uint32_t> rows(gl.size());
    for (int32_t y = 0; y < SCREEN_HEIGHT; ++y) {
        for (int32_t x = 0; x < SCREEN_WIDTH; ++x) {
            rows[y * SCREEN_WIDTH + x] = gl[(SCREEN_HEIGHT - 1 - y) * SCREEN_WIDTH + x];
        }
    }
    return rows;
}

// An untextured, unblended rectangle in one colour (PF_8888 word), drawn
// through the library's projection; the GL state is put back afterwards.
inline void paintRect(float x0, float y0, float x1, float y1, uint32_t color)
{
    GLboolean texturing = glIsEnabled(GL_TEXTURE_2D);
    GLboolean blending = glIsEnabled(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glColor4ub(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF, color >> 24);
    glBegin(GL_QUADS);
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
    glEnd();
    glColor4ub(255, 255, 255, 255);
    if (texturing) {
        glEnable(GL_TEXTURE_2D);
    }
    if (blending) {
        glEnable(GL_BLEND);
    }
}

// Counts the pixels of a screen area (clipped to the screen) whose RGB is not
// `ink` where inked(x, y) says so and `paper` elsewhere; reports the first
// few through `report` (ADD_FAILURE in a test). `screen` is from screenPixels.
template <typename Inked, typename Report>
int32_t wrongInk(const std::vector<uint32_t>& screen, int32_t left, int32_t top, int32_t width,
                 int32_t height, uint32_t ink, uint32_t paper, Inked inked, Report report)
{
    int32_t wrong = 0;
    for (int32_t y = top < 0 ? 0 : top; y < top + height && y < SCREEN_HEIGHT; ++y) {
        for (int32_t x = left < 0 ? 0 : left; x < left + width && x < SCREEN_WIDTH; ++x) {
            uint32_t want = (inked(x, y) ? ink : paper) & 0xFFFFFF;
            uint32_t got = screen[y * SCREEN_WIDTH + x] & 0xFFFFFF;
            if (got != want && wrong++ < 5) {
                report(x, y, got, want);
            }
        }
    }
    return wrong;
}
