// The game's main function, its frame loop and states, the secret code and
// the drawing of each frame.
#include "game/game.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "game/board.h"
#include "quorl/quorl.h"

constexpr int32_t CURSOR_X = 372;  // over colour 1
constexpr int32_t CURSOR_Y = 86;
constexpr int32_t CURSOR_STEP = 18;  // per colour
constexpr int32_t END_PICTURE_X = 362;
constexpr int32_t END_PICTURE_Y = 140;
constexpr int32_t CODE_BALL_X = 375;
constexpr int32_t CODE_BALL_STEP = 20;
constexpr int32_t CODE_BALL_Y = 170;
// The record's panel, under the end picture, over the backdrop's hint.
constexpr int32_t RECORD_X = 362;
constexpr int32_t RECORD_Y = 208;
constexpr int32_t RECORD_WIDTH = 102;
constexpr int32_t RECORD_HEIGHT = 40;
constexpr int32_t RECORD_LINE = 10;

// Entry 26 completes 3-5-1 with 2: 6 would repeat entry 27, and of 2 and 4,
// 2 is the colour the rest of the table uses least.
const int32_t codeTable[GAME_CODE_COUNT][GAME_SLOT_COUNT] = {
    {1, 2, 3, 4}, {1, 2, 6, 5}, {1, 3, 2, 4}, {1, 3, 6, 5}, {1, 4, 2, 6},
    {1, 4, 5, 6}, {1, 5, 2, 3}, {1, 5, 3, 6}, {1, 6, 2, 5}, {1, 6, 4, 2},
    {2, 1, 3, 4}, {2, 1, 6, 5}, {2, 3, 6, 4}, {2, 3, 6, 5}, {2, 4, 1, 6},
    {2, 4, 5, 6}, {2, 5, 1, 3}, {2, 5, 3, 6}, {2, 6, 1, 5}, {2, 6, 4, 5},
    {3, 1, 6, 4}, {3, 1, 6, 5}, {3, 2, 6, 4}, {3, 2, 6, 5}, {3, 4, 1, 6},
    {3, 4, 5, 6}, {3, 5, 1, 2}, {3, 5, 1, 6}, {3, 6, 1, 5}, {3, 6, 4, 5},
    {4, 1, 3, 6}, {4, 1, 6, 5}, {4, 2, 6, 1}, {4, 2, 6, 5}, {4, 3, 1, 6},
    {4, 3, 5, 6}, {4, 5, 1, 3}, {4, 5, 3, 6}, {4, 6, 1, 5}, {4, 6, 3, 5},
    {5, 1, 3, 6}, {5, 1, 6, 2}, {5, 2, 6, 1}, {5, 2, 6, 4}, {5, 3, 1, 6},
    {5, 3, 4, 6}, {5, 4, 1, 3}, {5, 4, 3, 6}, {5, 6, 1, 2}, {5, 6, 3, 1},
    {6, 1, 3, 2}, {6, 1, 5, 2}, {6, 2, 3, 1}, {6, 2, 1, 4}, {6, 3, 1, 5},
    {6, 3, 4, 1}, {6, 5, 1, 3}, {6, 5, 3, 2}, {6, 4, 1, 2}, {6, 4, 3, 1},
};

int32_t gameState = STATE_INTRO;
int32_t frameTick = 0;
int32_t selectedColor = 1;
int32_t secretCode[GAME_SLOT_COUNT] = {1, 2, 3, 4};

Image* backdropImage = nullptr;
Image* lostImage = nullptr;
Image* wonImage = nullptr;
Image* cursorImage = nullptr;
Image codeBalls[GAME_SLOT_COUNT];
GameRecord gameRecord = {0, 0, 0};
Sound* gameSounds[SOUND_COUNT] = {};

// The files of the SOUND_* sounds, in their order.
static const char* const soundFiles[SOUND_COUNT] = {
    "start.wav", "move.wav", "place.wav", "clear.wav", "answer.wav", "answer_exact.wav", "won.wav",
    "lost.wav"};

