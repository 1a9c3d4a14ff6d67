// The calls quorl/quorl.h adds for game authors, on a real GL context: text,
// filled rectangles, drawing targets ready to draw into, loading from any
// path with a reason for each failure.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "gfx/graphics.h"
#include "gfx/library.h"
#include "quorl/quorl.h"
#include "tests/png_writer.h"
#include "tests/support/headless_seam.h"
#include "tests/support/screen_pixels.h"

namespace {

const uint32_t GREY = makeColor(128, 128, 128, 255);
const uint32_t YELLOW = makeColor(255, 255, 0, 255);
const uint32_t RED = makeColor(255, 0, 0, 255);

class GameApi : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(startLibraryOnce());
        initGraphics(PF_8888, 1);
        fillRect(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, GREY);
    }
    void TearDown() override { setDrawTarget(&drawBuffer); }
};

uint32_t rgb(uint32_t color)
{
    return color & 0xFFFFFF;
}

TEST_F(GameApi, MakeColorPacksAndClampsEachPart)
{
    EXPECT_EQ(makeColor(1, 2, 3, 4), 0x04030201u);
    EXPECT_EQ(makeColor(-5, 300, 255, 0), 0x00FFFF00u);
}

TEST_F(GameApi, TextInksItsColourAndLeavesTheRestAlone)
{
    uint32_t tint = currentColor = makeColor(10, 20, 30, 255);
    int32_t width = drawText(100, 50, YELLOW, "H\nHH");
    endDrawing();
    EXPECT_EQ(width, 14);
    EXPECT_EQ(textWidth("H\nHH"), 14);
    EXPECT_EQ(textWidth(""), 0);
    EXPECT_EQ(currentColor, tint);

    // Count ink and untouched pixels in each glyph's 7 x 8 box: both occur,
    // and nothing else (no box behind the glyphs).
    for (auto [x, y] : {std::pair{100, 50}, std::pair{100, 59}, std::pair{107, 59}}) {
        SCOPED_TRACE(testing::Message() << "glyph at " << x << "," << y);
        int32_t ink = 0, background = 0;
        for (int32_t row = 0; row < 8; ++row) {
            for (int32_t column = 0; column < 7; ++column) {
                uint32_t pixel = rgb(screenPixel(x + column, y + row));
                ink += pixel == rgb(YELLOW);
                background += pixel == rgb(GREY);
            }
        }
        EXPECT_GT(ink, 8);
        EXPECT_GT(background, 8);
        EXPECT_EQ(ink + background, 56);
    }
    // The first line has one glyph only.
    EXPECT_EQ(rgb(screenPixel(110, 53)), rgb(GREY));
}

TEST_F(GameApi, FillRectBlendsByTheColoursAlpha)
{
    fillRect(10, 10, 20, 20, RED);
    fillRect(40, 10, 20, 20, makeColor(0, 0, 255, 128));
    fillRect(70, 10, 0, 20, RED);
    fillRect(70, 10, -5, 20, RED);
    endDrawing();
    EXPECT_EQ(rgb(screenPixel(10, 10)), rgb(RED));
    EXPECT_EQ(rgb(screenPixel(29, 29)), rgb(RED));
    EXPECT_EQ(rgb(screenPixel(30, 30)), rgb(GREY));
    uint32_t half = screenPixel(50, 20);
    EXPECT_NEAR(static_cast<int>(half & 0xFF), 64, 2);
    EXPECT_NEAR(static_cast<int>((half >> 16) & 0xFF), 191, 2);
    EXPECT_EQ(rgb(screenPixel(70, 15)), rgb(GREY));
}

