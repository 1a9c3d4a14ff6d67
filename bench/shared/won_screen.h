// The won screen the frame benchmarks draw, on the desktop and in the browser.
#pragma once

// Plays a new game from frame 0 (code 1-2-3-4): nine rows that miss, a
// tenth that finds the code, so that every cell, mark and code ball is on
// the won screen. Needs the library started and the game's pictures in the
// working folder; says so on stderr when the game did not end won.
void playToWonScreen();
