// Values shared between the first thread and the game thread. They live
// outside the Qt host so that the library links without it.
#include "host/host.h"

void* mainWindow = nullptr;

std::atomic<int32_t> quitRequested{0};
std::atomic<int32_t> pauseState{PAUSE_RUNNING};

std::atomic<int32_t> emuReuseTextures{0};
std::atomic<int32_t> emuUsePixelShaders{0};
std::atomic<int32_t> emuFrameSkipMode{0};
