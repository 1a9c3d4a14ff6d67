// The per-user store of the three emulation settings: organisation "Quorl",
// application "Configuration" (on Linux $XDG_CONFIG_HOME/Quorl/Configuration.conf).
#pragma once

#include <atomic>
#include <cstdint>

// Reads the named value into `setting` when it holds a 32-bit integer and
// reports the bytes read (4), or 0 with the setting unchanged. Creates the
// store when it is missing; replaces a store that cannot be parsed by one
// holding the settings in force.
int32_t loadSetting(const char* name, std::atomic<int32_t>& setting);

// Writes "emuReuseTextures", "emuUsePixelShaders" and "emuFrameSkipMode", in
// that order, and flushes them to disk. Callable from either thread.
void saveSettings();
