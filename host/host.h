// The host shell's side of the program that the library and the game see:
// the values shared with the first thread and the way the program ends.
// No Qt here; host/*.cpp implement it.
#pragma once

#include <atomic>
#include <cstdint>

// Opaque handle of the one top-level window, set once by the first thread
// before the game thread starts. Only the window-system seam looks inside.
extern void* mainWindow;

// Shared between the two threads: each is one 32-bit value, written and read
// whole with relaxed ordering; no ordering between two of them is relied on.
extern std::atomic<int32_t> quitRequested;  // nonzero: the game loop is to end
extern std::atomic<int32_t> pauseState;     // PAUSE_RUNNING, PAUSE_PAUSED, PAUSE_STEP

// Emulation settings, stored per user under the same value names.
extern std::atomic<int32_t> emuReuseTextures;
extern std::atomic<int32_t> emuUsePixelShaders;
extern std::atomic<int32_t> emuFrameSkipMode;

constexpr int32_t PAUSE_RUNNING = 0;
constexpr int32_t PAUSE_PAUSED = 1;
constexpr int32_t PAUSE_STEP = 2;

// The game thread's start routine: captures the time base, then runs gameMain.
void gameThreadEntry();

// Saves the settings and ends the process with exit code 0. Does not return.
[[noreturn]] void endProgram();

// Saves the settings and ends the process with the given exit code; for a
// game that cannot go on (a picture is missing). Does not return.
[[noreturn]] void endProgramWithCode(int exitCode);
