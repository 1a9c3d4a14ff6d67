// The committed pictures fit the places the game draws them at, and the
// built-in font has a distinct, drawable glyph for every printable character.

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "gfx/glyphs.h"

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // 4 bytes per pixel, rows top to bottom

    const uint8_t* at(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
    bool opaque(int x, int y) const { return at(x, y)[3] == 255; }
};

Picture loadPicture(const std::string& name) {
    const char* root = std::getenv("QUORL_SOURCE_DIR");
    std::string path = std::string(root ? root : ".") + "/assets/" + name;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Picture picture;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return picture;
    picture.width = int(image.width);
    picture.height = int(image.height);
    picture.rgba = std::move(pixels);
    return picture;
}

// The pixels of a sub-rectangle, for comparing tiles.
std::vector<uint8_t> tile(const Picture& picture, int x, int y, int width, int height) {
    std::vector<uint8_t> out;
    for (int row = y; row < y + height; ++row) {
        const uint8_t* start = picture.at(x, row);
        out.insert(out.end(), start, start + width * 4);
    }
    return out;
}

int countPixels(const Picture& picture, int y0, int size, bool dark) {
    int count = 0;
    for (int y = y0; y < y0 + size; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t* p = picture.at(x, y);
            int brightness = p[0] + p[1] + p[2];
            if (p[3] == 255 && (dark ? brightness < 120 : brightness > 600)) ++count;
        }
    }
    return count;
}

}  // namespace

TEST(Assets, EveryPictureHasItsLayoutSizeAndOneBitAlpha) {
    struct Expected {
        const char* name;
        int width, height;
    };
    const Expected table[] = {{"intro.png", 480, 272},    {"fond.png", 480, 272},
                              {"boules.png", 16, 112},    {"solutions.png", 12, 180},
                              {"lignes.png", 29, 230}};
    for (const Expected& e : table) {
        Picture p = loadPicture(e.name);
        EXPECT_EQ(p.width, e.width) << e.name;
        EXPECT_EQ(p.height, e.height) << e.name;
    }
    for (const char* name : {"intro.png", "fond.png", "perdu.png", "gagne.png", "fleche.png",
                             "boules.png", "solutions.png", "lignes.png"}) {
        Picture p = loadPicture(name);
        ASSERT_GT(p.width, 0) << name;
        for (size_t i = 3; i < p.rgba.size(); i += 4) {
            ASSERT_TRUE(p.rgba[i] == 0 || p.rgba[i] == 255) << name << " pixel " << i / 4;
        }
    }
}

TEST(Assets, EndPanelsStayOnScreenAndCoverTheCodeBalls) {
    for (const char* name : {"perdu.png", "gagne.png"}) {
        Picture p = loadPicture(name);
        // Drawn at (362, 140); the code balls lie at x 375..451, y 170..186.
        EXPECT_LE(362 + p.width, 480) << name;
        EXPECT_LE(140 + p.height, 272) << name;
        EXPECT_GE(362 + p.width, 451) << name;
        EXPECT_GE(140 + p.height, 186) << name;
        for (int ball = 0; ball < 4; ++ball) {
            EXPECT_TRUE(p.opaque(375 - 362 + 20 * ball + 8, 170 - 140 + 8)) << name;
        }
    }
    EXPECT_NE(tile(loadPicture("perdu.png"), 0, 0, 60, 20), tile(loadPicture("gagne.png"), 0, 0, 60, 20));
}

TEST(Assets, BallTilesAreRoundAndAllDifferent) {
    Picture balls = loadPicture("boules.png");
    ASSERT_EQ(balls.height, 112);
    std::set<std::vector<uint8_t>> tiles;
    for (int n = 0; n <= 6; ++n) {
        EXPECT_TRUE(balls.opaque(8, 16 * n + 8)) << "tile " << n;
        EXPECT_FALSE(balls.opaque(0, 16 * n)) << "corner of tile " << n;
        tiles.insert(tile(balls, 0, 16 * n, 16, 16));
    }
    EXPECT_EQ(tiles.size(), 7u);  // the hole and six different balls
}

