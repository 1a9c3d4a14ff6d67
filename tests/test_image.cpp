// Images, pixel conversion, texture upload and the built-in font. The pure
// parts are checked directly; uploads are checked by drawing on a real GL
// context and reading the pixels back.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <algorithm>
#include <cstring>
#include <tuple>
#include <vector>

#include "gfx/draw.h"
#include "gfx/glyphs.h"
#include "gfx/graphics.h"
#include "gfx/image.h"
#include "gfx/library.h"
#include "quorl/host.h"
#include "tests/support/headless_seam.h"
#include "tests/support/screen_pixels.h"

namespace {

constexpr uint32_t GREY = 0xFF808080;
constexpr int32_t SCALE = 10;  // screen pixels per texel when drawn

// Draws the whole image at the top-left corner, each texel SCALE pixels square.
void drawScaled(Image* image)
{
    image->x = 0;
    image->y = 0;
    image->drawWidth = image->width * SCALE;
    image->drawHeight = image->height * SCALE;
    drawImage(image);
    glFinish();
}

// The screen colour at the centre of texel (x, y) of an image drawn by drawScaled.
uint32_t texelOnScreen(int32_t x, int32_t y)
{
    return screenPixel(x * SCALE + SCALE / 2, y * SCALE + SCALE / 2) & 0xFFFFFF;
}

void newFrame()
{
    endDrawing();
    startDrawing();
}

class Upload : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(startLibraryOnce());
        newFrame();
        paintRect(0, 0, 480, 272, GREY);
    }
    void TearDown() override
    {
        for (Image* image : images) {
            releaseImage(image);
        }
        newFrame();        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    Image* make(int32_t width, int32_t height, int32_t format)
    {
        Image* image = createImage(width, height, LOC_RAM, format);
        EXPECT_NE(image, nullptr);
        if (image != nullptr) {
            memset(image->pixels, 0xAA, image->byteSize);  // padding that must never show
            images.push_back(image);
        }
        return image;
    }
    std::vector<Image*> images;
};

}  // namespace

TEST(PowerOfTwo, RoundsUpWithinSixteenBits)
{
    const int32_t cases[][2] = {
        {0, 0},       {1, 1},         {2, 2},         {3, 4},          {5, 8},
        {64, 64},     {65, 128},      {272, 512},     {480, 512},      {512, 512},
        {513, 1024},  {32768, 32768}, {32769, 65536}, {65535, 65536},  {65536, 65536},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(roundToPowerOfTwo(c[0]), c[1]) << "value " << c[0];
    }
}

TEST(CreateImage, SetsSizesAndRowsByFormat)
{
    struct Case {
        int32_t width, height, format;
        int32_t texWidth, texHeight, bufferWidth, byteSize;
    };
    const Case cases[] = {
        {480, 272, PF_5551, 512, 512, 512, 524288},
        {5, 3, PF_8888, 8, 4, 8, 128},
        {5, 3, PF_T4, 8, 4, 32, 64},
        {5, 3, PF_T8, 8, 4, 16, 64},
        {5, 3, PF_5650, 8, 4, 8, 64},
        {5, 3, PF_4444, 8, 4, 8, 64},
        {2, 1, PF_8888, 2, 1, 4, 16},
        {64, 64, PF_T4, 64, 64, 64, 2048},
        {0, 0, PF_8888, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " format " << c.format);
        Image* image = createImage(c.width, c.height, LOC_VIDEO_MEMORY, c.format);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(std::make_tuple(image->texWidth, image->texHeight, image->bufferWidth,
                                  image->bufferHeight, image->byteSize),
                  std::make_tuple(c.texWidth, c.texHeight, c.bufferWidth, c.texHeight, c.byteSize));
        EXPECT_EQ(std::make_tuple(image->width, image->height, image->drawWidth, image->drawHeight),
                  std::make_tuple(c.width, c.height, c.width, c.height));
        EXPECT_EQ(std::make_tuple(image->srcX0, image->srcY0, image->srcX1, image->srcY1),
                  std::make_tuple(0.0f, 0.0f, float(c.width), float(c.height)));
        EXPECT_EQ(std::make_tuple(image->location, image->pixelFormat, image->allowStrips,
                                  image->sharedPixels, image->x, image->angle),
                  std::make_tuple(LOC_VIDEO_MEMORY, int16_t(c.format), int16_t(1), int16_t(0), 0,
                                  0.0f));
        EXPECT_EQ(image->palette, nullptr);
        ASSERT_NE(image->pixels, nullptr);
        // The whole buffer is usable (the sanitizer build checks the bounds).
        memset(image->pixels, 0, image->byteSize);
        releaseImage(image);
    }
}

