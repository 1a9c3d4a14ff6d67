// The game's rules without a window: the code table, the evaluation of a
// row, and the frame loop driven with scripted `pressed` masks. Pictures
// are real PNG files (synthetic ones of the right sizes) decoded by the
// library's loader.
#include <gtest/gtest.h>

#include <fstream>

#include <array>
#include <filesystem>
#include <initializer_list>
#include <vector>

#include "emu/controller.h"
#include "game/board.h"
#include "game/game.h"
#include "quorl/host.h"
#include "test_game_pictures.h"

namespace {

using Code = std::array<int32_t, 4>;

// Runs the frame loop's logic for one frame, as gameMain orders it, minus
// the drawing and the wait.
void frame(uint32_t pressed)
{
    checkForLostGame();
    applyPressedButtons(pressed);
    advanceFrameTick();
}

int32_t cellTile(int32_t cell)
{
    const Image& image = cellImages[cell - 1];
    EXPECT_EQ(image.srcY1 - image.srcY0, 16.0f);
    return static_cast<int32_t>(image.srcY0) / 16;
}

int32_t markTile(int32_t row)
{
    const Image& image = markImages[row - 1];
    EXPECT_EQ(image.srcY1 - image.srcY0, 12.0f);
    return static_cast<int32_t>(image.srcY0) / 12;
}

// Moves the cursor one press per frame.
void chooseColor(int32_t color)
{
    for (int32_t step = 0; step < 6 && selectedColor < color; step++) {
        frame(BTN_RIGHT);
    }
    for (int32_t step = 0; step < 6 && selectedColor > color; step++) {
        frame(BTN_LEFT);
    }
    EXPECT_EQ(selectedColor, color);
}

void placeColor(int32_t color)
{
    chooseColor(color);
    frame(BTN_SOUTH);
}

void enterRow(const Code& colors)
{
    for (int32_t color : colors) {
        placeColor(color);
    }
}

void setGuess(const Code& colors)
{
    for (int32_t slot = 0; slot < 4; slot++) {
        guess[slot] = colors[slot];
    }
}

void setSecretCode(const Code& colors)
{
    for (int32_t slot = 0; slot < 4; slot++) {
        secretCode[slot] = colors[slot];
    }
}

Code currentCode()
{
    return Code{secretCode[0], secretCode[1], secretCode[2], secretCode[3]};
}

std::vector<Code> allCodes()
{
    std::vector<Code> codes;
    for (int32_t a = 1; a <= 6; a++) {
        for (int32_t b = 1; b <= 6; b++) {
            for (int32_t c = 1; c <= 6; c++) {
                for (int32_t d = 1; d <= 6; d++) {
                    if (a != b && a != c && a != d && b != c && b != d && c != d) {
                        codes.push_back(Code{a, b, c, d});
                    }
                }
            }
        }
    }
    return codes;
}

class GameTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(testpictures::enterGamePictures(&pictures));
        loadStartPictures();
    }
    static void TearDownTestSuite()
    {
        EXPECT_TRUE(testpictures::leaveGamePictures(pictures));
    }
    void SetUp() override
    {
        // The start values of the game variables.
        gameState = STATE_INTRO;
        frameTick = 0;
        selectedColor = 1;
        setSecretCode({1, 2, 3, 4});
        currentRow = currentSlot = nextCell = 1;
        quitRequested.store(0, std::memory_order_relaxed);
    }
    void TearDown() override { quitRequested.store(0, std::memory_order_relaxed); }

    // Starts a game from the intro in the frame whose frameTick is `entry`,
    // so the code is codeTable[entry].
    void startGame(int32_t entry)
    {
        frameTick = entry;
        frame(BTN_SOUTH);
        ASSERT_EQ(gameState, STATE_PLAY);
    }

    static testpictures::PictureDirectory pictures;
};
testpictures::PictureDirectory GameTest::pictures;

