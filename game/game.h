// The code-breaking game: its main function, states and frame loop.
#pragma once

// Runs the game on the game thread; ends the program when the loop ends.
[[noreturn]] void gameMain();