TEST(Assets, MarkTilesAreDistinctAndCountTheirPegs) {
    Picture marks = loadPicture("solutions.png");
    ASSERT_EQ(marks.height, 180);
    std::set<std::vector<uint8_t>> tiles;
    for (int t = 0; t < 15; ++t) tiles.insert(tile(marks, 0, 12 * t, 12, 12));
    EXPECT_EQ(tiles.size(), 15u);

    auto tileOf = [](int exact, int colourOnly) { return exact * (11 - exact) / 2 + colourOnly; };
    // Exact pegs are dark, colour-only pegs light: each extra peg adds its kind.
    for (int exact = 1; exact <= 4; ++exact) {
        EXPECT_GT(countPixels(marks, 12 * tileOf(exact, 0), 12, true),
                  countPixels(marks, 12 * tileOf(exact - 1, 0), 12, true))
            << exact << " exact";
    }
    for (int colourOnly = 1; colourOnly <= 4; ++colourOnly) {
        EXPECT_GT(countPixels(marks, 12 * tileOf(0, colourOnly), 12, false),
                  countPixels(marks, 12 * tileOf(0, colourOnly - 1), 12, false))
            << colourOnly << " colour-only";
    }
}

TEST(Assets, CursorIsSmallWithATransparentBackground) {
    Picture cursor = loadPicture("fleche.png");
    ASSERT_GT(cursor.width, 0);
    EXPECT_LE(cursor.width, 18);
    int transparent = 0, opaque = 0;
    for (int y = 0; y < cursor.height; ++y) {
        for (int x = 0; x < cursor.width; ++x) (cursor.opaque(x, y) ? opaque : transparent)++;
    }
    EXPECT_GT(transparent, 0);
    EXPECT_GT(opaque, 0);
}

TEST(Assets, EveryRowMarkerBandIsDrawnAndDifferent) {
    Picture markers = loadPicture("lignes.png");
    ASSERT_EQ(markers.height, 230);
    std::set<std::vector<uint8_t>> bands;
    for (int k = 0; k < 10; ++k) {
        EXPECT_TRUE(markers.opaque(10, 23 * k + 9)) << "band " << k;
        bands.insert(tile(markers, 0, 23 * k, 29, 23));
    }
    EXPECT_EQ(bands.size(), 10u);
}

TEST(Assets, BackgroundShowsSixDifferentColoursAboveTheCursorPlaces) {
    Picture board = loadPicture("fond.png");
    ASSERT_EQ(board.width, 480);
    std::set<std::vector<uint8_t>> swatches;
    for (int c = 1; c <= 6; ++c) {
        // The cursor is drawn at (372 + 18 (c - 1), 86); its swatch is just above.
        const uint8_t* p = board.at(372 + 18 * (c - 1) + 13, 78);
        swatches.insert({p[0], p[1], p[2]});
    }
    EXPECT_EQ(swatches.size(), 6u);
}

TEST(Glyphs, PrintableCharactersAreInkedAndDistinct) {
    auto glyph = [](int code) {
        return std::vector<uint8_t>(builtinGlyphBits + 8 * code, builtinGlyphBits + 8 * code + 8);
    };
    EXPECT_EQ(glyph(' '), std::vector<uint8_t>(8, 0));
    std::set<std::vector<uint8_t>> shapes;
    for (int code = 33; code <= 126; ++code) {
        EXPECT_NE(glyph(code), std::vector<uint8_t>(8, 0)) << "code " << code;
        shapes.insert(glyph(code));
    }
    EXPECT_EQ(shapes.size(), 94u);
}

TEST(Glyphs, NoGlyphUsesTheUndrawnEighthColumn) {
    for (int i = 0; i < 2048; ++i) EXPECT_EQ(builtinGlyphBits[i] & 0x80, 0) << "byte " << i;
}
