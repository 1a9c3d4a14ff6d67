// The board: cells, marks and row marker cut from their sheets, the placing
// of balls, the evaluation of a completed row and the clearing of a row.
#include "game/board.h"

// Placement on the screen; rows stand ROW_STEP pixels apart, row 1 lowest.
constexpr int32_t ROW_STEP = 23;
constexpr int32_t CELL_X = 205;  // slot 1
constexpr int32_t CELL_STEP = 24;
constexpr int32_t CELL_Y = 243;  // row 1
constexpr int32_t MARK_X = 312;
constexpr int32_t MARK_Y = 245;  // row 1
constexpr int32_t MARK_SIZE = 12;  // tiles of "solutions.png"
constexpr int32_t MARKER_X = 163;
constexpr int32_t MARKER_BASE_Y = 265;  // the marker of row r stands at 265 - 23r
constexpr int32_t MARKER_WIDTH = 29;  // bands of "lignes.png"
constexpr int32_t MARKER_HEIGHT = 23;

constexpr int32_t WIN_SCORE = 40;  // four exact matches

// The score each tile of "solutions.png" stands for, in tile order: the pairs
// (exact, colour-only) with at most four balls, by exact then colour-only.
// Tile 13 (three exact, one colour-only) cannot arise but keeps its place.
constexpr int32_t MARK_TILE_COUNT = 15;
constexpr int32_t markTileScores[MARK_TILE_COUNT] = {0,  1,  2,  3,  4,  10, 11, 12,
                                                     13, 20, 21, 22, 30, 31, 40};

int32_t currentRow = 1;
int32_t currentSlot = 1;
int32_t nextCell = 1;
int32_t guess[GAME_SLOT_COUNT] = {};

Image* ballSheet = nullptr;
Image* markSheet = nullptr;

Image cellImages[BOARD_CELL_COUNT];
Image markImages[BOARD_ROW_COUNT];
Image* rowMarkerImage = nullptr;

Image tileImage(const Image& sheet)
{
    Image tile = sheet;
    tile.sharedPixels = 1;
    return tile;
}

void showSheetTile(Image* image, int32_t tileSize, int32_t tile)
{
    image->drawWidth = tileSize;
    image->drawHeight = tileSize;
    image->srcX0 = 0.0f;
    image->srcY0 = static_cast<float>(tileSize * tile);
    image->srcX1 = static_cast<float>(tileSize);
    image->srcY1 = static_cast<float>(tileSize * tile + tileSize);
}

void loadBoardCells()
{
    if (ballSheet == nullptr) {
        ballSheet = loadPicture("boules.png");
    }
    for (int32_t cell = 1; cell <= BOARD_CELL_COUNT; cell++) {
        int32_t row = (cell - 1) / GAME_SLOT_COUNT + 1;
        int32_t slot = (cell - 1) % GAME_SLOT_COUNT + 1;
        Image& image = cellImages[cell - 1];
        image = tileImage(*ballSheet);
        image.x = CELL_X + CELL_STEP * (slot - 1);
        image.y = CELL_Y - ROW_STEP * (row - 1);
        showSheetTile(&image, BOARD_BALL_SIZE, 0);
    }
}

void loadMarkCells()
{
    if (markSheet == nullptr) {
        markSheet = loadPicture("solutions.png");
    }
    for (int32_t row = 1; row <= BOARD_ROW_COUNT; row++) {
        Image& image = markImages[row - 1];
        image = tileImage(*markSheet);
        image.x = MARK_X;
        image.y = MARK_Y - ROW_STEP * (row - 1);
        showSheetTile(&image, MARK_SIZE, 0);
    }
}

void setCellColor(int32_t cell, int32_t color)
{
    if (cell >= 1 && cell <= BOARD_CELL_COUNT) {
        showSheetTile(&cellImages[cell - 1], BOARD_BALL_SIZE, color);
    }
}

