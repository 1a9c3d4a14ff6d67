// Images, pixel formats, palettes and the upload of an image's pixels into
// the library's one texture. Also the built-in bitmap font.
#pragma once

#include <GL/gl.h>
#include <cstdint>

#include "quorl/quorl.h"

struct PixelFormatInfo {
    int32_t bitsPerPixel;
    GLenum internalFormat;
    GLenum glFormat;
    GLenum glType;
};
// Indexed by PixelFormat. The paletted formats upload as PF_8888.
extern const PixelFormatInfo pixelFormatTable[PIXEL_FORMAT_COUNT];

struct Font {
    Image* image;             // PF_T4 glyph sheet
    uint8_t* charWidths;      // 256 widths
    uint16_t* charPositions;  // bits 0-8 x, bits 9-15 band
    int32_t fixedWidth;
    int32_t charHeight;
};

struct FontInfo {
    const uint8_t* glyphBits;
    const uint8_t* charWidthTable;  // null: every glyph is defaultCharWidth wide
    int32_t defaultCharWidth;
    int32_t charHeight;
    int32_t bytesPerGlyphRow;
};

constexpr int32_t EXPAND_BUFFER_PIXELS = 262144;  // 1 MiB of PF_8888
constexpr int32_t CONVERTED_PALETTE_SIZE = 256;

// Texture-upload state, game thread only.
extern void* boundPixels;
extern Palette* boundPalette;
extern int32_t boundPixelFormat;  // -1 before any bind
extern int32_t paletteFormat;
extern const uint32_t* activeColors;
extern uint32_t convertedPalette[CONVERTED_PALETTE_SIZE];
extern uint32_t* expandBuffer;
extern int32_t uploadedWidth, uploadedHeight;
extern void* uploadedPixels;
extern int32_t uploadCount;  // texture uploads since start, for tests and benchmarks
extern int32_t textureRingNext;  // the ring slot the next upload goes to
extern int32_t textureRingSwizzled[];  // per ring slot, 1: it samples red and blue exchanged

extern Font* defaultFont;
extern Font* currentFont;

// Rounds up to a power of two within 16 bits; 0 stays 0, 65536 stays 65536.
int32_t roundToPowerOfTwo(int32_t value);

// Makes the image's pixels the texture's contents, uploading only when the
// buffer (or palette) differs from the one bound earlier in the frame.
void bindImage(Image* image);
// Specifies the texture from `pixels` in the format boundPixelFormat, width
// x height texels read from rows `rowPixels` pixels apart (the buffer's
// bufferWidth; rows are never read closer together than `width`).
void uploadTexture(int32_t width, int32_t height, void* pixels, int32_t rowPixels);
// Expands `rows` paletted rows of `width` pixels, `rowPixels` apart in the
// source, into expandBuffer through the active colours.
void expandPalettedRows(const void* pixels, int32_t rows, int32_t width, int32_t rowPixels);

// The PF_8888 colour of one pixel value; 0 for the paletted formats.
uint32_t pixelToColor32(uint32_t pixel, int32_t pixelFormat);

Font* createFontImage();
// Frees a font from createFontImage with its image, palette and tables.
void releaseFont(Font* font);
void drawGlyphBits(Image* image, int32_t x, int32_t y, int32_t width, int32_t height,
                   int32_t bitsPerRow, const uint8_t* bits);