TEST(CreateImage, RefusesWhatItCannotRepresent)
{
    EXPECT_EQ(createImage(-1, 4, LOC_RAM, PF_8888), nullptr);
    EXPECT_EQ(createImage(4, -1, LOC_RAM, PF_8888), nullptr);
    EXPECT_EQ(createImage(4, 4, LOC_RAM, 6), nullptr);
    EXPECT_EQ(createImage(4, 4, LOC_RAM, -1), nullptr);
    EXPECT_EQ(createImage(65537, 4, LOC_RAM, PF_8888), nullptr);
    // 65536 x 65536 x 4 bytes does not fit a 32-bit byte size.
    EXPECT_EQ(createImage(65536, 65536, LOC_RAM, PF_8888), nullptr);
}

TEST(PixelToColor32, WidensEachChannel)
{
    struct Case {
        uint32_t pixel;
        int32_t format;
        uint32_t color;
    };
    const Case cases[] = {
        {0x7FFF, PF_5551, 0x00FFFFFF},
        {0x8000, PF_5551, 0xFF000000},
        {0xF800, PF_5650, 0xFFFF0000},
        {0x0421, PF_5650, 0xFF008508},
        {0x1F800, PF_5650, 0xFFFF0000},  // only bits 0-15 count
        {0x001F, PF_5650, 0xFF0000FF},
        {0x07E0, PF_5650, 0xFF00FF00},
        {0x1234, PF_4444, 0x11223344},
        {0xF000, PF_4444, 0xFF000000},
        {0x0421, PF_5551, 0x00080808},
        {0x12345678, PF_8888, 0x12345678},
        {0x1234, PF_T4, 0},
        {0x1234, PF_T8, 0},
        {0x1234, 9, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pixelToColor32(c.pixel, c.format), c.color)
            << std::hex << "pixel 0x" << c.pixel << " format " << c.format;
    }
}

TEST_F(Upload, OncePerBufferPerFrame)
{
    Image* a = make(8, 8, PF_8888);
    Image* b = make(8, 8, PF_5650);
    Image* sharer = make(8, 8, PF_8888);
    ASSERT_TRUE(a && b && sharer);
    free(sharer->pixels);
    sharer->pixels = a->pixels;
    sharer->sharedPixels = 1;

    int32_t start = uploadCount;
    bindImage(a);
    EXPECT_EQ(uploadCount, start + 1);
    bindImage(a);
    bindImage(sharer);
    EXPECT_EQ(uploadCount, start + 1);
    bindImage(b);
    EXPECT_EQ(uploadCount, start + 2);
    bindImage(a);
    EXPECT_EQ(uploadCount, start + 3);
    EXPECT_EQ(uploadedWidth, 8);
    EXPECT_EQ(uploadedHeight, 8);
    EXPECT_EQ(uploadedPixels, a->pixels);
    newFrame();
    bindImage(a);
    EXPECT_EQ(uploadCount, start + 4);
}

TEST_F(Upload, DirectColourImagesShowTheirPixels)
{
    // A 2x2 image in every direct format: red, green / blue, white.
    struct Case {
        int32_t format;
        uint32_t texels[4];
    };
    const Case cases[] = {
        {PF_8888, {0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFFFFFFFF}},
        {PF_5650, {0x001F, 0x07E0, 0xF800, 0xFFFF}},
        {PF_5551, {0x801F, 0x83E0, 0xFC00, 0xFFFF}},
        {PF_4444, {0xF00F, 0xF0F0, 0xFF00, 0xFFFF}},
    };
    const uint32_t expected[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << c.format);
        newFrame();
        Image* image = make(2, 2, c.format);
        ASSERT_NE(image, nullptr);
        // Narrower than a 16-byte row: the second row starts bufferWidth in.
        for (int32_t i = 0; i < 4; ++i) {
            int32_t offset = (i / 2) * image->bufferWidth + i % 2;
            if (c.format == PF_8888) {
                static_cast<uint32_t*>(image->pixels)[offset] = c.texels[i];
            } else {
                static_cast<uint16_t*>(image->pixels)[offset] = static_cast<uint16_t>(c.texels[i]);
            }
        }
        drawScaled(image);
        for (int32_t i = 0; i < 4; ++i) {
            EXPECT_EQ(texelOnScreen(i % 2, i / 2), expected[i]) << "texel " << i;
        }
        GLint rowLength = -1;
        glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
        EXPECT_EQ(rowLength, 0);
    }
}