TEST(CodeTable, SixtyCodesOfFourDifferentColoursEachStartingWithItsTens)
{
    for (int32_t k = 0; k < GAME_CODE_COUNT; k++) {
        const int32_t* code = codeTable[k];
        EXPECT_EQ(code[0], k / 10 + 1) << "entry " << k;
        for (int32_t i = 0; i < 4; i++) {
            EXPECT_GE(code[i], 1) << "entry " << k;
            EXPECT_LE(code[i], 6) << "entry " << k;
            for (int32_t j = 0; j < i; j++) {
                EXPECT_NE(code[i], code[j]) << "entry " << k << " repeats a colour";
            }
        }
    }
    EXPECT_EQ(codeTable[26][0], 3);
    EXPECT_EQ(codeTable[26][1], 5);
    EXPECT_EQ(codeTable[26][2], 1);
    EXPECT_TRUE(codeTable[26][3] == 2 || codeTable[26][3] == 4 || codeTable[26][3] == 6);
}

TEST(MarkTable, EveryScoreOfAtMostFourBallsHasItsTile)
{
    for (int32_t exact = 0; exact <= 4; exact++) {
        for (int32_t colourOnly = 0; exact + colourOnly <= 4; colourOnly++) {
            EXPECT_EQ(markTileForScore(10 * exact + colourOnly),
                      exact * (11 - exact) / 2 + colourOnly)
                << exact << " exact, " << colourOnly << " colour-only";
        }
    }
    for (int32_t impossible : {5, 9, 14, 23, 32, 41, -1}) {
        EXPECT_EQ(markTileForScore(impossible), 0) << impossible;
    }
}

TEST_F(GameTest, TheCodeIsTheEntryOfTheFrameInWhichTheGameStarts)
{
    struct Case {
        int32_t framesBefore;  // frames run on the intro before the start press
        Code code;
    };
    const Case cases[] = {
        {0, {1, 2, 3, 4}},   // the first frame of the loop
        {59, {6, 4, 3, 1}},  // the 60th frame
        {60, {1, 2, 3, 4}},  // the 61st frame: frameTick wrapped
        {26, {3, 5, 1, codeTable[26][3]}},
        {60 + 37, {4, 5, 3, 6}},
    };
    for (const Case& c : cases) {
        SetUp();
        for (int32_t i = 0; i < c.framesBefore; i++) {
            frame(0);
        }
        frame(BTN_SOUTH);
        ASSERT_EQ(gameState, STATE_PLAY);
        EXPECT_EQ(currentCode(), c.code) << c.framesBefore << " frames before";
        for (int32_t slot = 0; slot < 4; slot++) {
            // The revealed balls show the code's tiles.
            EXPECT_EQ(codeBalls[slot].srcY0, 16.0f * c.code[slot]);
        }
    }
}

TEST_F(GameTest, EvaluationOfTheExamples)
{
    struct Case {
        Code guess;
        int32_t score;
        int32_t tile;
    };
    const Case cases[] = {
        {{1, 2, 3, 4}, 40, 14}, {{4, 3, 2, 1}, 4, 4}, {{1, 2, 4, 3}, 22, 11},
        {{1, 5, 6, 2}, 11, 6},  {{5, 6, 1, 2}, 2, 2}, {{5, 6, 1, 3}, 2, 2},
    };
    startGame(0);
    for (const Case& c : cases) {
        setGuess(c.guess);
        gameState = STATE_PLAY;
        currentRow = 3;
        EXPECT_EQ(scoreGuess(), c.score);
        evaluateGuess();
        EXPECT_EQ(markTile(3), c.tile);
        EXPECT_EQ(gameState, c.score == 40 ? STATE_WON : STATE_PLAY);
    }
}

