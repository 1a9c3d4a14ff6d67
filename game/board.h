// The board: ten rows of four cells, a mark cell per row and the row marker,
// the placing of balls and the evaluation of a completed row.
#pragma once

#include <cstdint>

#include "game/game.h"

constexpr int32_t BOARD_ROW_COUNT = 10;
constexpr int32_t BOARD_CELL_COUNT = 40;
constexpr int32_t BOARD_BALL_SIZE = 16;  // tiles of "boules.png"

// Board progress. Rows count from the bottom, slots from the left, cells 1 to
// 40 row by row; nextCell = 4 * (currentRow - 1) + currentSlot.
extern int32_t currentRow;   // 1 to 10; 11 once the tenth row is evaluated
extern int32_t currentSlot;  // 1 to 4
extern int32_t nextCell;     // 1 to 40; 41 once every cell is used
extern int32_t guess[GAME_SLOT_COUNT];  // colours of the row in progress, slot s at [s - 1]

// The sheets, each decoded once. ballSheet is loaded by the game's start-up
// (the code balls use it too); the others by the first new game.
extern Image* ballSheet;
extern Image* markSheet;

// Board images: cell n at cellImages[n - 1], the marks of row r at
// markImages[r - 1]. Cells and marks share their sheet's pixels.
extern Image cellImages[BOARD_CELL_COUNT];
extern Image markImages[BOARD_ROW_COUNT];
extern Image* rowMarkerImage;

// A record showing one tile of a sheet without owning its pixels.
Image tileImage(const Image& sheet);

// Shows tile `tile` of a sheet that is one column of square tiles, at their
// own size.
void showSheetTile(Image* image, int32_t tileSize, int32_t tile);

// A new board: the 40 cells empty at their places, then the 10 mark cells
// showing no marks.
void loadBoardCells();
void loadMarkCells();

// What a cell, a row's mark cell and the row marker show. Numbers outside
// cells 1-40, rows 1-10 and marker rows 1-11 change nothing.
void setCellColor(int32_t cell, int32_t color);
void setRowMarks(int32_t row, int32_t markTile);
void setRowMarker(int32_t row);

// Places selectedColor in nextCell unless the row already holds it.
void placeBall();
// Records the placed colour, evaluates a completed row, moves to the next slot.
void advanceSlot();
// Scores guess against secretCode, shows the marks, and wins on four exact.
void evaluateGuess();
// Empties the row in progress and sends the entry back to its slot 1.
void clearCurrentRow();

// 10 per exact match plus 1 per colour in the code at another slot, for
// guess against secretCode.
int32_t scoreGuess();

// The tile of "solutions.png" that shows a score; 0 for a score that cannot
// arise.
int32_t markTileForScore(int32_t score);