TEST_F(Upload, PalettedImagesShowTheirPaletteColours)
{
    // 4x2 images, indices 0..7 in reading order, through palettes in each
    // entry format. Index 7 of the 16-bit palettes is transparent, so the
    // grey background shows through.
    uint32_t colors8888[8] = {0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFFFFFFFF,
                              0xFF000000, 0xFF00FFFF, 0xFFFF00FF, 0x00FFFF00};
    uint32_t colors5650[8] = {0x001F, 0x07E0, 0xF800, 0xFFFF, 0x0000, 0x07FF, 0xF81F, 0xFFE0};
    uint32_t colors5551[8] = {0x801F, 0x83E0, 0xFC00, 0xFFFF, 0x8000, 0x83FF, 0xFC1F, 0x7FE0};
    uint32_t colors4444[8] = {0xF00F, 0xF0F0, 0xFF00, 0xFFFF, 0xF000, 0xF0FF, 0xFF0F, 0x0FF0};
    const uint32_t shown[8] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF,
                               0x000000, 0x00FFFF, 0xFF00FF, GREY & 0xFFFFFF};
    struct Case {
        int16_t paletteFormat;
        uint32_t* colors;
        uint32_t shownLast;
    };
    const Case cases[] = {
        {PF_8888, colors8888, shown[7]},
        {PF_5650, colors5650, 0xFFFF00},  // no alpha: index 7 is opaque yellow
        {PF_5551, colors5551, shown[7]},
        {PF_4444, colors4444, shown[7]},
    };
    for (int32_t format : {PF_T4, PF_T8}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "image format " << format << " palette format "
                                            << c.paletteFormat);
            newFrame();
            paintRect(0, 0, 480, 272, GREY);
            Palette palette = {c.paletteFormat, 8, c.colors};
            Image* image = make(4, 2, format);
            ASSERT_NE(image, nullptr);
            image->palette = &palette;
            uint8_t* p = static_cast<uint8_t*>(image->pixels);
            int32_t stride = image->bufferWidth * (format == PF_T4 ? 4 : 8) / 8;
            for (int32_t row = 0; row < 2; ++row) {
                for (int32_t x = 0; x < 4; ++x) {
                    int32_t index = row * 4 + x;
                    if (format == PF_T8) {
                        p[row * stride + x] = static_cast<uint8_t>(index);
                    } else if (x % 2 == 0) {
                        p[row * stride + x / 2] = static_cast<uint8_t>(index);  // low nibble: left
                    } else {
                        p[row * stride + x / 2] |= static_cast<uint8_t>(index << 4);
                    }
                }
            }
            drawScaled(image);
            for (int32_t i = 0; i < 8; ++i) {
                EXPECT_EQ(texelOnScreen(i % 4, i / 4), i == 7 ? c.shownLast : shown[i])
                    << "index " << i;
            }
            image->palette = nullptr;
        }
    }
}

TEST_F(Upload, AChangedPaletteUploadsAgain)
{
    uint32_t redOnes[8] = {0xFF0000FF, 0xFF0000FF, 0, 0, 0, 0, 0, 0};
    uint32_t greenOnes[8] = {0xFF00FF00, 0xFF00FF00, 0, 0, 0, 0, 0, 0};
    Palette red = {PF_8888, 8, redOnes};
    Palette green = {PF_8888, 8, greenOnes};
    Image* image = make(4, 1, PF_T8);
    ASSERT_NE(image, nullptr);
    memset(image->pixels, 1, image->byteSize);
    image->palette = &red;
    drawScaled(image);
    EXPECT_EQ(texelOnScreen(0, 0), 0x0000FFu);
    int32_t uploads = uploadCount;
    drawScaled(image);
    EXPECT_EQ(uploadCount, uploads);
    image->palette = &green;
    drawScaled(image);
    EXPECT_EQ(uploadCount, uploads + 1);
    EXPECT_EQ(texelOnScreen(3, 0), 0x00FF00u);
    image->palette = nullptr;
}

