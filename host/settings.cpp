// The emulation settings in the host's store: their names, and how a stored
// value is taken.
#include "quorl/host.h"

namespace {
struct Setting {
    const char* name;
    std::atomic<int32_t>* value;
};
}  // namespace

// In the order they are loaded and saved.
static const Setting SETTINGS[] = {
    {"emuReuseTextures", &emuReuseTextures},
    {"emuUsePixelShaders", &emuUsePixelShaders},
    {"emuFrameSkipMode", &emuFrameSkipMode},
};
static const char* const SETTINGS_GROUP = "";

void loadSettings()
{
    for (const Setting& setting : SETTINGS) {
        // The store fills what it reads into the current value, so a short
        // value (fewer than 4 bytes) keeps the rest of it.
        int32_t number = setting.value->load(std::memory_order_relaxed);
        if (storeReadValue(SETTINGS_GROUP, setting.name, &number) == 0) {
            continue;
        }
        // The menu knows 0 and 1 only; every setting acts the same for any
        // nonzero value, so one is kept as 1 and its mark shows.
        setting.value->store(number != 0 ? 1 : 0, std::memory_order_relaxed);
    }
}

void saveSettings()
{
    for (const Setting& setting : SETTINGS) {
        storeWriteValue(SETTINGS_GROUP, setting.name, setting.value->load(std::memory_order_relaxed));
    }
}
