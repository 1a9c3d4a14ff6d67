// The emulation menu as every host shows it: its entries in display order,
// what each command does to the shared values, and which marks show. A host
// only builds the entries with its own toolkit and hands commands back here.
#include "quorl/host.h"

const MenuEntry MENU_ENTRIES[] = {
    {0, "Application", MENU_POPUP, 0, 0},
    {1, "Step frame", CMD_STEP_FRAME, 0, 0},
    {1, "Pause", CMD_PAUSE, 0, 0},
    {1, "Quit", CMD_QUIT, 0, 0},
    {1, "", MENU_SEPARATOR, 0, 0},
    {1, "Controls\u2026", CMD_CONTROLS, 0, 0},
    {1, "Save screenshot", CMD_SAVE_SCREENSHOT, 0, 0},
    {0, "Video", MENU_POPUP, 0, 0},
    {1, "Performance", MENU_POPUP, 0, 0},
    {2, "Reuse textures (faster)", CMD_REUSE_TEXTURES, 0, 0},
    {2, "Use shaders", CMD_USE_SHADERS, 1, 0},
    {1, "Frameskip", MENU_POPUP, 0, 0},
    {2, "None", CMD_FRAMESKIP_NONE, 0, 0},
    {2, "Normal (PC-timed)", CMD_FRAMESKIP_NORMAL, 0, 0},
    // Bears command 5 too, after "Normal (PC-timed)": its mark never shows.
    {2, "Frameskip (PC-sided)", CMD_FRAMESKIP_NORMAL, 1, 0},
    {1, "", MENU_SEPARATOR, 0, 0},
    {1, "Window size", MENU_POPUP, 0, 0},
    {2, "1\u00D7 (480\u00D7272)", CMD_WINDOW_SCALE_1, 0, 1},
    {2, "2\u00D7", CMD_WINDOW_SCALE_2, 0, 1},
    {2, "3\u00D7", CMD_WINDOW_SCALE_3, 0, 1},
    {2, "4\u00D7", CMD_WINDOW_SCALE_4, 0, 1},
    {2, "Full screen", CMD_FULL_SCREEN, 0, 0},
    {0, "Audio", MENU_POPUP, 0, 0},
    {1, "Sound", CMD_SOUND, 0, 0},
    {1, "Volume", MENU_POPUP, 0, 0},
    {2, "25 %", CMD_VOLUME_25, 0, 1},
    {2, "50 %", CMD_VOLUME_50, 0, 1},
    {2, "75 %", CMD_VOLUME_75, 0, 1},
    {2, "100 %", CMD_VOLUME_100, 0, 1},
};
const int32_t MENU_ENTRY_COUNT = sizeof(MENU_ENTRIES) / sizeof(MENU_ENTRIES[0]);

const MenuMark MENU_MARKS[] = {
    {0, -1, CMD_PAUSE},
    {1, 0, CMD_REUSE_TEXTURES},
    {1, 0, CMD_USE_SHADERS},
    {1, 1, CMD_FRAMESKIP_NORMAL},
    {1, 1, CMD_FRAMESKIP_NONE},
    {1, 3, CMD_WINDOW_SCALE_1},
    {1, 3, CMD_WINDOW_SCALE_2},
    {1, 3, CMD_WINDOW_SCALE_3},
    {1, 3, CMD_WINDOW_SCALE_4},
    {1, 3, CMD_FULL_SCREEN},
    {2, -1, CMD_SOUND},
    {2, 1, CMD_VOLUME_25},
    {2, 1, CMD_VOLUME_50},
    {2, 1, CMD_VOLUME_75},
    {2, 1, CMD_VOLUME_100},
};
const int32_t MENU_MARK_COUNT = sizeof(MENU_MARKS) / sizeof(MENU_MARKS[0]);

static bool applyMenuCommand(int32_t command);
static void toggle(std::atomic<int32_t>& setting);