TEST_F(Upload, SixteenBitPalettesConvertWholeGroupsOfEightUpTo256)
{
    for (uint32_t& entry : convertedPalette) {
        entry = 0x12345678;
    }
    Image* image = make(16, 16, PF_T8);
    ASSERT_NE(image, nullptr);
    // 12 entries: the last 4 are not converted; the table keeps what it had.
    std::vector<uint32_t> colors(320, 0xFFFF);
    Palette twelve = {PF_5650, 12, colors.data()};
    image->palette = &twelve;
    bindImage(image);
    EXPECT_EQ(convertedPalette[7], 0xFFFFFFFFu);
    EXPECT_EQ(convertedPalette[8], 0x12345678u);
    // 320 entries: the first 256 (the sanitizer build catches a write past them).
    for (size_t i = 0; i < colors.size(); ++i) {
        colors[i] = static_cast<uint32_t>(i);
    }
    Palette long320 = {PF_4444, 320, colors.data()};
    image->palette = &long320;
    bindImage(image);
    EXPECT_EQ(convertedPalette[255], pixelToColor32(255, PF_4444));
    image->palette = nullptr;
}

TEST_F(Upload, PalettedImagesTooLargeToExpandAreNotUploaded)
{
    uint32_t colors[8] = {0xFFFFFFFF};
    Palette palette = {PF_8888, 8, colors};
    Image* huge = make(1024, 512, PF_T8);  // 524,288 pixels, twice the expand buffer
    ASSERT_NE(huge, nullptr);
    huge->palette = &palette;
    int32_t uploads = uploadCount;
    bindImage(huge);
    EXPECT_EQ(uploadCount, uploads);
    // The next image still uploads normally.
    Image* small = make(4, 4, PF_8888);
    ASSERT_NE(small, nullptr);
    bindImage(small);
    EXPECT_EQ(uploadCount, uploads + 1);
    huge->palette = nullptr;
}

TEST_F(Upload, PalettedImageWithoutAPaletteDrawsNothing)
{
    Image* image = make(4, 4, PF_T8);
    ASSERT_NE(image, nullptr);
    activeColors = nullptr;
    boundPalette = nullptr;
    int32_t uploads = uploadCount;
    drawScaled(image);
    EXPECT_EQ(uploadCount, uploads + 1);
    EXPECT_EQ(texelOnScreen(1, 1), GREY & 0xFFFFFF);
}

TEST_F(Upload, IndicesPastThePaletteShowTransparent)
{
    struct Case {
        int32_t format;
        uint8_t bytes[4];  // four pixels
        int16_t count;
    };
    // In T8 the pixels are 1, 7, 8, 200 under 8 entries; in T4 they are 1, 3, 4, 15
    // under 4 entries (an entry count the expansion must not read past).
    const Case cases[] = {{PF_T8, {1, 7, 8, 200}, 8}, {PF_T4, {0x31, 0xF4, 0, 0}, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << c.format);
        newFrame();
        paintRect(0, 0, 480, 272, GREY);
        std::vector<uint32_t> colors(c.count, 0xFF0000FF);
        colors[c.count - 1] = 0xFF00FF00;
        Palette palette = {PF_8888, c.count, colors.data()};
        Image* image = make(4, 1, c.format);
        ASSERT_NE(image, nullptr);
        memcpy(image->pixels, c.bytes, 4);
        image->palette = &palette;
        drawScaled(image);
        EXPECT_EQ(texelOnScreen(0, 0), 0x0000FFu);
        EXPECT_EQ(texelOnScreen(1, 0), 0x00FF00u);
        EXPECT_EQ(texelOnScreen(2, 0), GREY & 0xFFFFFF);
        EXPECT_EQ(texelOnScreen(3, 0), GREY & 0xFFFFFF);
        image->palette = nullptr;
    }
}