TEST_F(GameTest, EvaluationOfEveryGuessAgainstEveryCode)
{
    startGame(0);
    const std::vector<Code> codes = allCodes();
    ASSERT_EQ(codes.size(), 360u);
    for (const Code& code : codes) {
        setSecretCode(code);
        for (const Code& tried : codes) {
            int32_t exact = 0;
            int32_t colourOnly = 0;
            for (int32_t i = 0; i < 4; i++) {
                for (int32_t j = 0; j < 4; j++) {
                    if (tried[i] == code[j]) {
                        (i == j ? exact : colourOnly)++;
                    }
                }
            }
            setGuess(tried);
            gameState = STATE_PLAY;
            currentRow = 1 + (exact + colourOnly) % 10;
            ASSERT_EQ(scoreGuess(), 10 * exact + colourOnly);
            evaluateGuess();
            ASSERT_EQ(markTile(currentRow), exact * (11 - exact) / 2 + colourOnly);
            ASSERT_EQ(gameState, exact == 4 ? STATE_WON : STATE_PLAY);
        }
    }
}

TEST_F(GameTest, TheIntroStartsOnSouthOnlyAndTheStartPressPlacesNothing)
{
    for (uint32_t ignored : {BTN_LEFT, BTN_RIGHT, BTN_EAST, BTN_NORTH | BTN_WEST | BTN_UP}) {
        frame(ignored);
        EXPECT_EQ(gameState, STATE_INTRO);
        EXPECT_EQ(selectedColor, 1);
    }
    frame(BTN_SOUTH);
    EXPECT_EQ(gameState, STATE_PLAY);
    EXPECT_EQ(nextCell, 1);
    EXPECT_EQ(currentSlot, 1);
    EXPECT_EQ(cellTile(1), 0);
    EXPECT_EQ(cursorImage->x, 372);
    EXPECT_EQ(cursorImage->y, 86);
}

TEST_F(GameTest, StartWithSouthOnTheIntroSetsUpAGameAndAsksToQuit)
{
    frame(BTN_START | BTN_SOUTH);
    EXPECT_EQ(quitRequested.load(), 1);
    EXPECT_EQ(gameState, STATE_PLAY);
    EXPECT_EQ(nextCell, 1);
    EXPECT_EQ(cellTile(1), 0);
}

TEST_F(GameTest, TheCursorStaysWithinTheSixColours)
{
    startGame(0);
    struct Step {
        uint32_t pressed;
        int32_t color;
    };
    const Step steps[] = {
        {BTN_LEFT, 1},  {BTN_RIGHT, 2}, {BTN_RIGHT, 3}, {BTN_RIGHT, 4},
        {BTN_RIGHT, 5}, {BTN_RIGHT, 6}, {BTN_RIGHT, 6}, {BTN_LEFT, 5},
    };
    for (const Step& step : steps) {
        frame(step.pressed);
        EXPECT_EQ(selectedColor, step.color);
        EXPECT_EQ(cursorImage->x, 372 + 18 * (step.color - 1));
    }
}

TEST_F(GameTest, LeftAndRightInOneFrameCancelExceptAtColourOne)
{
    startGame(0);
    for (int32_t from = 1; from <= 6; from++) {
        chooseColor(from);
        frame(BTN_LEFT | BTN_RIGHT);
        int32_t expected = from == 1 ? 2 : from;
        EXPECT_EQ(selectedColor, expected) << "from colour " << from;
        EXPECT_EQ(cursorImage->x, 372 + 18 * (expected - 1));
    }
}

TEST_F(GameTest, AColourAlreadyInTheRowIsRefused)
{
    startGame(0);
    placeColor(1);
    frame(BTN_SOUTH);  // colour 1 again
    EXPECT_EQ(cellTile(2), 0);
    EXPECT_EQ(nextCell, 2);
    EXPECT_EQ(currentSlot, 2);
    placeColor(2);
    placeColor(3);
    placeColor(2);  // repeats slot 2 as the fourth ball
    EXPECT_EQ(cellTile(4), 0);
    EXPECT_EQ(nextCell, 4);
    EXPECT_EQ(markTile(1), 0);
    placeColor(4);
    EXPECT_EQ(cellTile(4), 4);
    EXPECT_EQ(gameState, STATE_WON);
}

