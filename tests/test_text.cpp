// Text on a real GL context: every character drawn is compared pixel by pixel
// with its glyph in the font's bitmaps (or with the box an unknown character
// gets), at scale 1 and larger, through the UTF-8 decoding, line breaks and
// tabs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/glyphs.h"
#include "gfx/graphics.h"
#include "quorl/quorl.h"
#include "tests/support/headless_seam.h"
#include "tests/support/screen_pixels.h"

namespace {

const uint32_t PAPER = makeColor(40, 60, 80, 255);
const uint32_t INK = makeColor(255, 255, 0, 255);
constexpr int32_t BOX = -1;  // a cell that shows the unknown-character box
constexpr int32_t CELL_WIDTH = 7;
constexpr int32_t LINE_PITCH = 9;  // 8 rows of glyph and one blank

// The box: the outline of columns 0-4, rows 0-6 of a cell (bit c is column c).
constexpr uint8_t BOX_ROWS[8] = {0x1F, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1F, 0x00};

// What one drawn character must look like: its glyph or the box, with its
// top-left corner at (column, line) in cells and lines of the text.
struct Cell {
    int32_t glyph;
    int32_t column, line;
};

bool cellInked(const Cell& cell, int32_t cx, int32_t cy)
{
    uint8_t row = cell.glyph == BOX ? BOX_ROWS[cy] : builtinGlyphBits[cell.glyph * 8 + cy];
    return (row >> cx) & 1;
}

// Draws `text` at (x, y) on plain paper at `drawnScale` and compares the area
// around it with the cells: every pixel of a cell's bitmap at `scale` is ink,
// all else paper.
void expectText(const std::string& text, int32_t drawnScale, int32_t scale,
                const std::vector<Cell>& cells, int32_t expectedWidth)
{
    const int32_t x = 20, y = 30;
    startDrawing();
    fillRect(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, PAPER);
    // An exactly sized copy, so that a read past the NUL is a sanitizer error.
    char* exact = static_cast<char*>(std::malloc(text.size() + 1));
    std::memcpy(exact, text.c_str(), text.size() + 1);
    EXPECT_EQ(drawTextScaled(x, y, INK, drawnScale, exact), expectedWidth);
    EXPECT_EQ(textWidthScaled(drawnScale, exact), expectedWidth);
    std::free(exact);
    endDrawing();

    auto inked = [&](int32_t px, int32_t py) {
        for (const Cell& cell : cells) {
            int32_t cx = (px - x) / scale - cell.column * CELL_WIDTH;
            int32_t cy = (py - y) / scale - cell.line * LINE_PITCH;
            if (px >= x && py >= y && cx >= 0 && cx < CELL_WIDTH && cy >= 0 && cy < 8 &&
                cellInked(cell, cx, cy)) {
                return true;
            }
        }
        return false;
    };
    auto report = [](int32_t px, int32_t py, uint32_t got, uint32_t want) {
        ADD_FAILURE() << "pixel " << px << ", " << py << ": " << std::hex << got << " instead of "
                      << want;
    };
    EXPECT_EQ(wrongInk(screenPixels(), x - 4, y - 4, 40 * scale * CELL_WIDTH,
                       3 * scale * LINE_PITCH + 8, INK, PAPER, inked, report),
              0);
}

class Text : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(startLibraryOnce());
        initGraphics(PF_8888, 1);
    }
};

struct TextCase {
    const char* label;
    std::string text;
    int32_t scale;
    std::vector<Cell> cells;
    int32_t width;
};