TEST(Font, LaysOutGlyphsInBands)
{
    Font* font = createFontImage();
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->fixedWidth, 1);
    EXPECT_EQ(font->charHeight, 8);
    for (int32_t i = 0; i < 256; ++i) {
        ASSERT_EQ(font->charWidths[i], 7) << "glyph " << i;
    }
    struct Case {
        int32_t glyph, x, band;
    };
    const Case cases[] = {{0, 0, 0}, {1, 7, 0}, {72, 504, 0}, {73, 0, 1},
                          {146, 0, 2}, {219, 0, 3}, {255, 252, 3}};
    for (const Case& c : cases) {
        uint16_t position = font->charPositions[c.glyph];
        EXPECT_EQ(position & 0x1FF, c.x) << "glyph " << c.glyph;
        EXPECT_EQ(position >> 9, c.band) << "glyph " << c.glyph;
    }
    Image* image = font->image;
    EXPECT_EQ(image->width, 512);
    EXPECT_EQ(image->height, 32);
    EXPECT_EQ(image->byteSize, 8192);
    EXPECT_EQ(image->pixelFormat, PF_T4);
    EXPECT_EQ(image->location, LOC_RAM);
    ASSERT_NE(image->palette, nullptr);
    EXPECT_EQ(image->palette->pixelFormat, PF_8888);
    EXPECT_EQ(image->palette->count, 16);
    EXPECT_EQ(image->palette->colors[0], 0xFF000000u);
    EXPECT_EQ(image->palette->colors[1], 0xFFFFFFFFu);
    for (int32_t i = 2; i < 128; ++i) {
        ASSERT_EQ(image->palette->colors[i], 0u) << "entry " << i;
    }
    releaseFont(font);
}

TEST(Font, SheetHoldsEveryGlyphsBits)
{
    // The expected sheet, built straight from the bitmaps: glyph i at
    // column (i % 73) x 7 of band i / 73, bit c of row byte r at column c.
    std::vector<uint8_t> expected(512 * 32, 0);
    for (int32_t i = 0; i < 256; ++i) {
        int32_t left = (i % 73) * 7;
        int32_t top = (i / 73) * 8;
        for (int32_t r = 0; r < 8; ++r) {
            for (int32_t c = 0; c < 7; ++c) {
                expected[(top + r) * 512 + left + c] = (builtinGlyphBits[i * 8 + r] >> c) & 1;
            }
        }
    }
    Font* font = createFontImage();
    ASSERT_NE(font, nullptr);
    const uint8_t* sheet = static_cast<const uint8_t*>(font->image->pixels);
    int32_t wrong = 0;
    for (int32_t y = 0; y < 32; ++y) {
        for (int32_t x = 0; x < 512; ++x) {
            uint8_t pair = sheet[y * 256 + x / 2];
            uint8_t index = (x & 1) ? pair >> 4 : pair & 0xF;
            wrong += index != expected[y * 512 + x];
        }
    }
    EXPECT_EQ(wrong, 0);
    releaseFont(font);
}

TEST(Font, GlyphBitsAreOredAtAnyColumn)
{
    Image* image = createImage(64, 8, LOC_RAM, PF_T4);
    ASSERT_NE(image, nullptr);
    memset(image->pixels, 0, image->byteSize);
    auto index = [&](int32_t x, int32_t y) {
        uint8_t pair = static_cast<uint8_t*>(image->pixels)[y * 32 + x / 2];
        return (x & 1) ? pair >> 4 : pair & 0xF;
    };
    // Ten columns from two bytes a row, at an odd column: the second byte's
    // bits above column 9 are not drawn.
    const uint8_t bits[4] = {0x81, 0xFF, 0x02, 0x00};
    drawGlyphBits(image, 3, 1, 10, 2, 16, bits);
    const int32_t row1[] = {1, 0, 0, 0, 0, 0, 0, 1, 1, 1};
    for (int32_t c = 0; c < 10; ++c) {
        EXPECT_EQ(index(3 + c, 1), row1[c]) << "column " << c;
    }
    EXPECT_EQ(index(13, 1), 0);  // bits 2-7 of the second byte lie beyond the width
    EXPECT_EQ(index(4, 2), 1);
    EXPECT_EQ(index(3, 2), 0);
    EXPECT_EQ(index(2, 1), 0);
    EXPECT_EQ(index(3, 0), 0);

    // Ink already there stays: the bits are ORed in.
    static_cast<uint8_t*>(image->pixels)[1 * 32 + 2] |= 0x02;  // index 2 at column 4
    const uint8_t one[1] = {0x03};
    drawGlyphBits(image, 3, 1, 2, 1, 8, one);
    EXPECT_EQ(index(4, 1), 3);
    releaseImage(image);
}

