// The game's frames on a real GL context: what each screen shows at the
// board's places, read back as pixels, and how many texture uploads a frame
// costs. Pictures are synthetic sheets whose tiles are flat colours.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "emu/controller.h"
#include "game/board.h"
#include "game/game.h"
#include "gfx/image.h"
#include "quorl/host.h"
#include "test_game_pictures.h"
#include "tests/support/headless_seam.h"
#include "tests/support/screen_pixels.h"

namespace {

using testpictures::Rgb;

void frame(uint32_t pressed)
{
    checkForLostGame();
    applyPressedButtons(pressed);
    advanceFrameTick();
}

// Draws one frame and returns the texture uploads it took.
int32_t drawFrame()
{
    int32_t before = uploadCount;
    drawScreen();
    return uploadCount - before;
}

// The colour survives PF_5551 (5 bits a channel) to within one step.
::testing::AssertionResult showsColor(int32_t x, int32_t y, Rgb expected)
{
    uint32_t pixel = screenPixel(x, y);
    int32_t r = pixel & 0xFF;
    int32_t g = (pixel >> 8) & 0xFF;
    int32_t b = (pixel >> 16) & 0xFF;
    if (std::abs(r - expected.r) <= 8 && std::abs(g - expected.g) <= 8 &&
        std::abs(b - expected.b) <= 8) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "pixel (" << x << ", " << y << ") is " << r << "," << g << "," << b
           << ", expected " << int(expected.r) << "," << int(expected.g) << ","
           << int(expected.b);
}

// The middle of cell n, of row r's mark cell, of the marker over row r.
int32_t cellX(int32_t cell) { return 205 + 24 * ((cell - 1) % 4) + 8; }
int32_t cellY(int32_t cell) { return 243 - 23 * ((cell - 1) / 4) + 8; }
int32_t markY(int32_t row) { return 245 - 23 * (row - 1) + 6; }
int32_t markerY(int32_t row) { return 265 - 23 * row + 11; }

class GameDrawTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(startLibraryOnce()) << "no GL context on DISPLAY";
        ASSERT_TRUE(testpictures::enterGamePictures(&pictures));
        loadStartPictures();
    }
    static void TearDownTestSuite()
    {
        EXPECT_TRUE(testpictures::leaveGamePictures(pictures));
    }
    void SetUp() override
    {
        ASSERT_TRUE(headlessHasContext());
        quitRequested.store(0, std::memory_order_relaxed);
    }

    static testpictures::PictureDirectory pictures;
};
testpictures::PictureDirectory GameDrawTest::pictures;