void setRowMarks(int32_t row, int32_t markTile)
{
    if (row >= 1 && row <= BOARD_ROW_COUNT) {
        showSheetTile(&markImages[row - 1], MARK_SIZE, markTile);
    }
}

void setRowMarker(int32_t row)
{
    if (row < 1 || row > BOARD_ROW_COUNT + 1) {
        return;
    }
    if (rowMarkerImage == nullptr) {
        rowMarkerImage = loadPicture("lignes.png");
    }
    // Band k of the sheet (top edge 23k) marks row 10 - k.
    int32_t bandTop = MARKER_HEIGHT * (BOARD_ROW_COUNT - row);
    rowMarkerImage->x = MARKER_X;
    rowMarkerImage->y = MARKER_BASE_Y - ROW_STEP * row;
    rowMarkerImage->drawWidth = MARKER_WIDTH;
    // Past the tenth row the band would lie above the sheet: the marker keeps
    // its place but is drawn zero pixels high, so nothing shows.
    rowMarkerImage->drawHeight = row <= BOARD_ROW_COUNT ? MARKER_HEIGHT : 0;
    rowMarkerImage->srcX0 = 0.0f;
    rowMarkerImage->srcY0 = static_cast<float>(bandTop);
    rowMarkerImage->srcX1 = static_cast<float>(MARKER_WIDTH);
    rowMarkerImage->srcY1 = static_cast<float>(bandTop + MARKER_HEIGHT);
}

void placeBall()
{
    // Every cell used: the game is lost at the next frame.
    if (nextCell > BOARD_CELL_COUNT) {
        return;
    }
    // A colour stands only once in a row.
    for (int32_t slot = 1; slot < currentSlot; slot++) {
        if (guess[slot - 1] == selectedColor) {
            return;
        }
    }
    setCellColor(nextCell, selectedColor);
    playGameSound(SOUND_PLACE);
    nextCell++;
    advanceSlot();
}

void advanceSlot()
{
    guess[currentSlot - 1] = selectedColor;
    if (currentSlot == GAME_SLOT_COUNT) {
        evaluateGuess();
    }
    currentSlot++;
    if (currentSlot > GAME_SLOT_COUNT) {
        currentSlot = 1;
        currentRow++;
    }
    setRowMarker(currentRow);
}

void evaluateGuess()
{
    int32_t score = scoreGuess();
    int32_t markTile = markTileForScore(score);
    if (score == WIN_SCORE) {
        gameState = STATE_WON;
        recordEndOfGame(1, currentRow);
    }
    setRowMarks(currentRow, markTile);
    // Tens of the score are balls in their place.
    playGameSound(score == WIN_SCORE ? SOUND_WON : score >= 10 ? SOUND_ANSWER_EXACT : SOUND_ANSWER);
}

void clearCurrentRow()
{
    if (currentRow < 1 || currentRow > BOARD_ROW_COUNT) {
        return;
    }
    int32_t firstCell = GAME_SLOT_COUNT * (currentRow - 1) + 1;
    currentSlot = 1;
    nextCell = firstCell;
    for (int32_t cell = firstCell; cell < firstCell + GAME_SLOT_COUNT; cell++) {
        setCellColor(cell, 0);
    }
    playGameSound(SOUND_CLEAR);
}

int32_t scoreGuess()
{
    int32_t score = 0;
    for (int32_t i = 0; i < GAME_SLOT_COUNT; i++) {
        // Only the first code slot of the same colour counts.
        for (int32_t j = 0; j < GAME_SLOT_COUNT; j++) {
            if (guess[i] == secretCode[j]) {
                score += i == j ? 10 : 1;
                break;
            }
        }
    }
    return score;
}

int32_t markTileForScore(int32_t score)
{
    for (int32_t tile = 0; tile < MARK_TILE_COUNT; tile++) {
        if (markTileScores[tile] == score) {
            return tile;
        }
    }
    return 0;
}