// Rows are read as far apart as the caller says, whatever was bound before:
// after a 512-pixel-wide image, an 8 x 8 buffer of exactly 64 pixels (the
// sanitizer build checks that no byte past it is read).
TEST_F(Upload, RowsAreReadAsFarApartAsTheCallerSays)
{
    uint32_t colors[8] = {0xFF0000FF, 0xFF00FF00};
    Palette palette = {PF_8888, 8, colors};
    Image* wide = make(512, 4, PF_T8);
    ASSERT_NE(wide, nullptr);
    wide->palette = &palette;
    bindImage(wide);
    std::vector<uint8_t> indices(8 * 8, 1);
    expandPalettedRows(indices.data(), 8, 8, 8);
    EXPECT_EQ(expandBuffer[63], colors[1]);
    wide->palette = nullptr;

    bindImage(make(512, 4, PF_8888));
    std::vector<uint32_t> green(8 * 8, 0xFF00FF00);
    uploadTexture(8, 8, green.data(), 8);
    std::vector<uint32_t> texture(8 * 8);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texture.data());
    EXPECT_EQ(texture, green);
}

// PF_5551 and PF_4444 upload with red and blue exchanged where the texture can
// exchange them back: every value of every channel must show as it does
// through the plain upload. 256 x 256 texels hold all 65536 values, drawn one
// screen pixel each over an opaque and a grey background.
TEST_F(Upload, SixteenBitFastPathShowsTheSamePixels)
{
    if (textureSwizzle == 0) {
        GTEST_SKIP() << "this context cannot swizzle a texture";
    }
    for (int32_t format : {PF_5551, PF_4444}) {
        SCOPED_TRACE(testing::Message() << "format " << format);
        Image* image = make(256, 256, format);
        ASSERT_NE(image, nullptr);
        uint16_t* pixels = static_cast<uint16_t*>(image->pixels);
        for (int32_t value = 0; value < 65536; ++value) {
            pixels[value] = static_cast<uint16_t>(value);
        }
        std::vector<uint32_t> shown[2];
        for (int32_t fast : {0, 1}) {
            textureSwizzle = fast;
            newFrame();
            paintRect(0, 0, 480, 272, GREY);
            drawImage(image);
            glFinish();
            shown[fast] = screenPixels();
        }
        EXPECT_EQ(textureRingSwizzled[(textureRingNext + TEXTURE_RING_SIZE - 1) % TEXTURE_RING_SIZE], 1);
        EXPECT_TRUE(shown[0] == shown[1]);
    }
    textureSwizzle = 1;
}

// Uploads go round a ring of texture names: images alternating within a frame,
// more often than the ring has names, each show their own pixels, with one
// upload per change, whether or not uploads wait for the GPU first.
TEST_F(Upload, AlternatingImagesEachShowTheirOwnPixels)
{
    const uint32_t colours[2] = {0xFF0000FF, 0xFF00FF00};
    Image* images[2];
    for (int32_t i = 0; i < 2; ++i) {
        images[i] = make(4, 4, PF_8888);
        ASSERT_NE(images[i], nullptr);
        std::fill_n(static_cast<uint32_t*>(images[i]->pixels), 16, colours[i]);
    }
    for (int32_t reuse : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "reuse " << reuse);
        emuReuseTextures.store(reuse);
        newFrame();
        int32_t before = uploadCount;
        const int32_t draws = 3 * TEXTURE_RING_SIZE + 1;
        for (int32_t d = 0; d < draws; ++d) {
            Image* image = images[d % 2];
            image->x = d * 8;
            image->y = 100;
            image->drawWidth = 8;
            image->drawHeight = 8;
            drawImage(image);
        }
        glFinish();
        EXPECT_EQ(uploadCount - before, draws);
        for (int32_t d = 0; d < draws; ++d) {
            EXPECT_EQ(screenPixel(d * 8 + 4, 104) & 0xFFFFFF, colours[d % 2] & 0xFFFFFF) << d;
        }
    }
    emuReuseTextures.store(0);
}
