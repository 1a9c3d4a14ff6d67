// The emulation menu: pause, single step, quit and the three settings.
#pragma once

#include <cstdint>

struct HostWindow;

constexpr int32_t CMD_PAUSE = 0;
constexpr int32_t CMD_STEP_FRAME = 1;
constexpr int32_t CMD_QUIT = 2;
constexpr int32_t CMD_REUSE_TEXTURES = 3;
constexpr int32_t CMD_USE_SHADERS = 4;
constexpr int32_t CMD_FRAMESKIP_NORMAL = 5;
constexpr int32_t CMD_FRAMESKIP_NONE = 6;

// Fills window.menuBar with "Application" and "Video", loads the three
// settings and sets the check marks. window.menuBar must exist.
void buildMenu(HostWindow& window);

// Sets every check mark from pauseState and the settings. A mark goes to the
// first item bearing its command inside its popup.
void updateMenuChecks(HostWindow& window);

// Carries out a menu command; commands outside 0..6 are ignored.
void menuCommand(HostWindow& window, int32_t command);
