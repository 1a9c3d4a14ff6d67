// The built-in 7x8 bitmap font of the library.
#pragma once

#include <cstdint>  // Required for: uint8_t, int32_t

// 256 glyphs (codes 0-255) of 8 rows, one byte per row. Bit 0 of a row byte is
// the glyph's leftmost column and a set bit is ink; the glyph is 7 columns
// wide, so bit 7 is never set.
extern const uint8_t builtinGlyphBits[2048];

// A glyph inked all over (a full block): text draws the edges of its box for
// an unknown character as stretched pieces of it.
constexpr int32_t GLYPH_SOLID = 0x80;
