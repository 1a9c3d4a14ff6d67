// The built-in bitmap font: 256 glyphs laid out in bands 512 pixels wide of
// a 4-bit paletted image, white ink (index 1) on opaque black (index 0); and
// text drawn with it, UTF-8 decoded character by character.
#include <cstdlib>  // Required for: calloc, malloc, free
#include <cstring>  // Required for: memcpy, memset

#include "gfx/draw.h"
#include "gfx/glyphs.h"
#include "gfx/image.h"
#include "gfx/library.h"  // Required for: currentColor

constexpr int32_t FONT_GLYPH_COUNT = 256;
constexpr int32_t FONT_BAND_WIDTH = 512;
constexpr int32_t FONT_PALETTE_ENTRIES = 16;
constexpr int32_t FONT_PALETTE_BYTES = 512;
constexpr int32_t TEXT_SCALE_MAX = 8;
constexpr int32_t TEXT_LINE_GAP = 1;        // blank pixels between lines, before scaling
constexpr int32_t TEXT_TAB_CHARACTERS = 4;  // tab stops every four spaces
constexpr int32_t TEXT_BAD_BYTE = -1;       // a byte that starts no UTF-8 character
constexpr int32_t TEXT_BOX = -2;            // drawn for a character the font lacks
// More than any glyph's scaled width or height (widths are bytes).
constexpr int64_t TEXT_GLYPH_REACH = 256 * TEXT_SCALE_MAX;

static const FontInfo builtinFontInfo = {builtinGlyphBits, nullptr, 7, 8, 1};

Font* defaultFont = nullptr;
Font* currentFont = nullptr;

// The palette text is drawn through: ink opaque white (tinted to the text's
// colour by currentColor), everything else transparent.
static uint32_t textColors[FONT_PALETTE_ENTRIES] = {0x00000000, 0xFFFFFFFF};
static Palette textPalette = {PF_8888, FONT_PALETTE_ENTRIES, textColors};

// Where a text's glyphs go, in unscaled pixels from its top-left corner.
// 64-bit: no text is long enough to overflow it.
struct TextCursor {
    const char* next;  // the rest of the text
    int64_t x, y;      // where the next glyph goes
    int64_t widest;    // the widest line so far
};

// One glyph of a text and its place.
struct PlacedGlyph {
    int32_t glyph;  // the font's glyph number, or TEXT_BOX
    int64_t x, y;   // its top-left corner, as in TextCursor
};

static Palette* createFontPalette();
static int32_t clampTextScale(int32_t scale);
static bool placeNextGlyph(TextCursor* cursor, const Font* font, PlacedGlyph* placed);
static int32_t nextCodePoint(const char** text);
static int32_t glyphWidth(const Font* font, int32_t glyph);
static void drawGlyph(Image* sheet, const Font* font, int32_t glyph, int32_t x, int32_t y,
                      int32_t scale);
static void drawBox(Image* sheet, const Font* font, int32_t x, int32_t y, int32_t scale);
static int32_t saturateWidth(int64_t width);

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
    return drawTextScaled(x, y, color, 1, text);
}

int32_t textWidth(const char* text)
{
    return textWidthScaled(1, text);
}

int32_t drawTextScaled(int32_t x, int32_t y, uint32_t colour, int32_t scale, const char* text)
{
    scale = clampTextScale(scale);
    const Font* font = currentFont;
    if (text == nullptr || font == nullptr || font->image == nullptr) {
        return textWidthScaled(scale, text);
    }
    Image sheet = *font->image;
    sheet.palette = &textPalette;
    sheet.angle = 0.0f;
    sheet.pivotX = 0;
    sheet.pivotY = 0;
    sheet.allowStrips = 0;
    uint32_t tint = currentColor;
    currentColor = colour;
    TextCursor cursor = {text, 0, 0, 0};
    PlacedGlyph placed;
    while (placeNextGlyph(&cursor, font, &placed)) {
        // Only glyphs that reach the screen are drawn: every drawing target
        // lies within it, and far-off positions would not fit an int32_t.
        int64_t left = x + placed.x * scale;
        int64_t top = y + placed.y * scale;
        if (left <= -TEXT_GLYPH_REACH || left >= SCREEN_WIDTH || top <= -TEXT_GLYPH_REACH ||
            top >= SCREEN_HEIGHT) {
            continue;
        }
        if (placed.glyph == TEXT_BOX) {
            drawBox(&sheet, font, static_cast<int32_t>(left), static_cast<int32_t>(top), scale);
        } else {
            drawGlyph(&sheet, font, placed.glyph, static_cast<int32_t>(left),
                      static_cast<int32_t>(top), scale);
        }
    }
    currentColor = tint;
    return saturateWidth(cursor.widest * scale);
}