// The window and the settings store keep the names they have always had, so
// a player's stored settings carry over.
const GameInfo gameInfo = {"Quorl Sample", "Quorl", "Configuration", "share/quorl"};

// The board's background, decoded by the first new game and kept.
static Image* boardBackdrop = nullptr;

void gameMain()
{
    initLibrary();
    initGraphics(PF_8888, 1);
    loadStartPictures();

    while (quitRequested.load(std::memory_order_relaxed) == 0) {
        checkForLostGame();
        readController();
        applyPressedButtons(controller->pressed);
        drawScreen();
        syncFrame(frameSkip, maxFrameSkip, vsyncFlags);
        advanceFrameTick();
    }
    endLibrary();
    endProgram();
}

static void drawRecord();

void loadStartPictures()
{
    gameRecord = {loadValue("gamesWon", 0), loadValue("gamesLost", 0), loadValue("fewestRows", 0)};
    backdropImage = loadPicture("intro.png");
    lostImage = loadPicture("perdu.png");
    lostImage->x = END_PICTURE_X;
    lostImage->y = END_PICTURE_Y;
    wonImage = loadPicture("gagne.png");
    wonImage->x = END_PICTURE_X;
    wonImage->y = END_PICTURE_Y;

    // One decode of the ball sheet serves the four code balls and the board.
    ballSheet = loadPicture("boules.png");
    for (int32_t slot = 0; slot < GAME_SLOT_COUNT; slot++) {
        codeBalls[slot] = tileImage(*ballSheet);
        codeBalls[slot].x = CODE_BALL_X + CODE_BALL_STEP * slot;
        codeBalls[slot].y = CODE_BALL_Y;
        showSheetTile(&codeBalls[slot], BOARD_BALL_SIZE, 0);
    }
}

void newGame()
{
    if (boardBackdrop == nullptr) {
        boardBackdrop = loadPicture("fond.png");
        // The intro is never shown again.
        if (backdropImage != nullptr) {
            releaseImage(backdropImage);
        }
        // Here rather than before the intro, which then shows as soon as before.
        for (int32_t sound = 0; sound < SOUND_COUNT; sound++) {
            gameSounds[sound] = loadSound(soundFiles[sound]);
        }
    }
    backdropImage = boardBackdrop;

    currentRow = 1;
    currentSlot = 1;
    nextCell = 1;
    selectedColor = 1;

    loadBoardCells();
    loadMarkCells();

    if (cursorImage == nullptr) {
        cursorImage = loadPicture("fleche.png");
    }
    cursorImage->x = CURSOR_X;
    cursorImage->y = CURSOR_Y;

    setRowMarker(currentRow);

    for (int32_t slot = 0; slot < GAME_SLOT_COUNT; slot++) {
        secretCode[slot] = codeTable[frameTick][slot];
        showSheetTile(&codeBalls[slot], BOARD_BALL_SIZE, secretCode[slot]);
    }
    playGameSound(SOUND_START);
}

void drawScreen()
{
    startDrawing();
    if (gameState > STATE_INTRO) {
        // Cells and marks come in runs, so each sheet is uploaded once.
        drawImage(backdropImage);
        for (Image& cell : cellImages) {
            drawImage(&cell);
        }
        for (Image& mark : markImages) {
            drawImage(&mark);
        }
        drawImage(cursorImage);
        drawImage(rowMarkerImage);
    }
    if (gameState == STATE_INTRO) {
        drawImage(backdropImage);
    }
    if (gameState == STATE_LOST || gameState == STATE_WON) {
        drawImage(gameState == STATE_LOST ? lostImage : wonImage);
        for (Image& ball : codeBalls) {
            drawImage(&ball);
        }
        drawRecord();
    }
    endDrawing();
}

void checkForLostGame()
{
    if (gameState == STATE_PLAY && nextCell > BOARD_CELL_COUNT) {
        gameState = STATE_LOST;
        playGameSound(SOUND_LOST);
        recordEndOfGame(0, BOARD_ROW_COUNT);
    }
}

