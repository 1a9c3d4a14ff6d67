// Values shared between the first thread and the game thread, and what every
// host does with the game's names. The headless test seam links this too.
#include "host/host.h"

void* mainWindow = nullptr;

std::atomic<int32_t> quitRequested{0};
std::atomic<int32_t> pauseState{PAUSE_RUNNING};

std::atomic<int32_t> emuReuseTextures{0};
std::atomic<int32_t> emuUsePixelShaders{0};
std::atomic<int32_t> emuFrameSkipMode{0};

const char* gameInfoText(const char* text, const char* fallback)
{
    return text != nullptr && text[0] != '\0' ? text : fallback;
}
