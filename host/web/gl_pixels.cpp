// Pixel transfers of the browser host's GL: the formats and types the
// library moves pixels in, to and from the 8-bit RGBA that WebGL takes and
// gives, rounded as GL rounds.
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>  // Required for: memcpy

#include "host/web/gl_layer.h"

// 8-bit values of every n-bit value, rounded as GL converts through [0, 1].
struct ExpandTables {
    uint8_t values[9][256];
};

static const ExpandTables& expandTables();

bool pixelLayoutOf(uint32_t format, uint32_t type, PixelLayout* out)
{
    struct Known {
        GLenum format, type;
        PixelLayout layout;
    };
    static const Known known[] = {
        {GL_RGBA, GL_UNSIGNED_BYTE, {4, {0, 8, 16, 24}, {8, 8, 8, 8}}},
        {GL_BGRA, GL_UNSIGNED_BYTE, {4, {16, 8, 0, 24}, {8, 8, 8, 8}}},
        {GL_RGB, GL_UNSIGNED_SHORT_5_6_5_REV, {2, {0, 5, 11, 0}, {5, 6, 5, 0}}},
        {GL_RGB, GL_UNSIGNED_SHORT_5_6_5, {2, {11, 5, 0, 0}, {5, 6, 5, 0}}},
        {GL_RGBA, GL_UNSIGNED_SHORT_1_5_5_5_REV, {2, {0, 5, 10, 15}, {5, 5, 5, 1}}},
        {GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, {2, {10, 5, 0, 15}, {5, 5, 5, 1}}},
        {GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4_REV, {2, {0, 4, 8, 12}, {4, 4, 4, 4}}},
        {GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, {2, {8, 4, 0, 12}, {4, 4, 4, 4}}},
    };
    for (const Known& entry : known) {
        if (entry.format == format && entry.type == type) {
            *out = entry.layout;
            return true;
        }
    }
    glLayerError(GL_INVALID_ENUM);
    return false;
}

int32_t rowStride(int32_t pixels, int32_t bytes, int32_t alignment)
{
    int32_t row = pixels * bytes;
    return (row + alignment - 1) / alignment * alignment;
}

void convertToRgba(const PixelLayout& layout, bool dropAlpha, int32_t width, int32_t height,
                   int32_t stride, const uint8_t* source, uint8_t* rgba)
{
    const ExpandTables& expand = expandTables();
    bool plain = layout.bytes == 4 && layout.shift[0] == 0 && layout.shift[2] == 16;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = source + static_cast<size_t>(y) * stride;
        uint8_t* out = rgba + static_cast<size_t>(y) * width * 4;
        if (plain) {
            memcpy(out, row, static_cast<size_t>(width) * 4);
        } else {
            for (int32_t x = 0; x < width; ++x) {
                uint32_t word = 0;
                memcpy(&word, row + x * layout.bytes, static_cast<size_t>(layout.bytes));
                for (int32_t c = 0; c < 4; ++c) {
                    int32_t bits = layout.bits[c];
                    out[x * 4 + c] = bits == 0 ? 255 : expand.values[bits][(word >> layout.shift[c]) & ((1u << bits) - 1)];
                }
            }
        }
        if (dropAlpha) {
            for (int32_t x = 0; x < width; ++x) {
                out[x * 4 + 3] = 255;
            }
        }
    }
}

void convertFromRgba(const PixelLayout& layout, int32_t width, int32_t height, int32_t stride,
                     const uint8_t* rgba, uint8_t* destination)
{
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* in = rgba + static_cast<size_t>(y) * width * 4;
        uint8_t* row = destination + static_cast<size_t>(y) * stride;
        for (int32_t x = 0; x < width; ++x) {
            uint32_t word = 0;
            for (int32_t c = 0; c < 4; ++c) {
                int32_t bits = layout.bits[c];
                if (bits == 0) {
                    continue;
                }
                uint32_t most = (1u << bits) - 1;
                word |= ((in[x * 4 + c] * most + 127) / 255) << layout.shift[c];
            }
            memcpy(row + x * layout.bytes, &word, static_cast<size_t>(layout.bytes));
        }
    }
}

static const ExpandTables& expandTables()
{
    static ExpandTables tables;
    static bool built = false;
    if (!built) {
        for (int32_t bits = 1; bits <= 8; ++bits) {
            int32_t most = (1 << bits) - 1;
            for (int32_t value = 0; value <= most; ++value) {
                tables.values[bits][value] = static_cast<uint8_t>((value * 255 + most / 2) / most);
            }
        }
        built = true;
    }
    return tables;
}
