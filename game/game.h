// The code-breaking game: its main function, states, frame loop and the
// choice of the secret code. The board itself is game/board.h.
#pragma once

#include <cstdint>
#include <string>

#include "quorl/quorl.h"

// Values of gameState. They are compared by magnitude: above STATE_PLAY is an
// end screen, above STATE_INTRO is any screen that shows the board.
constexpr int32_t STATE_INTRO = 1;
constexpr int32_t STATE_PLAY = 10;
constexpr int32_t STATE_WON = 20;
constexpr int32_t STATE_LOST = 50;

constexpr int32_t GAME_SLOT_COUNT = 4;     // balls in a code and in a row
constexpr int32_t GAME_COLOR_COUNT = 6;    // colours 1 to 6; 0 is an empty cell
constexpr int32_t GAME_CODE_COUNT = 60;    // entries of codeTable, one per frameTick

// Entry k is the code a new game takes while frameTick is k; the colours of
// slots 1 to 4 are at [k][0] to [k][3].
extern const int32_t codeTable[GAME_CODE_COUNT][GAME_SLOT_COUNT];

// Game variables (game thread only).
extern int32_t gameState;
extern int32_t frameTick;      // 0 to 59, advanced once per frame
extern int32_t selectedColor;  // colour under the cursor, 1 to 6
extern int32_t secretCode[GAME_SLOT_COUNT];

// Pictures outside the board. Each file is decoded once; a new game resets
// the records in place.
extern Image* backdropImage;  // the intro picture, then the board's background
extern Image* lostImage;
extern Image* wonImage;
extern Image* cursorImage;
extern Image codeBalls[GAME_SLOT_COUNT];  // tiles of the ball sheet, sharing its pixels

// The game's sound effects, numbers into gameSounds.
constexpr int32_t SOUND_START = 0;         // a game starts
constexpr int32_t SOUND_MOVE = 1;          // the cursor moves
constexpr int32_t SOUND_PLACE = 2;         // a ball is placed
constexpr int32_t SOUND_CLEAR = 3;         // the row in progress is cleared
constexpr int32_t SOUND_ANSWER = 4;        // a row is answered, no ball in its place
constexpr int32_t SOUND_ANSWER_EXACT = 5;  // a row is answered, a ball or more in place
constexpr int32_t SOUND_WON = 6;
constexpr int32_t SOUND_LOST = 7;
constexpr int32_t SOUND_COUNT = 8;

// Loaded with the board's pictures by the first new game; null where a file
// is missing or broken: the game goes on without that sound.
extern Sound* gameSounds[SOUND_COUNT];

// The player's record over every run, from the game's saved data: games won
// and lost, and the fewest rows a win took (0 before the first win).
struct GameRecord {
    int32_t won;
    int32_t lost;
    int32_t fewestRows;
};
extern GameRecord gameRecord;

// Start-up after the library: the intro, end-screen and code-ball pictures,
// and the record.
void loadStartPictures();

// Counts a game that has just been won in `rows` rows (won nonzero) or lost,
// in gameRecord and in the saved data.
void recordEndOfGame(int32_t won, int32_t rows);

// Plays one of the game's sounds, if it was loaded.
void playGameSound(int32_t sound);

// Sets up a new game; the caller has already set gameState to STATE_PLAY.
void newGame();

// Draws one frame for the current gameState.
void drawScreen();

// The frame's logic without the window, in the loop's order: the lost-game
// check comes before readController, the buttons after it.
void checkForLostGame();
void applyPressedButtons(uint32_t pressed);
void advanceFrameTick();

// Loads a picture of the working directory as PF_5551 in RAM. A picture that
// cannot be loaded is fatal: a message box says why, then the program ends
// with exit code 1.
Image* loadPicture(const char* name);

// The text of that message box: for a missing file, its name, the folder it
// was looked for in and what to do; for any other failure, the file's name
// and the loader's reason ("intro.png: broken PNG data").
std::string pictureFailureMessage(const char* name, const char* reason, const char* directory);
