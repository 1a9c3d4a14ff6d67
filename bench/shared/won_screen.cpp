#include "bench/shared/won_screen.h"

#include <cstdio>

#include "game/board.h"
#include "game/game.h"

void playToWonScreen()
{
    static const int32_t rows[BOARD_ROW_COUNT][GAME_SLOT_COUNT] = {
        {2, 1, 4, 3}, {5, 6, 1, 2}, {3, 4, 5, 6}, {6, 5, 4, 3}, {1, 3, 2, 4},
        {4, 3, 2, 1}, {2, 3, 4, 5}, {1, 2, 4, 3}, {1, 2, 3, 5}, {1, 2, 3, 4},
    };
    frameTick = 0;
    loadStartPictures();
    gameState = STATE_PLAY;
    newGame();
    for (const auto& row : rows) {
        for (int32_t color : row) {
            selectedColor = color;
            placeBall();
        }
    }
    if (gameState != STATE_WON) {
        std::fprintf(stderr, "the scripted game did not end won\n");
    }
}
