// The values the first thread and the game thread share.
#include "quorl/host.h"

std::atomic<int32_t> quitRequested{0};
std::atomic<int32_t> pauseState{PAUSE_RUNNING};

std::atomic<int32_t> emuReuseTextures{0};
std::atomic<int32_t> emuUsePixelShaders{0};
std::atomic<int32_t> emuFrameSkipMode{0};
std::atomic<int32_t> emuWindowScale{1};
std::atomic<int32_t> emuFullScreen{0};
std::atomic<int32_t> emuSound{1};
std::atomic<int32_t> emuVolume{100};

std::atomic<int32_t> screenAreaWidth{SCREEN_WIDTH};
std::atomic<int32_t> screenAreaHeight{SCREEN_HEIGHT};