int32_t textWidthScaled(int32_t scale, const char* text)
{
    if (text == nullptr) {
        return 0;
    }
    TextCursor cursor = {text, 0, 0, 0};
    PlacedGlyph placed;
    while (placeNextGlyph(&cursor, currentFont, &placed)) {
    }
    return saturateWidth(cursor.widest * clampTextScale(scale));
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

static int32_t clampTextScale(int32_t scale)
{
    return scale < 1 ? 1 : scale > TEXT_SCALE_MAX ? TEXT_SCALE_MAX : scale;
}

// Moves the cursor over the text's next glyph, past any line breaks and tabs
// before it, and says where that glyph goes; false at the end of the text.
static bool placeNextGlyph(TextCursor* cursor, const Font* font, PlacedGlyph* placed)
{
    int32_t charHeight = font != nullptr ? font->charHeight : builtinFontInfo.charHeight;
    for (;;) {
        int32_t code = nextCodePoint(&cursor->next);
        if (code == 0) {
            return false;
        }
        if (code == '\n') {
            cursor->x = 0;
            cursor->y += charHeight + TEXT_LINE_GAP;
            continue;
        }
        if (code == '\t') {
            int64_t stop = int64_t{TEXT_TAB_CHARACTERS} * glyphWidth(font, ' ');
            cursor->x = stop > 0 ? (cursor->x / stop + 1) * stop : cursor->x;
            cursor->widest = cursor->x > cursor->widest ? cursor->x : cursor->widest;
            continue;
        }
        placed->glyph = code >= 0 && code < FONT_GLYPH_COUNT ? code : TEXT_BOX;
        placed->x = cursor->x;
        placed->y = cursor->y;
        cursor->x += glyphWidth(font, placed->glyph);
        cursor->widest = cursor->x > cursor->widest ? cursor->x : cursor->widest;
        return true;
    }
}

// Decodes the UTF-8 sequence at *text and moves *text past it. Returns its
// code point; 0 at the terminating NUL (*text stays on it); TEXT_BAD_BYTE
// for a byte that does not start a well-formed sequence (overlong forms,
// surrogates and values past U+10FFFF included), which is passed alone. A
// byte is looked at only when the bytes before it continue the sequence, so
// nothing past the NUL is ever read.
static int32_t nextCodePoint(const char** text)
{
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(*text);
    uint32_t lead = bytes[0];
    if (lead < 0x80) {
        *text += lead != 0 ? 1 : 0;
        return static_cast<int32_t>(lead);
    }
    int32_t length = 0;
    uint32_t code = 0;
    uint32_t low = 0x80;  // the range of the second byte; later ones are 80-BF
    uint32_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : low;   // shorter forms are overlong
        high = lead == 0xED ? 0x9F : high; // D800-DFFF are surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;  // nothing past 10FFFF
    } else {
        *text += 1;
        return TEXT_BAD_BYTE;
    }
    for (int32_t i = 1; i < length; ++i) {
        uint32_t byte = bytes[i];
        if (byte < low || byte > high) {
            *text += 1;
            return TEXT_BAD_BYTE;
        }
        code = code << 6 | (byte & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    *text += length;
    return static_cast<int32_t>(code);
}

// A box is as wide as the font's glyphs (its space).
static int32_t glyphWidth(const Font* font, int32_t glyph)
{
    if (font == nullptr) {
        return builtinFontInfo.defaultCharWidth;
    }
    return font->charWidths[glyph == TEXT_BOX ? ' ' : glyph];
}

// Draws one glyph of the font's sheet `scale` times its size.
static void drawGlyph(Image* sheet, const Font* font, int32_t glyph, int32_t x, int32_t y,
                      int32_t scale)
{
    uint16_t position = font->charPositions[glyph];
    int32_t width = font->charWidths[glyph];
    sheet->srcX0 = static_cast<float>(position & 0x1FF);
    sheet->srcY0 = static_cast<float>((position >> 9) * font->charHeight);
    sheet->srcX1 = sheet->srcX0 + static_cast<float>(width);
    sheet->srcY1 = sheet->srcY0 + static_cast<float>(font->charHeight);
    sheet->x = x;
    sheet->y = y;
    sheet->drawWidth = width * scale;
    sheet->drawHeight = font->charHeight * scale;
    drawImage(sheet);
}

// The mark of a character the font has no glyph for: the outline of a
// capital's cell (columns 0-4, rows 0-6), its four edges cut from the solid
// glyph so that the whole text stays on the font's texture. The edges do not
// overlap, so a translucent colour blends evenly.
static void drawBox(Image* sheet, const Font* font, int32_t x, int32_t y, int32_t scale)
{
    struct Edge {
        int32_t x, y, width, height;
    };
    const Edge edges[] = {{0, 0, 5, 1}, {0, 6, 5, 1}, {0, 1, 1, 5}, {4, 1, 1, 5}};
    uint16_t position = font->charPositions[GLYPH_SOLID];
    sheet->srcX0 = static_cast<float>(position & 0x1FF);
    sheet->srcY0 = static_cast<float>((position >> 9) * font->charHeight);
    sheet->srcX1 = sheet->srcX0 + static_cast<float>(font->charWidths[GLYPH_SOLID]);
    sheet->srcY1 = sheet->srcY0 + static_cast<float>(font->charHeight);
    for (const Edge& edge : edges) {
        sheet->x = x + edge.x * scale;
        sheet->y = y + edge.y * scale;
        sheet->drawWidth = edge.width * scale;
        sheet->drawHeight = edge.height * scale;
        drawImage(sheet);
    }
}

static int32_t saturateWidth(int64_t width)
{
    return width > INT32_MAX ? INT32_MAX : static_cast<int32_t>(width);
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
