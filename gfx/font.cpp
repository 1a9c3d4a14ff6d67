// The built-in bitmap font: 256 glyphs laid out in bands 512 pixels wide of
// a 4-bit paletted image, white ink (index 1) on opaque black (index 0).
#include <cstdlib>  // Required for: calloc, malloc, free
#include <cstring>  // Required for: memset

#include "gfx/draw.h"
#include "gfx/glyphs.h"
#include "gfx/image.h"
#include "gfx/library.h"  // Required for: currentColor

constexpr int32_t FONT_GLYPH_COUNT = 256;
constexpr int32_t FONT_BAND_WIDTH = 512;
constexpr int32_t FONT_PALETTE_ENTRIES = 16;
constexpr int32_t FONT_PALETTE_BYTES = 512;

const FontInfo builtinFontInfo = {builtinGlyphBits, nullptr, 7, 8, 1};

Font* defaultFont = nullptr;
Font* currentFont = nullptr;

// The palette text is drawn through: ink opaque white (tinted to the text's
// colour by currentColor), everything else transparent.
static uint32_t textColors[FONT_PALETTE_ENTRIES] = {0x00000000, 0xFFFFFFFF};
static Palette textPalette = {PF_8888, FONT_PALETTE_ENTRIES, textColors};

static Palette* createFontPalette();
static int32_t measureText(const char* text, Image* glyph, int32_t x, int32_t y);

Font* createFontImage()
{
    const FontInfo& info = builtinFontInfo;
    Font* font = static_cast<Font*>(calloc(1, sizeof(Font)));
    if (font == nullptr) {
        return nullptr;
    }
    font->charWidths = static_cast<uint8_t*>(malloc(FONT_GLYPH_COUNT));
    if (font->charWidths == nullptr) {
        releaseFont(font);
        return nullptr;
    }
    if (info.charWidthTable != nullptr) {
        memcpy(font->charWidths, info.charWidthTable, FONT_GLYPH_COUNT);
        font->fixedWidth = 0;
    } else {
        memset(font->charWidths, info.defaultCharWidth, FONT_GLYPH_COUNT);
        font->fixedWidth = 1;
    }

    font->charPositions = static_cast<uint16_t*>(malloc(sizeof(uint16_t) * FONT_GLYPH_COUNT));
    if (font->charPositions == nullptr) {
        releaseFont(font);
        return nullptr;
    }
    int32_t x = 0;
    int32_t band = 0;
    for (int32_t i = 0; i < FONT_GLYPH_COUNT; ++i) {
        if (x + font->charWidths[i] >= FONT_BAND_WIDTH) {
            x = 0;
            ++band;
        }
        font->charPositions[i] = static_cast<uint16_t>(band * FONT_BAND_WIDTH + x);
        x += font->charWidths[i];
    }

    font->image = createImage(FONT_BAND_WIDTH, (band + 1) * info.charHeight, LOC_RAM, PF_T4);
    if (font->image == nullptr) {
        releaseFont(font);
        return nullptr;
    }
    font->image->palette = createFontPalette();
    if (font->image->palette == nullptr) {
        releaseFont(font);
        return nullptr;
    }
    font->charHeight = info.charHeight;
    memset(font->image->pixels, 0, static_cast<size_t>(font->image->byteSize));

    int32_t glyphBytes = info.bytesPerGlyphRow * info.charHeight;
    for (int32_t i = 0; i < FONT_GLYPH_COUNT; ++i) {
        uint16_t position = font->charPositions[i];
        drawGlyphBits(font->image, position & 0x1FF, (position >> 9) * info.charHeight,
                      font->charWidths[i], info.charHeight, info.bytesPerGlyphRow * 8,
                      info.glyphBits + glyphBytes * i);
    }
    return font;
}

int32_t drawText(int32_t x, int32_t y, uint32_t color, const char* text)
{
    if (currentFont == nullptr || currentFont->image == nullptr) {
        return textWidth(text);
    }
    Image glyph = *currentFont->image;
    glyph.palette = &textPalette;
    glyph.angle = 0.0f;
    glyph.pivotX = 0;
    glyph.pivotY = 0;
    glyph.allowStrips = 0;
    uint32_t tint = currentColor;
    currentColor = color;
    int32_t width = measureText(text, &glyph, x, y);
    currentColor = tint;
    return width;
}

