// The emulation menu: pause, single step, quit and the three settings.
#pragma once

#include <cstdint>

#include "host/menu_model.h"

struct HostWindow;

// Fills window.menuBar with "Application" and "Video", loads the three
// settings and sets the check marks. window.menuBar must exist.
void buildMenu(HostWindow& window);

// Sets every check mark from pauseState and the settings. A mark goes to the
// first item bearing its command inside its popup.
void updateMenuChecks(HostWindow& window);

// Carries out a menu command; commands outside 0..6 are ignored.
void menuCommand(HostWindow& window, int32_t command);
