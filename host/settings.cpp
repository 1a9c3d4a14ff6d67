// The emulation settings in the host's store: their names, and how a stored
// value is taken.
#include "emu/bindings.h"
#include "quorl/host.h"

namespace {
struct Setting {
    const char* name;
    std::atomic<int32_t>* value;
    int32_t lowest, highest;  // a scale's range; 0, 0: an on/off flag
    int32_t step;             // the scale's values are lowest + k * step
};
}  // namespace

// In the order they are loaded and saved.
static const Setting SETTINGS[] = {
    {"emuReuseTextures", &emuReuseTextures, 0, 0, 0},
    {"emuUsePixelShaders", &emuUsePixelShaders, 0, 0, 0},
    {"emuFrameSkipMode", &emuFrameSkipMode, 0, 0, 0},
    {"emuWindowScale", &emuWindowScale, 1, WINDOW_SCALE_MAX, 1},
    {"emuFullScreen", &emuFullScreen, 0, 0, 0},
    {"emuSound", &emuSound, 0, 0, 0},
    {"emuVolume", &emuVolume, 25, 100, 25},
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
        if (setting.highest > 0) {
            // A value the menu does not offer takes the nearest one it does.
            number = number < setting.lowest ? setting.lowest : number > setting.highest ? setting.highest : number;
            number = setting.lowest + (number - setting.lowest + setting.step / 2) / setting.step * setting.step;
        } else {
            // The menu knows 0 and 1 only; every setting acts the same for
            // any nonzero value, so one is kept as 1 and its mark shows.
            number = number != 0 ? 1 : 0;
        }
        setting.value->store(number, std::memory_order_relaxed);
    }
    loadBindings();
}

// A value the store already holds is not written again: every write of a
// settings file rewrites it whole, and the end of a run seldom changes any.
void saveSettings()
{
    for (const Setting& setting : SETTINGS) {
        int32_t value = setting.value->load(std::memory_order_relaxed);
        int32_t stored = ~value;
        if (storeReadValue(SETTINGS_GROUP, setting.name, &stored) == 4 && stored == value) {
            continue;
        }
        storeWriteValue(SETTINGS_GROUP, setting.name, value);
    }
}

int32_t windowScaleThatFits(int32_t wanted, int32_t availableWidth, int32_t availableHeight)
{
    int32_t scale = wanted < 1 ? 1 : wanted > WINDOW_SCALE_MAX ? WINDOW_SCALE_MAX : wanted;
    while (scale > 1 && (SCREEN_WIDTH * scale > availableWidth || SCREEN_HEIGHT * scale > availableHeight)) {
        --scale;
    }
    return scale;
}
