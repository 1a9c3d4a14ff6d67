// What the library shares with the host it runs under, beside what
// quorl/quorl.h gives a game. Each host defines these values; the library
// only reads them.
#pragma once

#include <atomic>
#include <cstdint>

#include "quorl/quorl.h"

// Opaque handle of the one top-level window, set once by the first thread
// before the game thread starts. Only the window-system seam looks inside.
extern void* mainWindow;

// The emulation settings of the menu, stored per user under these names; the
// host writes them, the library reads each whole with relaxed ordering.
extern std::atomic<int32_t> emuReuseTextures;
extern std::atomic<int32_t> emuUsePixelShaders;
extern std::atomic<int32_t> emuFrameSkipMode;