void menuCommand(int32_t command)
{
    if (command == CMD_QUIT) {
        closeRequest();
    } else if (command == CMD_CONTROLS) {
        showControlsDialog();
    } else if (command == CMD_SAVE_SCREENSHOT) {
        saveScreenshotForPlayer();
    } else if (applyMenuCommand(command)) {
        if ((command >= CMD_WINDOW_SCALE_1 && command <= CMD_WINDOW_SCALE_4) || command == CMD_FULL_SCREEN) {
            updateWindowSize();
        }
        updateMenuChecks();
    }
}

bool menuMarkShows(int32_t command)
{
    switch (command) {
    case CMD_PAUSE:
        return pauseState.load(std::memory_order_relaxed) != PAUSE_RUNNING;
    case CMD_REUSE_TEXTURES:
        return emuReuseTextures.load(std::memory_order_relaxed) != 0;
    case CMD_USE_SHADERS:
        return emuUsePixelShaders.load(std::memory_order_relaxed) != 0;
    case CMD_FRAMESKIP_NORMAL:
        return emuFrameSkipMode.load(std::memory_order_relaxed) == 0;
    case CMD_FRAMESKIP_NONE:
        return emuFrameSkipMode.load(std::memory_order_relaxed) == 1;
    case CMD_WINDOW_SCALE_1:
    case CMD_WINDOW_SCALE_2:
    case CMD_WINDOW_SCALE_3:
    case CMD_WINDOW_SCALE_4:
        return emuWindowScale.load(std::memory_order_relaxed) == command - CMD_WINDOW_SCALE_1 + 1;
    case CMD_FULL_SCREEN:
        return emuFullScreen.load(std::memory_order_relaxed) != 0;
    case CMD_SOUND:
        return emuSound.load(std::memory_order_relaxed) != 0;
    case CMD_VOLUME_25:
    case CMD_VOLUME_50:
    case CMD_VOLUME_75:
    case CMD_VOLUME_100:
        return emuVolume.load(std::memory_order_relaxed) == (command - CMD_VOLUME_25 + 1) * 25;
    default:
        return false;
    }
}

// Changes pauseState or a setting; false for CMD_QUIT and CMD_CONTROLS
// (which the close request and the dialog carry out) and unknown commands.
static bool applyMenuCommand(int32_t command)
{
    switch (command) {
    case CMD_PAUSE:
        // Cancels a pending step too.
        pauseState.store(pauseState.load(std::memory_order_relaxed) == PAUSE_RUNNING
                             ? PAUSE_PAUSED
                             : PAUSE_RUNNING,
                         std::memory_order_relaxed);
        return true;
    case CMD_STEP_FRAME:
        pauseState.store(PAUSE_STEP, std::memory_order_relaxed);
        return true;
    case CMD_REUSE_TEXTURES:
        toggle(emuReuseTextures);
        return true;
    case CMD_USE_SHADERS:
        toggle(emuUsePixelShaders);
        return true;
    case CMD_FRAMESKIP_NORMAL:
        emuFrameSkipMode.store(0, std::memory_order_relaxed);
        return true;
    case CMD_FRAMESKIP_NONE:
        emuFrameSkipMode.store(1, std::memory_order_relaxed);
        return true;
    case CMD_WINDOW_SCALE_1:
    case CMD_WINDOW_SCALE_2:
    case CMD_WINDOW_SCALE_3:
    case CMD_WINDOW_SCALE_4:
        // A window size is a window's: choosing one leaves full screen.
        emuWindowScale.store(command - CMD_WINDOW_SCALE_1 + 1, std::memory_order_relaxed);
        emuFullScreen.store(0, std::memory_order_relaxed);
        return true;
    case CMD_FULL_SCREEN:
        toggle(emuFullScreen);
        return true;
    case CMD_SOUND:
        toggle(emuSound);
        return true;
    case CMD_VOLUME_25:
    case CMD_VOLUME_50:
    case CMD_VOLUME_75:
    case CMD_VOLUME_100:
        emuVolume.store((command - CMD_VOLUME_25 + 1) * 25, std::memory_order_relaxed);
        return true;
    default:
        return false;
    }
}

// Any value but 0 counts as on, so a stored 5 becomes 0 and then 1.
static void toggle(std::atomic<int32_t>& setting)
{
    setting.store(setting.load(std::memory_order_relaxed) == 0 ? 1 : 0, std::memory_order_relaxed);
}