// A target drawn into shows what was drawn; around it, an opaque target
// shows black and a transparent one lets the screen show through.
TEST_F(GameApi, DrawTargetsAreReadyToDrawInto)
{
    for (int32_t format : {PF_8888, PF_5551, PF_4444, PF_5650}) {
        for (int32_t opaque : {1, 0}) {
            SCOPED_TRACE(testing::Message() << "format " << format << " opaque " << opaque);
            initGraphics(PF_8888, 1);
            fillRect(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, GREY);
            Image* target = createDrawTarget(40, 30, format, opaque);
            ASSERT_NE(target, nullptr);
            setDrawTarget(target);
            fillRect(5, 5, 10, 10, RED);
            setDrawTarget(&drawBuffer);
            target->x = 200;
            target->y = 100;
            drawImage(target);
            endDrawing();

            EXPECT_EQ(rgb(screenPixel(207, 107)), rgb(RED));
            // PF_5650 has no alpha: it is opaque either way.
            bool showsThrough = opaque == 0 && format != PF_5650;
            EXPECT_EQ(rgb(screenPixel(225, 120)), showsThrough ? rgb(GREY) : 0u);
            EXPECT_EQ(rgb(screenPixel(199, 99)), rgb(GREY));
            releaseImage(target);
        }
    }
    struct Refused {
        int32_t width, height, format;
    };
    for (Refused r : {Refused{0, 10, PF_8888}, Refused{481, 10, PF_8888},
                      Refused{10, 273, PF_8888}, Refused{10, 10, PF_T8}, Refused{10, 10, 9}}) {
        EXPECT_EQ(createDrawTarget(r.width, r.height, r.format, 1), nullptr)
            << r.width << "x" << r.height << " format " << r.format;
    }
}

TEST(LoadImage, TakesAnyPathAndSaysWhyALoadFailed)
{
    ScratchDirectory scratch;
    ASSERT_TRUE(enterScratchDirectory(&scratch, "quorl-load"));
    PngPicture dot;
    dot.width = dot.height = 1;
    dot.rows = {{255, 0, 0}};
    std::filesystem::create_directories("some.folder/sub");
    ASSERT_TRUE(writePng("some.folder/sub/dot.png", dot));
    ASSERT_TRUE(writeBytes("text.png", {'h', 'e', 'l', 'l', 'o', '\n'}));
    std::vector<uint8_t> huge = pngSignature();
    appendChunk(huge, "IHDR", ihdrData(8192, 8192, 8, PNG_COLOR_TYPE_RGB));
    ASSERT_TRUE(writeBytes("huge.png", huge));
    std::vector<uint8_t> cut = readBytes("some.folder/sub/dot.png");
    cut.resize(cut.size() - 20);
    ASSERT_TRUE(writeBytes("cut.png", cut));

    struct Case {
        const char* path;
        int32_t format;
        const char* error;  // "" for a load that works
    };
    const Case cases[] = {
        {"./some.folder/sub/dot.png", PF_8888, ""},
        {"some.folder/../some.folder/sub/dot.png", PF_5551, ""},
        {"missing.png", PF_8888, "no such file"},
        {"missing/dot.png", PF_8888, "no such file"},
        {"some.folder", PF_8888, "cannot read the file"},
        {"text.png", PF_8888, "not a PNG file"},
        {"huge.png", PF_8888, "picture too large"},
        {"cut.png", PF_8888, "broken PNG data"},
        {"./some.folder/sub/dot.png", PF_T8, "unknown pixel format"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Image* image = loadImage(c.path, c.format);
        EXPECT_EQ(image != nullptr, c.error[0] == '\0');
        EXPECT_STREQ(lastLoadError(), c.error);
        if (image != nullptr) {
            EXPECT_EQ(image->width, 1);
            EXPECT_EQ(image->pixelFormat, c.format);
            EXPECT_EQ(image->location, LOC_RAM);
            releaseImage(image);
        }
    }
    // The console's loader keeps taking the extension from the first ".".
    EXPECT_EQ(loadImageFile("./some.folder/sub/dot.png", LOC_RAM, PF_8888), nullptr);
    EXPECT_STREQ(lastLoadError(), "not a .png name");
    leaveScratchDirectory(scratch);
}

}  // namespace