void recordEndOfGame(int32_t won, int32_t rows)
{
    if (won == 0) {
        gameRecord.lost++;
        saveValue("gamesLost", gameRecord.lost);
        return;
    }
    gameRecord.won++;
    saveValue("gamesWon", gameRecord.won);
    if (gameRecord.fewestRows == 0 || rows < gameRecord.fewestRows) {
        gameRecord.fewestRows = rows;
        saveValue("fewestRows", rows);
    }
}

void applyPressedButtons(uint32_t pressed)
{
    if (pressed & BTN_START) {
        // The frame still runs to its end; the loop stops at its next test.
        quitRequested.store(1, std::memory_order_relaxed);
    }

    // Before the play step, so the press that restarts also places a ball.
    if (gameState > STATE_PLAY && (pressed & BTN_SOUTH)) {
        gameState = STATE_PLAY;
        newGame();
    }

    if (gameState == STATE_PLAY && (pressed & BTN_SOUTH)) {
        placeBall();
    }
    if (gameState == STATE_PLAY && (pressed & BTN_EAST)) {
        clearCurrentRow();
    }
    if (gameState == STATE_PLAY && (pressed & BTN_LEFT) && selectedColor > 1) {
        cursorImage->x -= CURSOR_STEP;
        selectedColor--;
        playGameSound(SOUND_MOVE);
    }
    if (gameState == STATE_PLAY && (pressed & BTN_RIGHT) && selectedColor < GAME_COLOR_COUNT) {
        cursorImage->x += CURSOR_STEP;
        selectedColor++;
        playGameSound(SOUND_MOVE);
    }

    // After the play step, so the press that leaves the intro places nothing.
    if (gameState == STATE_INTRO && (pressed & BTN_SOUTH)) {
        gameState = STATE_PLAY;
        newGame();
    }
}

void advanceFrameTick()
{
    frameTick++;
    if (frameTick == GAME_CODE_COUNT) {
        frameTick = 0;
    }
}

void playGameSound(int32_t sound)
{
    playSound(gameSounds[sound], SND_MAX_VOLUME, 0, 0);
}

Image* loadPicture(const char* name)
{
    Image* image = loadImageFile(name, LOC_RAM, PF_5551);
    if (image == nullptr) {
        std::error_code error;
        std::string directory = std::filesystem::current_path(error).string();
        if (error) {
            directory = "(unknown)";
        }
        showMessage(pictureFailureMessage(name, lastLoadError(), directory.c_str()).c_str(), "Error");
        endProgramWithCode(1);
    }
    return image;
}

std::string pictureFailureMessage(const char* name, const char* reason, const char* directory)
{
    if (std::strcmp(reason, "no such file") != 0) {
        return std::string(name) + ": " + reason;
    }
    return std::string("Cannot load the picture \"") + name +
           "\".\n\nThe game reads its pictures from the working directory:\n" + directory +
           "\n\nStart the game from the folder that holds its pictures.";
}

// Three lines in the built-in font on a panel of the secret code's colour.
static void drawRecord()
{
    const uint32_t text = makeColor(255, 255, 255, 255);
    fillRect(RECORD_X, RECORD_Y, RECORD_WIDTH, RECORD_HEIGHT, makeColor(22, 42, 84, 255));
    char line[32];
    std::snprintf(line, sizeof(line), "WON  %d", static_cast<int>(gameRecord.won));
    drawText(RECORD_X + 6, RECORD_Y + 5, text, line);
    std::snprintf(line, sizeof(line), "LOST %d", static_cast<int>(gameRecord.lost));
    drawText(RECORD_X + 6, RECORD_Y + 5 + RECORD_LINE, text, line);
    if (gameRecord.fewestRows > 0) {
        std::snprintf(line, sizeof(line), "BEST %d ROWS", static_cast<int>(gameRecord.fewestRows));
        drawText(RECORD_X + 6, RECORD_Y + 5 + 2 * RECORD_LINE, text, line);
    }
}