TEST_F(GameTest, EastEmptiesTheRowInProgressButNeverAnEvaluatedRow)
{
    startGame(0);
    enterRow({5, 6, 1, 2});
    placeColor(3);
    placeColor(4);
    placeColor(5);
    frame(BTN_EAST);
    for (int32_t cell = 5; cell <= 8; cell++) {
        EXPECT_EQ(cellTile(cell), 0) << "cell " << cell;
    }
    EXPECT_EQ(nextCell, 5);
    EXPECT_EQ(currentSlot, 1);
    EXPECT_EQ(markTile(1), 2);
    EXPECT_EQ(cellTile(1), 5);
    // The next ball goes to slot 1 of the same row, and any colour is free.
    placeColor(5);
    EXPECT_EQ(cellTile(5), 5);
    EXPECT_EQ(nextCell, 6);
}

TEST_F(GameTest, SouthAndEastInOneFrame)
{
    // Mid-row: the ball is placed, then the row with it is emptied.
    startGame(0);
    placeColor(3);
    chooseColor(4);
    frame(BTN_SOUTH | BTN_EAST);
    EXPECT_EQ(cellTile(1), 0);
    EXPECT_EQ(cellTile(2), 0);
    EXPECT_EQ(nextCell, 1);
    EXPECT_EQ(currentSlot, 1);
    EXPECT_EQ(currentRow, 1);

    // On the fourth ball: the row is evaluated and keeps its balls; the
    // clear acts on the next, still empty row.
    placeColor(2);
    placeColor(1);
    placeColor(6);
    chooseColor(5);
    frame(BTN_SOUTH | BTN_EAST);
    const int32_t row1[] = {2, 1, 6, 5};
    for (int32_t slot = 0; slot < 4; slot++) {
        EXPECT_EQ(cellTile(1 + slot), row1[slot]);
    }
    EXPECT_EQ(markTile(1), 2);  // against 1-2-3-4: colours 1 and 2 misplaced
    EXPECT_EQ(currentRow, 2);
    EXPECT_EQ(currentSlot, 1);
    EXPECT_EQ(nextCell, 5);
    EXPECT_EQ(rowMarkerImage->y, 219);
    for (int32_t cell = 5; cell <= 8; cell++) {
        EXPECT_EQ(cellTile(cell), 0);
    }
}

TEST_F(GameTest, AWinInTheTenthRow)
{
    startGame(0);
    for (int32_t row = 1; row <= 9; row++) {
        enterRow({5, 6, 1, 2});
        EXPECT_EQ(markTile(row), 2);
    }
    EXPECT_EQ(rowMarkerImage->y, 35);
    EXPECT_EQ(rowMarkerImage->srcY0, 0.0f);
    enterRow({1, 2, 3, 4});
    EXPECT_EQ(gameState, STATE_WON);
    EXPECT_EQ(markTile(10), 14);
    EXPECT_EQ(currentRow, 11);
    EXPECT_EQ(nextCell, 41);
    frame(0);
    EXPECT_EQ(gameState, STATE_WON);  // a win is not turned into a loss
}

TEST_F(GameTest, TheGameIsLostOneFrameAfterTheFortiethBall)
{
    startGame(0);
    for (int32_t row = 1; row <= 9; row++) {
        enterRow({1, 2, 4, 3});
    }
    placeColor(1);
    placeColor(2);
    placeColor(4);
    chooseColor(3);
    frame(BTN_SOUTH);  // the fortieth ball
    EXPECT_EQ(cellTile(40), 3);
    EXPECT_EQ(markTile(10), 11);
    EXPECT_EQ(gameState, STATE_PLAY);
    EXPECT_EQ(currentRow, 11);
    EXPECT_EQ(nextCell, 41);
    // Past the tenth row the marker stands at y 12 and shows nothing.
    EXPECT_EQ(rowMarkerImage->y, 12);
    EXPECT_EQ(rowMarkerImage->drawHeight, 0);
    frame(0);
    EXPECT_EQ(gameState, STATE_LOST);
    // On the end screen the cursor and the board stay as they are.
    frame(BTN_LEFT);
    frame(BTN_EAST);
    EXPECT_EQ(selectedColor, 3);
    EXPECT_EQ(cellTile(40), 3);
    EXPECT_EQ(gameState, STATE_LOST);
}

