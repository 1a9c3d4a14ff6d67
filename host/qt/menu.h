// The emulation menu on Qt: the menu bar of the main window, built from the
// library's menu entries. updateMenuChecks (quorl/host.h) is defined here.
#pragma once

// Fills hostWindow.menuBar with the menu entries, loads the settings and
// sets the check marks. hostWindow.menuBar must exist.
void buildMenu();