int32_t textWidth(const char* text)
{
    return measureText(text, nullptr, 0, 0);
}

void releaseFont(Font* font)
{
    if (font == nullptr) {
        return;
    }
    if (font->image != nullptr) {
        // The font's palette belongs to the font, not to its image.
        if (font->image->palette != nullptr) {
            free(font->image->palette->colors);
            free(font->image->palette);
        }
        releaseImage(font->image);
    }
    free(font->charPositions);
    free(font->charWidths);
    free(font);
}

void drawGlyphBits(Image* image, int32_t x, int32_t y, int32_t width, int32_t height,
                   int32_t bitsPerRow, const uint8_t* bits)
{
    if (image == nullptr || image->pixels == nullptr || bits == nullptr || bitsPerRow <= 0 ||
        image->pixelFormat < 0 || image->pixelFormat >= PIXEL_FORMAT_COUNT) {
        return;
    }
    int32_t rowBytes = image->bufferWidth * pixelFormatTable[image->pixelFormat].bitsPerPixel / 8;
    int32_t bytesPerGlyphRow = ((bitsPerRow - 1) / 8) + 1;
    uint8_t* pixels = static_cast<uint8_t*>(image->pixels);
    for (int32_t r = 0; r < height; ++r, bits += bytesPerGlyphRow) {
        int32_t row = y + r;
        if (row < 0 || row >= image->bufferHeight) {
            continue;  // outside the image: nothing to ink
        }
        uint8_t* target = pixels + rowBytes * row + (x >> 1);
        int32_t c = 0;
        for (int32_t b = 0; b < bytesPerGlyphRow && c < width; ++b) {
            for (int32_t bit = 0; bit < 8 && c < width; ++bit, ++c) {
                int32_t column = x + c;
                bool inside = column >= 0 && column < image->bufferWidth;
                if (inside && (bits[b] >> bit) & 1) {
                    *target |= (column & 1) ? 0x10 : 0x01;
                }
                if (column & 1) {
                    ++target;
                }
            }
        }
    }
}

// Walks the text glyph by glyph, drawing each through `glyph` (a copy of the
// font's image) when it is not null; returns the widest line's width.
static int32_t measureText(const char* text, Image* glyph, int32_t x, int32_t y)
{
    if (text == nullptr) {
        return 0;
    }
    const Font* font = currentFont;
    int32_t charHeight = font != nullptr ? font->charHeight : builtinFontInfo.charHeight;
    int32_t widest = 0;
    int32_t line = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '\n') {
            line = 0;
            y += charHeight;
            continue;
        }
        uint8_t code = static_cast<uint8_t>(*c);
        int32_t width = font != nullptr ? font->charWidths[code] : builtinFontInfo.defaultCharWidth;
        if (glyph != nullptr) {
            uint16_t position = font->charPositions[code];
            glyph->srcX0 = static_cast<float>(position & 0x1FF);
            glyph->srcY0 = static_cast<float>((position >> 9) * charHeight);
            glyph->srcX1 = glyph->srcX0 + static_cast<float>(width);
            glyph->srcY1 = glyph->srcY0 + static_cast<float>(charHeight);
            glyph->x = x + line;
            glyph->y = y;
            glyph->drawWidth = width;
            glyph->drawHeight = charHeight;
            drawImage(glyph);
        }
        line += width;
        widest = line > widest ? line : widest;
    }
    return widest;
}

// 16 PF_8888 entries in a cleared 512-byte table: 0 opaque black, 1 opaque
// white, the rest transparent.
static Palette* createFontPalette()
{
    Palette* palette = static_cast<Palette*>(malloc(sizeof(Palette)));
    if (palette == nullptr) {
        return nullptr;
    }
    palette->colors = static_cast<uint32_t*>(calloc(1, FONT_PALETTE_BYTES));
    if (palette->colors == nullptr) {
        free(palette);
        return nullptr;
    }
    palette->pixelFormat = PF_8888;
    palette->count = FONT_PALETTE_ENTRIES;
    palette->colors[0] = 0xFF000000;
    palette->colors[1] = 0xFFFFFFFF;
    return palette;
}