TEST_F(GameTest, SouthOnAnEndScreenStartsAGameAndPlacesColourOne)
{
    for (bool won : {true, false}) {
        SetUp();
        startGame(0);
        if (won) {
            enterRow({1, 2, 3, 4});
            ASSERT_EQ(gameState, STATE_WON);
        } else {
            chooseColor(4);
            gameState = STATE_LOST;
        }
        frame(BTN_RIGHT);  // the cursor stays on the end screen
        frame(BTN_EAST);
        ASSERT_EQ(selectedColor, 4);
        frameTick = 10;
        frame(BTN_SOUTH);
        EXPECT_EQ(gameState, STATE_PLAY);
        EXPECT_EQ(currentCode(), (Code{2, 1, 3, 4}));
        EXPECT_EQ(cellTile(1), 1);
        for (int32_t cell = 2; cell <= 40; cell++) {
            ASSERT_EQ(cellTile(cell), 0) << "cell " << cell;
        }
        for (int32_t row = 1; row <= 10; row++) {
            ASSERT_EQ(markTile(row), 0) << "row " << row;
        }
        EXPECT_EQ(selectedColor, 1);
        EXPECT_EQ(nextCell, 2);
        EXPECT_EQ(currentSlot, 2);
        EXPECT_EQ(rowMarkerImage->y, 242);
        EXPECT_EQ(rowMarkerImage->drawHeight, 23);
        frame(BTN_EAST);
        EXPECT_EQ(cellTile(1), 0);
        EXPECT_EQ(nextCell, 1);
    }
}

TEST_F(GameTest, BoardImagesStandAtTheirPlaces)
{
    startGame(0);
    struct Place {
        const Image* image;
        int32_t x, y, width, height;
    };
    const Place places[] = {
        {&cellImages[0], 205, 243, 16, 16},  {&cellImages[3], 277, 243, 16, 16},
        {&cellImages[4], 205, 220, 16, 16},  {&cellImages[14], 253, 174, 16, 16},
        {&cellImages[39], 277, 36, 16, 16},  {&markImages[0], 312, 245, 12, 12},
        {&markImages[9], 312, 38, 12, 12},   {rowMarkerImage, 163, 242, 29, 23},
        {&codeBalls[0], 375, 170, 16, 16},   {&codeBalls[3], 435, 170, 16, 16},
        {lostImage, 362, 140, 100, 24},      {wonImage, 362, 140, 100, 24},
        {cursorImage, 372, 86, 16, 16},      {backdropImage, 0, 0, 480, 272},
    };
    for (const Place& place : places) {
        EXPECT_EQ(place.image->x, place.x);
        EXPECT_EQ(place.image->y, place.y);
        EXPECT_EQ(place.image->drawWidth, place.width);
        EXPECT_EQ(place.image->drawHeight, place.height);
    }
}

TEST_F(GameTest, TheRowMarkerShowsTheBandUnderItAndIgnoresRowsPastEleven)
{
    startGame(0);
    for (int32_t row = 1; row <= 10; row++) {
        setRowMarker(row);
        EXPECT_EQ(rowMarkerImage->y, 265 - 23 * row);
        // The band that lies under the marker when the sheet stands at (163, 35).
        EXPECT_EQ(rowMarkerImage->srcY0, static_cast<float>(rowMarkerImage->y - 35));
        EXPECT_EQ(rowMarkerImage->srcY1, rowMarkerImage->srcY0 + 23);
        EXPECT_EQ(rowMarkerImage->drawHeight, 23);
    }
    setRowMarker(11);
    EXPECT_EQ(rowMarkerImage->y, 12);
    EXPECT_EQ(rowMarkerImage->drawHeight, 0);
    setRowMarker(12);
    setRowMarker(-1);
    EXPECT_EQ(rowMarkerImage->y, 12);
    setCellColor(0, 3);
    setCellColor(41, 3);
    setRowMarks(0, 5);
    setRowMarks(11, 5);
    for (int32_t cell = 1; cell <= 40; cell++) {
        EXPECT_EQ(cellTile(cell), 0);
    }
    for (int32_t row = 1; row <= 10; row++) {
        EXPECT_EQ(markTile(row), 0);
    }
}