TEST_F(Text, DrawsEachCharactersGlyphOrABox)
{
    const TextCase cases[] = {
        {"ASCII", "Ab?", 1, {{'A', 0, 0}, {'b', 1, 0}, {'?', 2, 0}}, 21},
        {"an accented letter", "caf\xC3\xA9", 1,
         {{'c', 0, 0}, {'a', 1, 0}, {'f', 2, 0}, {0xE9, 3, 0}}, 28},
        {"Latin-1 signs and capitals", "\xC2\xA3\xC3\x9F\xC3\x84\xC2\xBF", 1,
         {{0xA3, 0, 0}, {0xDF, 1, 0}, {0xC4, 2, 0}, {0xBF, 3, 0}}, 28},
        {"an accented letter at scale 3", "\xC3\xA9t\xC3\xA9", 3,
         {{0xE9, 0, 0}, {'t', 1, 0}, {0xE9, 2, 0}}, 63},
        {"a character the font lacks", "a\xE4\xB8\xAD" "b", 1,
         {{'a', 0, 0}, {BOX, 1, 0}, {'b', 2, 0}}, 21},
        {"a character the font lacks at scale 3", "\xE2\x82\xAC", 3, {{BOX, 0, 0}}, 21},
        {"the font's symbols below U+0020", "\x01\x06", 1, {{1, 0, 0}, {6, 1, 0}}, 14},
        {"lines one blank row apart", "H\nHH", 1, {{'H', 0, 0}, {'H', 0, 1}, {'H', 1, 1}}, 14},
        {"lines at scale 2", "H\nH", 2, {{'H', 0, 0}, {'H', 0, 1}}, 14},
        {"tabs to multiples of four characters", "a\tb\nabcd\te", 1,
         {{'a', 0, 0}, {'b', 4, 0}, {'a', 0, 1}, {'b', 1, 1}, {'c', 2, 1}, {'d', 3, 1},
          {'e', 8, 1}},
         63},
        {"a tab at the end counts in the width", "ab\t", 1, {{'a', 0, 0}, {'b', 1, 0}}, 28},
        {"scale below 1 draws at 1", "A", 0, {{'A', 0, 0}}, 7},
        {"scale above 8 draws at 8", "A", 12, {{'A', 0, 0}}, 56},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.label);
        // Scales outside 1-8 look like the nearest of the two.
        int32_t scale = c.scale < 1 ? 1 : c.scale > 8 ? 8 : c.scale;
        expectText(c.text, c.scale, scale, c.cells, c.width);
    }
}

// One box for every byte that does not start a well-formed sequence, and
// nothing read past the end (the buffers are exactly sized).
TEST_F(Text, DrawsABoxForEachByteOfAMalformedSequence)
{
    const TextCase cases[] = {
        {"Latin-1 byte, not UTF-8", "caf\xE9", 1,
         {{'c', 0, 0}, {'a', 1, 0}, {'f', 2, 0}, {BOX, 3, 0}}, 28},
        {"a continuation byte alone", "\x80" "a", 1, {{BOX, 0, 0}, {'a', 1, 0}}, 14},
        {"a sequence cut by the end", "a\xE2\x82", 1, {{'a', 0, 0}, {BOX, 1, 0}, {BOX, 2, 0}}, 21},
        {"a sequence cut by another character", "\xE2\x82" "a", 1,
         {{BOX, 0, 0}, {BOX, 1, 0}, {'a', 2, 0}}, 21},
        {"a lead byte at the very end", "\xC3", 1, {{BOX, 0, 0}}, 7},
        {"an overlong slash", "\xC0\xAF", 1, {{BOX, 0, 0}, {BOX, 1, 0}}, 14},
        {"an overlong three-byte form", "\xE0\x80\xAF", 1, {{BOX, 0, 0}, {BOX, 1, 0}, {BOX, 2, 0}}, 21},
        {"a surrogate", "\xED\xA0\x80", 1, {{BOX, 0, 0}, {BOX, 1, 0}, {BOX, 2, 0}}, 21},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", 1,
         {{BOX, 0, 0}, {BOX, 1, 0}, {BOX, 2, 0}, {BOX, 3, 0}}, 28},
        {"bytes that never occur", "\xFE\xFF", 1, {{BOX, 0, 0}, {BOX, 1, 0}}, 14},
        {"a well-formed four-byte character is one box", "\xF0\x9F\x99\x82", 1, {{BOX, 0, 0}}, 7},
        // The NUL ends the text even inside a sequence.
        {"a NUL inside a sequence", std::string("\xE2\0\x82\xAC", 4), 1, {{BOX, 0, 0}}, 7},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.label);
        expectText(c.text, c.scale, c.scale, c.cells, c.width);
    }
}

TEST_F(Text, LeavesTheTintAndMeasuresWithoutAString)
{
    currentColor = makeColor(10, 20, 30, 255);
    drawTextScaled(0, 0, INK, 2, "x");
    EXPECT_EQ(currentColor, makeColor(10, 20, 30, 255));
    EXPECT_EQ(drawTextScaled(0, 0, INK, 2, nullptr), 0);
    EXPECT_EQ(textWidthScaled(2, nullptr), 0);
    EXPECT_EQ(textWidth(""), 0);
}

}  // namespace
