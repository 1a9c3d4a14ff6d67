// Temporary game loop until the real game lands: polls the controller at
// about 60 Hz, honours the pause state and ends through endProgram.
#include "game/game.h"

#include <chrono>
#include <thread>

#include "emu/controller.h"
#include "host/host.h"

void gameMain()
{
    controller = &controllerRecord;
    quitRequested.store(0, std::memory_order_relaxed);
    while (quitRequested.load(std::memory_order_relaxed) == 0) {
        readController();
        std::this_thread::sleep_for(std::chrono::microseconds(16666));
        int32_t state = pauseState.load(std::memory_order_relaxed);
        if (state == PAUSE_STEP) {
            pauseState.store(PAUSE_PAUSED, std::memory_order_relaxed);
            state = PAUSE_PAUSED;
        }
        while (state == PAUSE_PAUSED) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            state = pauseState.load(std::memory_order_relaxed);
        }
    }
    endProgram();
}