TEST_F(GameTest, EachPictureIsDecodedOnceAndTilesShareTheirSheet)
{
    startGame(0);
    placeColor(2);
    Image* const backdrop = backdropImage;
    Image* const cursor = cursorImage;
    Image* const marker = rowMarkerImage;
    Image* const balls = ballSheet;
    Image* const marks = markSheet;
    for (int32_t game = 0; game < 3; game++) {
        gameState = STATE_LOST;
        frame(BTN_SOUTH);
        EXPECT_EQ(backdropImage, backdrop);
        EXPECT_EQ(cursorImage, cursor);
        EXPECT_EQ(rowMarkerImage, marker);
        EXPECT_EQ(ballSheet, balls);
        EXPECT_EQ(markSheet, marks);
    }
    for (const Image& cell : cellImages) {
        EXPECT_EQ(cell.pixels, ballSheet->pixels);
        EXPECT_NE(cell.sharedPixels, 0);
    }
    for (const Image& ball : codeBalls) {
        EXPECT_EQ(ball.pixels, ballSheet->pixels);
        EXPECT_NE(ball.sharedPixels, 0);
    }
    for (const Image& mark : markImages) {
        EXPECT_EQ(mark.pixels, markSheet->pixels);
        EXPECT_NE(mark.sharedPixels, 0);
    }
    EXPECT_EQ(ballSheet->sharedPixels, 0);
    EXPECT_EQ(markSheet->sharedPixels, 0);
}

// The test seam prints every message box on stderr.
TEST(MissingPicture, ShowsAMessageNamingTheFileAndDirectoryThenEndsWithCodeOne)
{
    const std::string dir = makeTempDirectory("quorl-no-pictures");
    ASSERT_FALSE(dir.empty());
    const std::filesystem::path startDir = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    // The name and the folder stand on different lines; a test that dies
    // runs again in a new process on Windows, in a folder of its own.
    EXPECT_EXIT(loadPicture("fleche.png"), ::testing::ExitedWithCode(1),
                "message box \"Error\": .*\"fleche\\.png\"");
    EXPECT_EXIT(loadPicture("fleche.png"), ::testing::ExitedWithCode(1), "quorl-no-pictures-");
    std::filesystem::current_path(startDir);
    std::filesystem::remove(dir);
}

// A picture that is there but broken is named with the loader's reason; the
// advice about the folder is for a missing one only.
TEST(MissingPicture, ABrokenPictureIsNamedWithTheReason)
{
    const std::string dir = makeTempDirectory("quorl-broken-pictures");
    ASSERT_FALSE(dir.empty());
    const std::filesystem::path startDir = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    std::ofstream("intro.png") << "not a picture";
    std::ofstream("fond.png", std::ios::binary) << "\x89PNG\r\n\x1a\n" << std::string(40, 'x');
    EXPECT_EXIT(loadPicture("intro.png"), ::testing::ExitedWithCode(1),
                "message box \"Error\": intro\\.png: not a PNG file\n");
    EXPECT_EXIT(loadPicture("fond.png"), ::testing::ExitedWithCode(1),
                "message box \"Error\": fond\\.png: broken PNG data\n");
    std::filesystem::current_path(startDir);
    std::filesystem::remove_all(dir);
}

}  // namespace
