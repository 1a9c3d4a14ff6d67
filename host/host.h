// The host's side of the program: the values it shares with the library
// (emu/shared.h), and the game thread's start.
#pragma once

#include "emu/shared.h"

// The game thread's start routine: captures the time base, then runs
// gameMain; ends the program when gameMain returns.
void gameThreadEntry();

// A text of gameInfo, or `fallback` when the game left it null or empty.
const char* gameInfoText(const char* text, const char* fallback);