// One test walks the screens in the order a player meets them: the intro is
// shown only until the first game starts.
TEST_F(GameDrawTest, EachScreenShowsItsPicturesAndUploadsEachSheetOnce)
{
    gameState = STATE_INTRO;
    frameTick = 0;
    EXPECT_EQ(drawFrame(), 1);
    EXPECT_TRUE(showsColor(5, 5, testpictures::INTRO_COLOR));
    EXPECT_TRUE(showsColor(cellX(1), cellY(1), testpictures::INTRO_COLOR));
    EXPECT_TRUE(showsColor(470, 260, testpictures::INTRO_COLOR));

    // A game with code 1-2-3-4: background, 40 cells, 10 marks, cursor and
    // marker in five uploads, one per sheet.
    frame(BTN_SOUTH);
    ASSERT_EQ(gameState, STATE_PLAY);
    EXPECT_EQ(drawFrame(), 5);
    EXPECT_TRUE(showsColor(5, 5, testpictures::BACKDROP_COLOR));
    EXPECT_TRUE(showsColor(cellX(1), cellY(1), testpictures::BALL_COLORS[0]));
    EXPECT_TRUE(showsColor(cellX(40), cellY(40), testpictures::BALL_COLORS[0]));
    EXPECT_TRUE(showsColor(318, markY(1), testpictures::markColor(0)));
    EXPECT_TRUE(showsColor(380, 94, testpictures::CURSOR_COLOR));
    EXPECT_TRUE(showsColor(177, markerY(1), testpictures::markerColor(9)));
    // The code stays hidden during play.
    EXPECT_TRUE(showsColor(383, 178, testpictures::BACKDROP_COLOR));
    // Between the cells the background shows.
    EXPECT_TRUE(showsColor(225, cellY(1), testpictures::BACKDROP_COLOR));

    // A row 5-6-1-2 scores two colour-only: mark tile 2; the marker moves up.
    const int32_t row[] = {5, 6, 1, 2};
    for (int32_t color : row) {
        while (selectedColor != color) {
            frame(selectedColor < color ? BTN_RIGHT : BTN_LEFT);
        }
        frame(BTN_SOUTH);
    }
    frame(BTN_RIGHT);  // the cursor over colour 3
    EXPECT_EQ(drawFrame(), 5);
    for (int32_t slot = 0; slot < 4; slot++) {
        EXPECT_TRUE(showsColor(cellX(1 + slot), cellY(1 + slot), testpictures::BALL_COLORS[row[slot]]));
    }
    EXPECT_TRUE(showsColor(318, markY(1), testpictures::markColor(2)));
    EXPECT_TRUE(showsColor(318, markY(2), testpictures::markColor(0)));
    EXPECT_TRUE(showsColor(177, markerY(2), testpictures::markerColor(8)));
    EXPECT_TRUE(showsColor(177, markerY(1) + 5, testpictures::BACKDROP_COLOR));
    EXPECT_TRUE(showsColor(380 + 36, 94, testpictures::CURSOR_COLOR));
    EXPECT_TRUE(showsColor(380, 94, testpictures::BACKDROP_COLOR));

    // Nine more rows of 1-2-4-3 use every cell: lost at the next frame. The
    // marker past the tenth row shows nothing.
    for (int32_t n = 0; n < 9; n++) {
        for (int32_t color : {1, 2, 4, 3}) {
            while (selectedColor != color) {
                frame(selectedColor < color ? BTN_RIGHT : BTN_LEFT);
            }
            frame(BTN_SOUTH);
        }
    }
    ASSERT_EQ(nextCell, 41);
    EXPECT_EQ(drawFrame(), 5);
    EXPECT_TRUE(showsColor(177, markerY(11), testpictures::BACKDROP_COLOR));
    EXPECT_TRUE(showsColor(177, markerY(10), testpictures::BACKDROP_COLOR));
    EXPECT_TRUE(showsColor(318, markY(10), testpictures::markColor(11)));
    EXPECT_TRUE(showsColor(cellX(40), cellY(40), testpictures::BALL_COLORS[3]));

    frame(0);
    ASSERT_EQ(gameState, STATE_LOST);
    // The board, then the lost picture and the code balls, whose sheet comes
    // back after the picture, then the record's panel and text: nine uploads.
    EXPECT_EQ(drawFrame(), 9);
    EXPECT_TRUE(showsColor(440, 150, testpictures::LOST_COLOR));
    EXPECT_TRUE(showsColor(460, 245, Rgb{22, 42, 84})) << "the record's panel";
    EXPECT_EQ(loadValue("gamesLost", 0), 1);
    for (int32_t slot = 0; slot < 4; slot++) {
        EXPECT_TRUE(showsColor(383 + 20 * slot, 178, testpictures::BALL_COLORS[slot + 1]));
    }
    EXPECT_TRUE(showsColor(cellX(40), cellY(40), testpictures::BALL_COLORS[3]));

    // Restart on frame tick 0 (code 1-2-3-4) and win in the first row.
    frameTick = 0;
    frame(BTN_SOUTH);
    for (int32_t color : {2, 3, 4}) {
        frame(BTN_RIGHT);
        ASSERT_EQ(selectedColor, color);
        frame(BTN_SOUTH);
    }
    ASSERT_EQ(gameState, STATE_WON);
    EXPECT_EQ(drawFrame(), 9);
    EXPECT_EQ(loadValue("gamesWon", 0), 1);
    EXPECT_EQ(loadValue("fewestRows", 0), 1);
    EXPECT_TRUE(showsColor(440, 150, testpictures::WON_COLOR));
    EXPECT_TRUE(showsColor(318, markY(1), testpictures::markColor(14)));
    EXPECT_TRUE(showsColor(cellX(40), cellY(40), testpictures::BALL_COLORS[0]));
    EXPECT_TRUE(showsColor(177, markerY(2), testpictures::markerColor(8)));
    for (int32_t slot = 0; slot < 4; slot++) {
        EXPECT_TRUE(showsColor(383 + 20 * slot, 178, testpictures::BALL_COLORS[slot + 1]));
    }
}

// Not a pass/fail figure: what a frame of the board costs on this machine.
TEST_F(GameDrawTest, ReportsWhatABoardFrameCosts)
{
    gameState = STATE_PLAY;
    newGame();
    drawScreen();
    const int32_t frames = 60;
    auto start = std::chrono::steady_clock::now();
    for (int32_t i = 0; i < frames; i++) {
        drawScreen();
    }
    auto elapsed = std::chrono::steady_clock::now() - start;
    double ms = std::chrono::duration<double, std::milli>(elapsed).count() / frames;
    std::printf("board frame: %.2f ms (58 quads, 5 uploads)\n", ms);
    SUCCEED();
}

}  // namespace
